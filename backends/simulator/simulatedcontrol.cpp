// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedcontrol.h"

#include "simulateddevice.h"

SimulatedControl::SimulatedControl(const std::vector<SimulatedDeviceConfig>& devices)
{
    for (const SimulatedDeviceConfig& config : devices)
        plugNow(config);
}

SimulatedControl::~SimulatedControl()
{
    stopDelivering();
    hardware.stop();
}

const char* SimulatedControl::backendName()
{
    return "Simulated devices";
}

void SimulatedControl::plugDevice(const SimulatedDeviceConfig& config)
{
    hardware.post([this, config] { plugNow(config); });
}

void SimulatedControl::unplugDevice(const std::string& id)
{
    hardware.post([this, id] {
        LibraryLock::Guard guard(libraryLock());
        const std::shared_ptr<TarvixDevice> removed = removeDevice(id);
        if (removed)
            static_cast<SimulatedDevice&>(*removed).detach();
    });
}

void SimulatedControl::changeVolumeLeft(const std::string& id, SimulatedEndpointKind endpoint,
                                        float db)
{
    changeEndpoint(id, endpoint,
                   [db](SimulatedEndpoint& changed) { changed.changeVolumeLeftOnDevice(db); });
}

void SimulatedControl::changeVolumeRight(const std::string& id, SimulatedEndpointKind endpoint,
                                         float db)
{
    changeEndpoint(id, endpoint,
                   [db](SimulatedEndpoint& changed) { changed.changeVolumeRightOnDevice(db); });
}

void SimulatedControl::changeMute(const std::string& id, SimulatedEndpointKind endpoint, bool mute)
{
    changeEndpoint(id, endpoint,
                   [mute](SimulatedEndpoint& changed) { changed.changeMuteOnDevice(mute); });
}

void SimulatedControl::changeVolumeRange(const std::string& id, SimulatedEndpointKind endpoint,
                                         float minDb, float maxDb, float stepDb)
{
    changeEndpoint(id, endpoint, [minDb, maxDb, stepDb](SimulatedEndpoint& changed) {
        changed.changeVolumeRangeOnDevice(minDb, maxDb, stepDb);
    });
}

void SimulatedControl::changeSwitch(const std::string& id, TarvixHID::Switch which, bool on)
{
    hardware.post([this, id, which, on] {
        LibraryLock::Guard guard(libraryLock());
        SimulatedDevice* device = findSimulated(id);
        if (device && device->switches())
            device->switches()->changeSwitchOnDevice(which, on);
    });
}

void SimulatedControl::sendDeviceChange(const std::string& id)
{
    hardware.post([this, id] {
        LibraryLock::Guard guard(libraryLock());
        reportDeviceChange(id);
    });
}

std::vector<SimulatedDeviceConfig> SimulatedControl::presentDevices()
{
    LibraryLock::Guard guard(libraryLock());
    std::vector<SimulatedDeviceConfig> states;
    for (const std::shared_ptr<TarvixDevice>& device : presentRecords())
        states.push_back(static_cast<SimulatedDevice&>(*device).state());
    return states;
}

void SimulatedControl::whenDone(std::function<void()> done)
{
    hardware.post([this, done = std::move(done)] { notifications().post(done); });
}

void SimulatedControl::plugNow(const SimulatedDeviceConfig& config)
{
    LibraryLock::Guard guard(libraryLock());
    if (!findDevice(config.id))
        addDevice(std::make_shared<SimulatedDevice>(config, libraryLock(), notifications()));
}

void SimulatedControl::changeEndpoint(const std::string& id, SimulatedEndpointKind endpoint,
                                      EndpointChange change)
{
    hardware.post([this, id, endpoint, change = std::move(change)] {
        LibraryLock::Guard guard(libraryLock());
        SimulatedDevice* device = findSimulated(id);
        SimulatedEndpoint* changed = device ? device->endpoint(endpoint) : nullptr;
        if (changed)
            change(*changed);
    });
}

SimulatedDevice* SimulatedControl::findSimulated(const std::string& id) const
{
    return static_cast<SimulatedDevice*>(findDevice(id).get());
}
