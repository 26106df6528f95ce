#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>

class QComboBox;
class QWidget;

// Watches a starting program for the moment it is ready: its main window (a widget of the given
// class) has been exposed and painted and, when a device is asked for, the window's device list
// has a current item, that is, the first device has been selected and applied. It then prints
// "ready_ns N" (nanoseconds since the runner spawned the process) on standard output and, in
// start-up mode, ends the event loop. Before that it prints the times at which the application
// object existed, the main window was shown, it was exposed and the device was applied
// ("app_ns", "shown_ns", "exposed_ns", "applied_ns"; the last is the expose time when the device
// came first), so that a slow start can be broken down. In idle mode the program stays up until it
// is terminated; in minimised idle mode it also minimises the main window once it is ready.
class StartupReporter : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Startup, Idle, IdleMinimised };

    StartupReporter(Mode mode, const char* windowClass, bool needsDevice);

    // "idle" as the first argument selects idle mode, "idle-minimised" minimised idle mode;
    // anything else start-up mode.
    static Mode modeFromArguments(int argc, char* argv[]);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void checkReady();

private:
    QWidget* mainWindowOf(QObject* window) const;
    static std::int64_t sinceSpawn(std::int64_t now);
    void watchDeviceList(QWidget* mainWindow);

    const Mode mode;
    const char* const windowClass;
    const bool needsDevice;
    std::int64_t applicationNs = -1;
    std::int64_t shownNs = -1;
    std::int64_t exposedNs = -1;
    std::int64_t appliedNs = -1;
    bool exposed = false;
    bool reported = false;
    QPointer<QComboBox> deviceList;
    QPointer<QWidget> readyWindow;
};
