#pragma once

#include "tarvixmixerdevicecallback.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Records the argument and thread of every level notification and notices overlapping calls.
class RecordingVolumeListener final : public TarvixMixerDeviceCallback
{
public:
    using Hook = std::function<void(std::int32_t)>;

    explicit RecordingVolumeListener(Hook hook = nullptr) : hook(std::move(hook)) {}

    void onVolumeChanged(std::int32_t sequence) override
    {
        if (inside.fetch_add(1) != 0)
            overlapped.store(true);
        if (hook)
            hook(sequence);
        {
            std::lock_guard<std::mutex> guard(mutex);
            sequences.push_back(sequence);
            threads.push_back(std::this_thread::get_id());
        }
        inside.fetch_sub(1);
    }

    std::vector<std::int32_t> arguments()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return sequences;
    }

    std::vector<std::thread::id> callingThreads()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return threads;
    }

    int calls()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return static_cast<int>(sequences.size());
    }

    bool callsOverlapped() const { return overlapped.load(); }

private:
    const Hook hook;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::mutex mutex;
    std::vector<std::int32_t> sequences;
    std::vector<std::thread::id> threads;
};
