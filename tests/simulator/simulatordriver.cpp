#include "simulatordriver.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace SimulatorDriver {

bool waitUntilDelivered(SimulatedHardware& hardware, int timeoutMs)
{
    struct Done
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
    };
    const auto state = std::make_shared<Done>();
    hardware.whenDone([state] {
        std::lock_guard<std::mutex> guard(state->mutex);
        state->done = true;
        state->changed.notify_all();
    });
    std::unique_lock<std::mutex> guard(state->mutex);
    return state->changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                   [&state] { return state->done; });
}

} // namespace SimulatorDriver
