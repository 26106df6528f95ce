#pragma once

#include "calllog.h"
#include "fakedevice.h"
#include "tarvixcontrol.h"
#include "tarvixlibrary.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// A device library for tests where the exact calls and their order matter. It runs no threads
// of its own: tests decide when and on which thread a notification is sent. Devices that are
// unplugged stay allocated until the library is deleted, so pointers the window still holds stay
// valid for inspection.
class RecordingLibrary : public TarvixControl
{
public:
    RecordingLibrary() = default;
    ~RecordingLibrary() override;

    const char* backendName() override;
    TarvixDevice* getDevice(const char* id) override;
    void lock() override;
    void unlock() override;

    // Makes a device present without telling anyone.
    FakeDevice* plug(const FakeDeviceConfig& config);
    // Makes a device absent without telling anyone; its objects stay allocated.
    void unplug(const QByteArray& id);
    FakeDevice* device(const QByteArray& id) const;

    // Sends a notification on the calling thread, with the present record (or the unplugged one
    // for a removal).
    void notify(CallbackType type, const QByteArray& id);
    // Sends it from a thread of its own and waits for that thread to end.
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
    FakeDevice* find(const QByteArray& id, bool includeUnplugged) const;

    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<FakeDevice>> present;
    std::vector<std::unique_ptr<FakeDevice>> unplugged;
};
