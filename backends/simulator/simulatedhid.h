#pragma once

#include "simulateddeviceconfig.h"
#include "tarvixhid.h"

#include <optional>

class LibraryLock;

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
    SimulatedHID(const SimulatedSwitches& switches, LibraryLock& lock);

    void setPhantomLeft(bool on) override;
    bool getPhantomLeft() override;
    void setPhantomRight(bool on) override;
    bool getPhantomRight() override;
    void setLoopbackRight(bool on) override;
    bool getLoopbackRight() override;
    void setLoopbackLeft(bool on) override;
    bool getLoopbackLeft() override;
    void poll() override;

    // A switch moved on the device; the caller holds the library lock, as for the two below.
    void changeSwitchOnDevice(SimulatedSwitch which, bool on);

    const SimulatedSwitches& switches() const { return state; }
    void detach() { attached = false; }

protected:
    void setChangedCallback(TarvixHIDChangedCallback* callback) override;

private:
    void setSwitch(SimulatedSwitch which, bool on);
    bool getSwitch(SimulatedSwitch which);
    bool& switchState(SimulatedSwitch which);

    LibraryLock& lock;

    // Guarded by the library lock.
    SimulatedSwitches state;
    std::optional<SimulatedSwitches> lastReported;
    TarvixHIDChangedCallback* listener = nullptr;
    bool attached = true;
};
