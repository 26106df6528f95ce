// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simulatedhardware.h"

#include <future>
#include <memory>

// What tests add to driving the simulator through SimulatedHardware.
namespace SimulatorDriver {

inline const std::vector<SimulatedDeviceConfig> noDevices;

// Waits until every request made before the call has been carried out and every notification
// that arose from it delivered. False on timeout, which is certain when the caller holds the
// library lock while a delivery waits for it, or is the delivery thread itself.
inline bool waitUntilDelivered(SimulatedHardware& hardware, int timeoutMs = 5000)
{
    const auto done = std::make_shared<std::promise<void>>();
    std::future<void> delivered = done->get_future();
    hardware.whenDone([done] { done->set_value(); });
    return delivered.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
}

} // namespace SimulatorDriver
