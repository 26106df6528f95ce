// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "calllog.h"
#include "fakedevice.h"
#include "tarvixcontrol.h"
#include "tarvixdevicecallback.h"
#include "tarvixlibrary.h"

#include <QByteArray>
#include <QList>
#include <QMap>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A device library for tests where the exact calls and their order matter. It runs no threads
// of its own: tests decide when and on which thread a notification is sent. Unplugged devices
// stay allocated until the library is deleted, so pointers the window still holds stay valid.
class RecordingLibrary : public TarvixControl
{
public:
    const char* backendName() override { return "Recording test library"; }
    TarvixDevice* getDevice(const char* id) override
    {
        log.append(QStringLiteral("getDevice(%1)").arg(QString::fromUtf8(id)));
        FakeDevice* found = present.value(id);
        return found ? &found->record : nullptr;
    }
    std::vector<std::string> presentDeviceIds() override
    {
        std::vector<std::string> ids;
        for (const QByteArray& id : present.keys())
            ids.push_back(id.toStdString());
        return ids;
    }
    void lock() override
    {
        mutex.lock();
        log.append(QStringLiteral("lock"));
        maxLockDepth = std::max(maxLockDepth.load(), ++lockDepth);
    }
    void unlock() override
    {
        --lockDepth;
        log.append(QStringLiteral("unlock"));
        mutex.unlock();
    }

    // Makes a device present, or absent, without telling anyone.
    FakeDevice* plug(const FakeDeviceConfig& config)
    {
        devices.push_back(std::make_unique<FakeDevice>(config, &log));
        return latest[config.id] = present[config.id] = devices.back().get();
    }
    void unplug(const QByteArray& id) { present.remove(id); }
    // The present device, else the one unplugged last.
    FakeDevice* device(const QByteArray& id) const { return latest.value(id); }

    // Sends a notification on the calling thread, with the present record (or the unplugged one
    // for a removal); or from a thread of its own, waiting for that thread to end.
    void notify(CallbackType type, const QByteArray& id)
    {
        FakeDevice* target = type == DeviceRemoval ? latest.value(id) : present.value(id);
        if (deviceCallback)
            deviceCallback->onDeviceEvent(type, id.constData(), target ? &target->record : nullptr);
    }
    void notifyFromThread(CallbackType type, const QByteArray& id)
    {
        std::thread([=] { notify(type, id); }).join();
    }

    // Devices whose arrival registerTarvixDeviceCallback() reports from within the call.
    QList<QByteArray> arrivalsOnRegister;

    CallLog log;
    TarvixDeviceCallback* deviceCallback = nullptr;
    std::atomic<int> lockDepth{0};
    std::atomic<int> maxLockDepth{0};

protected:
    void setDeviceCallback(TarvixDeviceCallback* callback) override
    {
        log.append(QStringLiteral("registerTarvixDeviceCallback"));
        deviceCallback = callback;
        for (const QByteArray& id : arrivalsOnRegister)
            notify(DeviceArrival, id);
    }

private:
    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<FakeDevice>> devices;
    QMap<QByteArray, FakeDevice*> present, latest;
};
