// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "backendcontrol.h"
#include "serialexecutor.h"
#include "simulatedhardware.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class SimulatedDevice;
class SimulatedEndpoint;

// The simulated device library: the backend that stands in where no supported hardware is
// present. Besides the kit's delivery thread it runs a hardware thread that carries out the
// SimulatedHardware requests. HID changes are never reported from a library thread; poll()
// reports them on its caller's thread. Threads, lock and record lifetime: see BackendControl.
class SimulatedControl final : public BackendControl, public SimulatedHardware
{
public:
    // The devices present from the start, SimulatedDeviceConfig::defaults() unless given.
    explicit SimulatedControl(
        const std::vector<SimulatedDeviceConfig>& devices = SimulatedDeviceConfig::defaults());
    ~SimulatedControl() override;

    const char* backendName() override;

    void plugDevice(const SimulatedDeviceConfig& config) override;
    void unplugDevice(const std::string& id) override;
    void changeVolumeLeft(const std::string& id, SimulatedEndpointKind endpoint, float db) override;
    void changeVolumeRight(const std::string& id, SimulatedEndpointKind endpoint,
                           float db) override;
    void changeMute(const std::string& id, SimulatedEndpointKind endpoint, bool mute) override;
    void changeSwitch(const std::string& id, TarvixHID::Switch which, bool on) override;
    void changeVolumeRange(const std::string& id, SimulatedEndpointKind endpoint, float minDb,
                           float maxDb, float stepDb) override;
    void sendDeviceChange(const std::string& id) override;
    std::vector<SimulatedDeviceConfig> presentDevices() override;
    void whenDone(std::function<void()> done) override;

private:
    using EndpointChange = std::function<void(SimulatedEndpoint&)>;

    void plugNow(const SimulatedDeviceConfig& config);
    void changeEndpoint(const std::string& id, SimulatedEndpointKind endpoint,
                        EndpointChange change);
    // The caller holds the library lock.
    SimulatedDevice* findSimulated(const std::string& id) const;

    SerialExecutor hardware;
};
