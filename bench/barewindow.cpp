// The floor of the start-up, idle and memory figures: a bare Qt program that shows an empty main
// window of the mixer's size, watched the same way as the mixer. With the argument "label" the
// window shows one line of text, which tells how much of a start-up goes to the first text.

#include "benchsupport.h"
#include "startupreporter.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    StartupReporter reporter(StartupReporter::modeFromArguments(argc, argv), "QMainWindow", false);
    int result = 0;
    {
        QMainWindow window;
        window.setFixedSize(417, 362);
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "label") == 0)
                window.setCentralWidget(new QLabel(QStringLiteral("-20.0 dB")));
        }
        window.show();
        result = QApplication::exec();
    }
    std::printf("hwm_kb %ld\n", BenchSupport::peakResidentKb());
    return result;
}
