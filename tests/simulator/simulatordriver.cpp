#include "simulatordriver.h"

#include <future>
#include <memory>

namespace SimulatorDriver {

bool waitUntilDelivered(SimulatedHardware& hardware, int timeoutMs)
{
    const auto done = std::make_shared<std::promise<void>>();
    std::future<void> delivered = done->get_future();
    hardware.whenDone([done] { done->set_value(); });
    return delivered.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
}

} // namespace SimulatorDriver
