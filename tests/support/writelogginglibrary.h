#pragma once

#include "calllog.h"
#include "tarvixcontrol.h"
#include "tarvixdevicecallback.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

// A device library in front of another that passes every call through and logs each write to a
// device (level, mute, switch) as "<id>.output.setVolumeLeft(-10)", for tests about what the
// window writes to real backends. Notifications pass through on the inner library's threads.
// The records of removed devices stay allocated until the wrapper goes.
class WriteLoggingLibrary final : public TarvixControl, private TarvixDeviceCallback
{
public:
    explicit WriteLoggingLibrary(TarvixControl& inner);
    ~WriteLoggingLibrary() override;

    const char* backendName() override;
    TarvixDevice* getDevice(const char* id) override;
    void lock() override;
    void unlock() override;

    CallLog writes;

protected:
    void setDeviceCallback(TarvixDeviceCallback* callback) override;

private:
    struct Wrapped;

    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override;
    TarvixDevice* wrap(TarvixDevice* device);

    TarvixControl& inner;
    TarvixDeviceCallback* listener = nullptr;
    std::mutex mutex; // guards the two below
    std::map<TarvixDevice*, std::unique_ptr<Wrapped>> present;
    std::vector<std::unique_ptr<Wrapped>> removed;
};
