// SPDX-License-Identifier: GPL-3.0-or-later
#include "backendcontrol.h"

#include <algorithm>

BackendControl::BackendControl() = default;

BackendControl::~BackendControl()
{
    stopDelivering();
}

TarvixDevice* BackendControl::getDevice(const char* id)
{
    if (!id)
        return nullptr;
    LibraryLock::Guard guard(lockObject);
    return findDevice(id).get();
}

void BackendControl::lock()
{
    lockObject.lock();
}

void BackendControl::unlock()
{
    lockObject.unlock();
}

std::vector<std::string> BackendControl::presentDeviceIds()
{
    LibraryLock::Guard guard(lockObject);
    std::vector<std::string> ids;
    ids.reserve(devices.size());
    for (const std::shared_ptr<TarvixDevice>& device : devices)
        ids.emplace_back(device->id ? device->id : "");
    return ids;
}

void BackendControl::setDeviceCallback(TarvixDeviceCallback* callback)
{
    LibraryLock::Guard guard(lockObject);
    deviceListener.store(callback);
    for (const std::shared_ptr<TarvixDevice>& device : devices)
        dispatcher.postDeviceEvent(deviceListener, DeviceArrival, device);
}

void BackendControl::addDevice(std::shared_ptr<TarvixDevice> device)
{
    devices.push_back(device);
    dispatcher.postDeviceEvent(deviceListener, DeviceArrival, std::move(device));
}

std::shared_ptr<TarvixDevice> BackendControl::removeDevice(const std::string& id)
{
    const auto found = std::find_if(
        devices.begin(), devices.end(),
        [&id](const std::shared_ptr<TarvixDevice>& device) { return device->id == id; });
    if (found == devices.end())
        return nullptr;
    std::shared_ptr<TarvixDevice> device = std::move(*found);
    devices.erase(found);
    // From here the removal notification keeps the device alive until it has been delivered.
    dispatcher.postDeviceEvent(deviceListener, DeviceRemoval, device);
    return device;
}

void BackendControl::reportDeviceChange(const std::string& id)
{
    if (std::shared_ptr<TarvixDevice> device = findDevice(id))
        dispatcher.postDeviceEvent(deviceListener, DeviceChange, std::move(device));
}

std::shared_ptr<TarvixDevice> BackendControl::findDevice(const std::string& id) const
{
    for (const std::shared_ptr<TarvixDevice>& device : devices) {
        if (device->id == id)
            return device;
    }
    return nullptr;
}

void BackendControl::stopDelivering()
{
    dispatcher.stop();
}
