// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kithid.h"

// The four switches of a simulated device, kept as they were last set. Reporting and detaching:
// see KitHid.
class SimulatedHID final : public KitHid
{
public:
    SimulatedHID(const SwitchStates& switches, LibraryLock& lock) : KitHid(lock), state(switches) {}

    // A switch moved on the device; the caller holds the library lock.
    void changeSwitchOnDevice(Switch which, bool on) { writeSwitch(which, on); }

    const SwitchStates& switches() const { return state; }

protected:
    bool readSwitch(Switch which) override { return state[which]; }
    void writeSwitch(Switch which, bool on) override { state[which] = on; }

private:
    SwitchStates state; // guarded by the library lock
};
