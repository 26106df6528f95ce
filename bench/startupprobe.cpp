// The programs whose start-up, memory and idle cost scripts/bench.sh measures from outside:
//
//   startupprobe BACKEND   the mixer's own start-up path (host system, runMixerApplication) with
//                          the named device library
//   startupprobe label     the floor: a main window of the mixer's size showing one line of text
//   startupprobe bare      the same window, empty
//
// The process ends as soon as its main window has been exposed and painted (the mixer's with its
// first device applied), so that the time from exec to exit is the time to the first frame. With
// "idle" as second argument it prints "ready" then and stays up; with "idle-minimised" it also
// minimises the window.

#include "hostsystem.h"
#include "mixerapplication.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

namespace {

class FirstFrameWatcher : public QObject
{
public:
    explicit FirstFrameWatcher(const QString& mode) : mode(mode)
    {
        // Application-wide, to see the expose event of a window created out of reach.
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* exposed = qobject_cast<QWindow*>(watched);
        if (!window && event->type() == QEvent::Expose && exposed && exposed->isExposed()) {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->windowHandle() == exposed && qobject_cast<QMainWindow*>(widget))
                    window = widget;
            }
            // Queued, so that it runs once the expose event, with the first paint, is handled.
            if (window)
                QMetaObject::invokeMethod(this, &FirstFrameWatcher::check, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void check()
    {
        auto* devices = window->findChild<QComboBox*>(QStringLiteral("combo_device_select"));
        if (devices && devices->currentIndex() < 0) {
            connect(devices, &QComboBox::currentIndexChanged, this, &FirstFrameWatcher::check,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
            return;
        }
        // At once: the time the program takes to tear down is no part of its start-up.
        if (mode.isEmpty())
            std::_Exit(0);
        std::puts("ready");
        std::fflush(stdout);
        if (mode == QLatin1String("idle-minimised"))
            window->showMinimized();
    }

    const QString mode;
    QPointer<QWidget> window;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString program = QString::fromLocal8Bit(argc > 1 ? argv[1] : "simulator");
    FirstFrameWatcher watcher(QString::fromLocal8Bit(argc > 2 ? argv[2] : ""));
    if (program != QLatin1String("label") && program != QLatin1String("bare")) {
        HostSystem system(program);
        return runMixerApplication(system);
    }
    QMainWindow window;
    window.setFixedSize(417, 362);
    if (program == QLatin1String("label"))
        window.setCentralWidget(new QLabel(QStringLiteral("-20.0 dB")));
    window.show();
    return QApplication::exec();
}
