#include "recordinglibrary.h"

#include "tarvixdevicecallback.h"

#include <algorithm>
#include <thread>

RecordingLibrary::~RecordingLibrary() = default;

const char* RecordingLibrary::backendName()
{
    return "Recording test library";
}

TarvixDevice* RecordingLibrary::getDevice(const char* id)
{
    log.append(QStringLiteral("getDevice(%1)").arg(QString::fromUtf8(id)));
    FakeDevice* found = find(QByteArray(id), false);
    return found ? &found->record : nullptr;
}

void RecordingLibrary::lock()
{
    mutex.lock();
    log.append(QStringLiteral("lock"));
    const int depth = ++lockDepth;
    if (depth > maxLockDepth)
        maxLockDepth = depth;
}

void RecordingLibrary::unlock()
{
    --lockDepth;
    log.append(QStringLiteral("unlock"));
    mutex.unlock();
}

FakeDevice* RecordingLibrary::plug(const FakeDeviceConfig& config)
{
    present.push_back(std::make_unique<FakeDevice>(config, &log));
    return present.back().get();
}

void RecordingLibrary::unplug(const QByteArray& id)
{
    auto it = std::find_if(present.begin(), present.end(),
                           [&](const auto& device) { return device->id == id; });
    if (it == present.end())
        return;
    unplugged.push_back(std::move(*it));
    present.erase(it);
}

FakeDevice* RecordingLibrary::device(const QByteArray& id) const
{
    return find(id, true);
}

FakeDevice* RecordingLibrary::find(const QByteArray& id, bool includeUnplugged) const
{
    for (const auto& device : present) {
        if (device->id == id)
            return device.get();
    }
    if (includeUnplugged) {
        for (auto it = unplugged.rbegin(); it != unplugged.rend(); ++it) {
            if ((*it)->id == id)
                return it->get();
        }
    }
    return nullptr;
}

void RecordingLibrary::notify(CallbackType type, const QByteArray& id)
{
    FakeDevice* target = find(id, type == DeviceRemoval);
    if (deviceCallback)
        deviceCallback->onDeviceEvent(type, id.constData(), target ? &target->record : nullptr);
}

void RecordingLibrary::notifyFromThread(CallbackType type, const QByteArray& id)
{
    std::thread sender([&] { notify(type, id); });
    sender.join();
}

void RecordingLibrary::setDeviceCallback(TarvixDeviceCallback* callback)
{
    log.append(QStringLiteral("registerTarvixDeviceCallback"));
    deviceCallback = callback;
    for (const QByteArray& id : arrivalsOnRegister)
        notify(DeviceArrival, id);
}
