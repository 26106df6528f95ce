#include "simulatedcontrol.h"

#include "simulateddevice.h"

#include <algorithm>
#include <chrono>

SimulatedControl::SimulatedControl(StartWith start, ArrivalReporting reporting)
    : arrivalReporting(reporting)
{
    if (start == StartWith::DefaultDevices) {
        plugNow(SimulatedDeviceConfig::duo());
        plugNow(SimulatedDeviceConfig::solo());
    }
}

SimulatedControl::~SimulatedControl()
{
    dispatcher.requestStop();
    if (destructionObserver)
        destructionObserver();
    dispatcher.stop();
    hardware.stop();
}

const char* SimulatedControl::backendName()
{
    return "Simulated devices";
}

TarvixDevice* SimulatedControl::getDevice(const char* id)
{
    if (!id)
        return nullptr;
    LibraryLock::Guard guard(libraryLock);
    const std::shared_ptr<SimulatedDevice> device = findPresent(id);
    return device ? device->record() : nullptr;
}

void SimulatedControl::lock()
{
    libraryLock.lock();
}

void SimulatedControl::unlock()
{
    libraryLock.unlock();
}

void SimulatedControl::plugDevice(const SimulatedDeviceConfig& config)
{
    hardware.post([this, config] { plugNow(config); });
}

void SimulatedControl::unplugDevice(const std::string& id)
{
    hardware.post([this, id] { unplugNow(id); });
}

void SimulatedControl::sendDeviceEvent(const std::string& id, CallbackType type)
{
    hardware.post([this, id, type] {
        LibraryLock::Guard guard(libraryLock);
        postDeviceEvent(type, id, findPresent(id));
    });
}

void SimulatedControl::sendDeviceChange(const std::string& id)
{
    sendDeviceEvent(id, DeviceChange);
}

void SimulatedControl::changeVolumeLeftElsewhere(const std::string& id,
                                                 SimulatedEndpointKind endpoint, float db)
{
    changeEndpointElsewhere(
        id, endpoint, [db](SimulatedEndpoint& changed) { changed.changeVolumeLeftElsewhere(db); });
}

void SimulatedControl::changeVolumeRightElsewhere(const std::string& id,
                                                  SimulatedEndpointKind endpoint, float db)
{
    changeEndpointElsewhere(
        id, endpoint, [db](SimulatedEndpoint& changed) { changed.changeVolumeRightElsewhere(db); });
}

void SimulatedControl::changeMuteElsewhere(const std::string& id, SimulatedEndpointKind endpoint,
                                           bool mute)
{
    changeEndpointElsewhere(
        id, endpoint, [mute](SimulatedEndpoint& changed) { changed.changeMuteElsewhere(mute); });
}

void SimulatedControl::changeVolumeRangeElsewhere(const std::string& id,
                                                  SimulatedEndpointKind endpoint, float minDb,
                                                  float maxDb, float stepDb)
{
    changeEndpointElsewhere(id, endpoint, [minDb, maxDb, stepDb](SimulatedEndpoint& changed) {
        changed.changeVolumeRangeElsewhere(minDb, maxDb, stepDb);
    });
}

void SimulatedControl::changeSwitchElsewhere(const std::string& id, SimulatedSwitch which, bool on)
{
    hardware.post([this, id, which, on] {
        LibraryLock::Guard guard(libraryLock);
        const std::shared_ptr<SimulatedDevice> device = findPresent(id);
        SimulatedHID* hid = device ? device->hid() : nullptr;
        if (!hid) {
            dispatcher.countIgnoredRequest();
            return;
        }
        hid->changeSwitchElsewhere(which, on);
    });
}

bool SimulatedControl::waitUntilDelivered(int timeoutMs)
{
    if (hardware.isExecutorThread() || dispatcher.isDeliveryThread())
        return false;
    if (libraryLock.isHeldByCurrentThread())
        return hardware.isIdle() && dispatcher.isIdle();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    // Carrying out a request can raise notifications, so both must be idle at once.
    for (;;) {
        if (!hardware.waitUntilIdle(deadline) || !dispatcher.waitUntilIdle(deadline))
            return false;
        if (hardware.isIdle() && dispatcher.isIdle())
            return true;
    }
}

