// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simulateddeviceconfig.h"

#include <functional>
#include <string>
#include <vector>

// What happens on the simulated devices themselves rather than through the library: devices
// plugged in and pulled out, levels, mutes and switches moved on the device. The simulated
// hardware panel drives the simulator through this interface; SimulatedControl implements it.
//
// Requests return at once and are carried out on the simulator's hardware thread, each under
// the library lock, in the order they were made. One that names no present device, endpoint or
// HID interface, or plugs an id that is present already, is ignored. Their effects reach the
// library's listeners as a device's own would: arrivals, removals and level and mute changes
// from the delivery thread, switches through the next TarvixHID::poll().
class SimulatedHardware
{
public:
    virtual void plugDevice(const SimulatedDeviceConfig& config) = 0;
    virtual void unplugDevice(const std::string& id) = 0;
    // Levels are taken as they come, not clamped, NaN and infinities included.
    virtual void changeVolumeLeft(const std::string& id, SimulatedEndpointKind endpoint,
                                  float db) = 0;
    virtual void changeVolumeRight(const std::string& id, SimulatedEndpointKind endpoint,
                                   float db) = 0;
    virtual void changeMute(const std::string& id, SimulatedEndpointKind endpoint, bool mute) = 0;
    virtual void changeSwitch(const std::string& id, TarvixHID::Switch which, bool on) = 0;
    // Not reported by itself; follow it with sendDeviceChange() as the device would.
    virtual void changeVolumeRange(const std::string& id, SimulatedEndpointKind endpoint,
                                   float minDb, float maxDb, float stepDb) = 0;
    // The device reports a change of its configuration (DeviceChange).
    virtual void sendDeviceChange(const std::string& id) = 0;

    // The present devices in order of arrival, each with its current state.
    virtual std::vector<SimulatedDeviceConfig> presentDevices() = 0;

    // Runs `done` on the delivery thread once every request made before this call has been
    // carried out and every notification that arose from it delivered. Never runs once the
    // library is being deleted.
    virtual void whenDone(std::function<void()> done) = 0;

protected:
    ~SimulatedHardware() = default;
};
