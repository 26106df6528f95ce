#include "recordinglibrary.h"

#include "tarvixdevicecallback.h"

#include <algorithm>
#include <thread>

TarvixDevice* RecordingLibrary::getDevice(const char* id)
{
    log.append(QStringLiteral("getDevice(%1)").arg(QString::fromUtf8(id)));
    const auto found = present.find(QByteArray(id));
    return found == present.end() ? nullptr : &found->second->record;
}

void RecordingLibrary::lock()
{
    mutex.lock();
    log.append(QStringLiteral("lock"));
    maxLockDepth = std::max(maxLockDepth.load(), ++lockDepth);
}

void RecordingLibrary::unlock()
{
    --lockDepth;
    log.append(QStringLiteral("unlock"));
    mutex.unlock();
}

FakeDevice* RecordingLibrary::plug(const FakeDeviceConfig& config)
{
    return (present[config.id] = std::make_unique<FakeDevice>(config, &log)).get();
}

void RecordingLibrary::unplug(const QByteArray& id)
{
    const auto found = present.find(id);
    if (found == present.end())
        return;
    unplugged.push_back(std::move(found->second));
    present.erase(found);
}

FakeDevice* RecordingLibrary::device(const QByteArray& id) const
{
    if (present.count(id))
        return present.at(id).get();
    for (auto it = unplugged.rbegin(); it != unplugged.rend(); ++it) {
        if ((*it)->id == id)
            return it->get();
    }
    return nullptr;
}

void RecordingLibrary::notify(CallbackType type, const QByteArray& id)
{
    FakeDevice* target = present.count(id) || type == DeviceRemoval ? device(id) : nullptr;
    if (deviceCallback)
        deviceCallback->onDeviceEvent(type, id.constData(), target ? &target->record : nullptr);
}

void RecordingLibrary::notifyFromThread(CallbackType type, const QByteArray& id)
{
    std::thread([=] { notify(type, id); }).join();
}

void RecordingLibrary::setDeviceCallback(TarvixDeviceCallback* callback)
{
    log.append(QStringLiteral("registerTarvixDeviceCallback"));
    deviceCallback = callback;
    for (const QByteArray& id : arrivalsOnRegister)
        notify(DeviceArrival, id);
}
