#include "startupreporter.h"

#include "benchsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <cinttypes>
#include <cstdio>
#include <cstring>

StartupReporter::StartupReporter(Mode mode, const char* windowClass, bool needsDevice)
    : mode(mode), windowClass(windowClass), needsDevice(needsDevice),
      applicationNs(sinceSpawn(BenchSupport::monotonicNs()))
{
    // Application-wide, so that it sees the expose event of a window it has no pointer to.
    qApp->installEventFilter(this);
}

StartupReporter::Mode StartupReporter::modeFromArguments(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "idle") == 0)
        return Mode::Idle;
    if (argc > 1 && std::strcmp(argv[1], "idle-minimised") == 0)
        return Mode::IdleMinimised;
    return Mode::Startup;
}

std::int64_t StartupReporter::sinceSpawn(std::int64_t now)
{
    const std::int64_t spawned = BenchSupport::spawnTimeNs();
    return spawned < 0 ? -1 : now - spawned;
}

bool StartupReporter::eventFilter(QObject* watched, QEvent* event)
{
    if (shownNs < 0 && event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow() && watched->inherits(windowClass))
        shownNs = sinceSpawn(BenchSupport::monotonicNs());
    if (!exposed && event->type() == QEvent::Expose) {
        auto* window = qobject_cast<QWindow*>(watched);
        QWidget* mainWindow = window && window->isExposed() ? mainWindowOf(window) : nullptr;
        if (mainWindow) {
            exposed = true;
            readyWindow = mainWindow;
            exposedNs = sinceSpawn(BenchSupport::monotonicNs());
            if (needsDevice)
                watchDeviceList(mainWindow);
            // Queued, so that the check runs once the expose event, with the first paint, has
            // been handled.
            QMetaObject::invokeMethod(this, &StartupReporter::checkReady, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

QWidget* StartupReporter::mainWindowOf(QObject* window) const
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window && widget->inherits(windowClass))
            return widget;
    }
    return nullptr;
}

void StartupReporter::watchDeviceList(QWidget* mainWindow)
{
    deviceList = mainWindow->findChild<QComboBox*>(QStringLiteral("combo_device_select"));
    if (deviceList) {
        if (deviceList->currentIndex() >= 0)
            appliedNs = exposedNs;
        // Connected after the window's own handler, which applies the device first.
        connect(deviceList, &QComboBox::currentIndexChanged, this, [this] {
            if (appliedNs < 0)
                appliedNs = sinceSpawn(BenchSupport::monotonicNs());
        });
        connect(deviceList, &QComboBox::currentIndexChanged, this, &StartupReporter::checkReady,
                Qt::QueuedConnection);
    }
}

void StartupReporter::checkReady()
{
    if (reported || !exposed)
        return;
    if (needsDevice && (!deviceList || deviceList->currentIndex() < 0))
        return;
    reported = true;
    const std::int64_t readyNs = sinceSpawn(BenchSupport::monotonicNs());
    std::printf("app_ns %" PRId64 "\nshown_ns %" PRId64 "\nexposed_ns %" PRId64, applicationNs,
                shownNs, exposedNs);
    if (needsDevice)
        std::printf("\napplied_ns %" PRId64, appliedNs);
    std::printf("\nready_ns %" PRId64 "\n", readyNs);
    std::fflush(stdout);
    if (mode == Mode::Startup)
        QCoreApplication::quit();
    else if (mode == Mode::IdleMinimised && readyWindow)
        readyWindow->showMinimized();
}
