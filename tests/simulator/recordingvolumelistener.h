#pragma once

#include "tarvixmixerdevicecallback.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
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
            threads.insert(std::this_thread::get_id());
        }
        inside.fetch_sub(1);
    }

    int calls()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return static_cast<int>(sequences.size());
    }

    bool argumentsIncrease()
    {
        std::lock_guard<std::mutex> guard(mutex);
        for (std::size_t i = 1; i < sequences.size(); ++i) {
            if (sequences[i] <= sequences[i - 1])
                return false;
        }
        return true;
    }

    std::set<std::thread::id> callingThreads()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return threads;
    }

    bool callsOverlapped() const { return overlapped.load(); }

private:
    const Hook hook;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::mutex mutex;
    std::vector<std::int32_t> sequences;
    std::set<std::thread::id> threads;
};
