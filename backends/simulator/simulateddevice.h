// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kitdevice.h"
#include "simulateddeviceconfig.h"
#include "simulatedendpoint.h"
#include "simulatedhid.h"

// A plugged simulated device: the record the library hands out and the objects it points to.
// Owned by the library; everything but the constructor is called with the library lock held.
class SimulatedDevice final : public KitDevice<SimulatedEndpoint, SimulatedHID>
{
public:
    SimulatedDevice(const SimulatedDeviceConfig& config, LibraryLock& lock,
                    NotificationDispatcher& dispatcher);

    // Null when the device lacks that part.
    SimulatedEndpoint* endpoint(SimulatedEndpointKind kind) const;

    SimulatedDeviceConfig state() const;

    // Unplugged: the objects stay valid but no longer act or report.
    void detach();
};
