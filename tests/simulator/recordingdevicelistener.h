#pragma once

#include "tarvixdevice.h"
#include "tarvixdevicecallback.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct DeviceEventRecord
{
    CallbackType type;
    std::string id;
    TarvixDevice* device;
    std::thread::id thread;
};

// Records every device notification; an optional hook runs inside the call, before recording.
class RecordingDeviceListener final : public TarvixDeviceCallback
{
public:
    using Hook = std::function<void(CallbackType, const char*, TarvixDevice*)>;

    explicit RecordingDeviceListener(Hook hook = nullptr) : hook(std::move(hook)) {}

    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override
    {
        if (hook)
            hook(type, id, device);
        std::lock_guard<std::mutex> guard(mutex);
        recorded.push_back({type, id ? id : "", device, std::this_thread::get_id()});
    }

    std::vector<DeviceEventRecord> events()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return recorded;
    }

private:
    const Hook hook;
    std::mutex mutex;
    std::vector<DeviceEventRecord> recorded;
};
