#pragma once

#include "tarvixmixerdevicecallback.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

// Counts level notifications and notes their threads, whether their arguments kept rising and
// whether two calls overlapped. An optional hook runs inside each call.
class RecordingVolumeListener final : public TarvixMixerDeviceCallback
{
public:
    using Hook = std::function<void(std::int32_t)>;

    explicit RecordingVolumeListener(Hook hook = nullptr) : hook(std::move(hook)) {}

    void onVolumeChanged(std::int32_t sequence) override
    {
        overlapped = inside.exchange(true) || overlapped;
        if (hook)
            hook(sequence);
        std::lock_guard<std::mutex> guard(mutex);
        increasing = increasing && (count == 0 || sequence > last);
        last = sequence;
        ++count;
        threads.insert(std::this_thread::get_id());
        inside = false;
    }

    int calls()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return count;
    }

    bool argumentsIncrease()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return increasing;
    }

    std::set<std::thread::id> callingThreads()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return threads;
    }

    bool callsOverlapped() const { return overlapped; }

private:
    const Hook hook;
    std::atomic<bool> inside{false};
    std::atomic<bool> overlapped{false};
    std::mutex mutex;
    int count = 0;
    std::int32_t last = 0;
    bool increasing = true;
    std::set<std::thread::id> threads;
};
