#pragma once

#include "simulateddeviceconfig.h"
#include "tarvixhid.h"

#include <optional>

class LibraryLock;
class NotificationDispatcher;

// The four switches of a simulated device.
//
// Nothing is reported from a library thread: poll(), on the caller's thread, tells the changed
// listener when the switches differ from what that listener was last told. A newly registered
// listener has been told nothing, so the first poll after registerChangedCallback() reports.
// Registering does not report by itself.
//
// Once its device is unplugged the interface keeps its last state for the getters, ignores the
// setters and reports nothing more.
class SimulatedHID final : public TarvixHID
{
public:
    SimulatedHID(const SimulatedSwitches& switches, LibraryLock& lock,
                 NotificationDispatcher& dispatcher);

    void setPhantomLeft(bool on) override;
    bool getPhantomLeft() override;
    void setPhantomRight(bool on) override;
    bool getPhantomRight() override;
    void setLoopbackRight(bool on) override;
    bool getLoopbackRight() override;
    void setLoopbackLeft(bool on) override;
    bool getLoopbackLeft() override;
    void poll() override;

    // A switch moved elsewhere; the caller holds the library lock.
    void changeSwitchElsewhere(SimulatedSwitch which, bool on);

    // The caller holds the library lock.
    void detach() { attached = false; }

protected:
    void setChangedCallback(TarvixHIDChangedCallback* callback) override;

private:
    void setSwitch(SimulatedSwitch which, bool on);
    bool getSwitch(SimulatedSwitch which);
    bool& switchState(SimulatedSwitch which);

    LibraryLock& lock;
    NotificationDispatcher& dispatcher;

    // Guarded by the library lock.
    SimulatedSwitches switches;
    std::optional<SimulatedSwitches> lastReported;
    TarvixHIDChangedCallback* listener = nullptr;
    bool attached = true;
};
