// SPDX-License-Identifier: GPL-3.0-or-later
// The programs whose start-up, memory and idle cost scripts/bench.sh measures from outside:
//
//   startupprobe BACKEND   the mixer's own start-up path (the claim on the session bus, host
//                          system, runMixerApplication) with the named device library
//   floorprobe label       the floor: a main window of the mixer's size showing one line of text,
//                          built from this file without the mixer, as any one-label Qt program
//   floorprobe bare        the same window, empty
//
// At the first frame of its main window (the mixer's with its first device applied) the program
// prints the wall-clock time, in seconds as bash's EPOCHREALTIME gives it, and ends at once, so
// that the launcher can take the time from exec to the first frame without the tear-down. With
// "idle" as second argument it prints "ready" then and stays up; with "idle-minimised" it also
// minimises the window. With "paints" it prints, instead of the time, where the first frame's
// painting went: for each widget painted, in the order painted, the milliseconds from its paint
// event to the next widget's (its own painting and the next one's background), then the total
// from the first paint event to the end of the frame's paint.

#ifdef TARVIX_MIXER_PROBE
#include "hostsystem.h"
#include "mixerapplication.h"
#include "singleinstance.h"
#endif

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>

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
        if (event->type() == QEvent::Paint && mode == QLatin1String("paints"))
            paints.append({monotonicMs(), watched});
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
        if (mode == QLatin1String("paints")) {
            printPaints();
            std::_Exit(0);
        }
        if (mode.isEmpty()) {
            timespec now;
            clock_gettime(CLOCK_REALTIME, &now);
            std::printf("%lld.%06ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec / 1000);
            std::fflush(stdout);
            // At once: the time the program takes to tear down is no part of its start-up.
            std::_Exit(0);
        }
        std::puts("ready");
        std::fflush(stdout);
        if (mode == QLatin1String("idle-minimised"))
            window->showMinimized();
    }

    static double monotonicMs()
    {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }

    void printPaints() const
    {
        const double end = monotonicMs();
        for (qsizetype i = 0; i < paints.size(); ++i) {
            const QObject* widget = paints[i].widget;
            if (!widget)
                continue; // gone before the frame
            const QString name = widget->objectName().isEmpty()
                                     ? QString::fromLatin1(widget->metaObject()->className())
                                     : widget->objectName();
            const double next = i + 1 < paints.size() ? paints[i + 1].at : end;
            std::printf("%s %.3f\n", qPrintable(name), next - paints[i].at);
        }
        std::printf("total %.3f\n", paints.isEmpty() ? 0.0 : end - paints.first().at);
        std::fflush(stdout);
    }

    struct Paint
    {
        double at;
        QPointer<QObject> widget;
    };
    const QString mode;
    QPointer<QWidget> window;
    QList<Paint> paints;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString program = QString::fromLocal8Bit(argc > 1 ? argv[1] : "simulator");
    FirstFrameWatcher watcher(QString::fromLocal8Bit(argc > 2 ? argv[2] : ""));
#ifdef TARVIX_MIXER_PROBE
    // The round trip a window's start makes to claim its name on the session bus, if there is one.
    SingleInstance instance(SingleInstance::serviceName({QStringLiteral("backend=") + program}));
    instance.claim();
    HostSystem system(program);
    return runMixerApplication(system);
#else
    QMainWindow window;
    window.setFixedSize(417, 362);
    if (program == QLatin1String("label"))
        window.setCentralWidget(new QLabel(QStringLiteral("-20.0 dB")));
    window.show();
    return QApplication::exec();
#endif
}
