#pragma once

#include "calllog.h"
#include "fakedevice.h"
#include "tarvixcontrol.h"
#include "tarvixlibrary.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// A device library for tests where the exact calls and their order matter. It runs no threads
// of its own: tests decide when and on which thread a notification is sent. Unplugged devices
// stay allocated until the library is deleted, so pointers the window still holds stay valid.
class RecordingLibrary : public TarvixControl
{
public:
    const char* backendName() override { return "Recording test library"; }
    TarvixDevice* getDevice(const char* id) override;
    void lock() override;
    void unlock() override;

    // Makes a device present, or absent, without telling anyone.
    FakeDevice* plug(const FakeDeviceConfig& config);
    void unplug(const QByteArray& id);
    // The present device, else the one unplugged last.
    FakeDevice* device(const QByteArray& id) const;

    // Sends a notification on the calling thread, with the present record (or the unplugged one
    // for a removal); or from a thread of its own, waiting for that thread to end.
    void notify(CallbackType type, const QByteArray& id);
    void notifyFromThread(CallbackType type, const QByteArray& id);

    // Devices whose arrival registerTarvixDeviceCallback() reports from within the call.
    QList<QByteArray> arrivalsOnRegister;

    CallLog log;
    TarvixDeviceCallback* deviceCallback = nullptr;
    std::atomic<int> lockDepth{0};
    std::atomic<int> maxLockDepth{0};

protected:
    void setDeviceCallback(TarvixDeviceCallback* callback) override;

private:
    std::recursive_mutex mutex;
    std::map<QByteArray, std::unique_ptr<FakeDevice>> present;
    std::vector<std::unique_ptr<FakeDevice>> unplugged;
};