SimulatedCounts SimulatedControl::counts() const
{
    return dispatcher.counts();
}

bool SimulatedControl::tryLock()
{
    return libraryLock.tryLock();
}

bool SimulatedControl::isLockedByCurrentThread() const
{
    return libraryLock.isHeldByCurrentThread();
}

std::vector<std::string> SimulatedControl::presentDeviceIds()
{
    LibraryLock::Guard guard(libraryLock);
    std::vector<std::string> ids;
    for (const std::shared_ptr<SimulatedDevice>& device : presentDevices)
        ids.push_back(device->id());
    return ids;
}

void SimulatedControl::setDestructionObserver(std::function<void()> observer)
{
    destructionObserver = std::move(observer);
}

void SimulatedControl::setDeviceCallback(TarvixDeviceCallback* callback)
{
    if (arrivalReporting == ArrivalReporting::WithinRegistration) {
        dispatcher.deliverNow([this, callback] { reportPresentDevicesNow(callback); });
        return;
    }
    LibraryLock::Guard guard(libraryLock);
    deviceListener.store(callback);
    for (const std::shared_ptr<SimulatedDevice>& device : presentDevices)
        postDeviceEvent(DeviceArrival, device->id(), device);
}

void SimulatedControl::reportPresentDevicesNow(TarvixDeviceCallback* callback)
{
    std::vector<std::shared_ptr<SimulatedDevice>> present;
    {
        LibraryLock::Guard guard(libraryLock);
        deviceListener.store(callback);
        present = presentDevices;
    }
    if (!callback)
        return;
    for (const std::shared_ptr<SimulatedDevice>& device : present)
        dispatcher.deliverDeviceEventNow(callback, DeviceArrival, device->id().c_str(),
                                         device->record());
}

void SimulatedControl::plugNow(const SimulatedDeviceConfig& config)
{
    LibraryLock::Guard guard(libraryLock);
    if (findPresent(config.id)) {
        dispatcher.countIgnoredRequest();
        return;
    }
    auto device = std::make_shared<SimulatedDevice>(config, libraryLock, dispatcher);
    presentDevices.push_back(device);
    postDeviceEvent(DeviceArrival, config.id, std::move(device));
}

void SimulatedControl::unplugNow(const std::string& id)
{
    LibraryLock::Guard guard(libraryLock);
    const auto found = std::find_if(
        presentDevices.begin(), presentDevices.end(),
        [&id](const std::shared_ptr<SimulatedDevice>& device) { return device->id() == id; });
    if (found == presentDevices.end()) {
        dispatcher.countIgnoredRequest();
        return;
    }
    std::shared_ptr<SimulatedDevice> device = std::move(*found);
    presentDevices.erase(found);
    device->detach();
    // From here the removal notification owns the device until it has been delivered.
    postDeviceEvent(DeviceRemoval, id, std::move(device));
}

void SimulatedControl::changeEndpointElsewhere(const std::string& id,
                                               SimulatedEndpointKind endpoint,
                                               EndpointChange change)
{
    hardware.post([this, id, endpoint, change = std::move(change)] {
        LibraryLock::Guard guard(libraryLock);
        const std::shared_ptr<SimulatedDevice> device = findPresent(id);
        SimulatedEndpoint* changed = device ? device->endpoint(endpoint) : nullptr;
        if (!changed) {
            dispatcher.countIgnoredRequest();
            return;
        }
        change(*changed);
    });
}

std::shared_ptr<SimulatedDevice> SimulatedControl::findPresent(const std::string& id) const
{
    for (const std::shared_ptr<SimulatedDevice>& device : presentDevices) {
        if (device->id() == id)
            return device;
    }
    return nullptr;
}

void SimulatedControl::postDeviceEvent(CallbackType type, const std::string& id,
                                       std::shared_ptr<SimulatedDevice> device)
{
    TarvixDevice* record = device ? device->record() : nullptr;
    dispatcher.postDeviceEvent(deviceListener, deviceListener.load(), type, id, record,
                               std::move(device));
}
