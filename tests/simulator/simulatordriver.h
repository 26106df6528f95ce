#pragma once

#include "simulatedhardware.h"

#include <vector>

// What tests add to driving the simulator through SimulatedHardware.
namespace SimulatorDriver {

inline const std::vector<SimulatedDeviceConfig> noDevices;

// Waits until every request made before the call has been carried out and every notification
// that arose from it delivered. False on timeout, which is certain when the caller holds the
// library lock while a delivery waits for it, or is the delivery thread itself.
bool waitUntilDelivered(SimulatedHardware& hardware, int timeoutMs = 5000);

} // namespace SimulatorDriver
