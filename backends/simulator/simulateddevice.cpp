// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulateddevice.h"

namespace {

std::unique_ptr<SimulatedEndpoint>
makeEndpoint(const std::optional<SimulatedEndpointConfig>& config, LibraryLock& lock,
             NotificationDispatcher& dispatcher)
{
    if (!config)
        return nullptr;
    return std::make_unique<SimulatedEndpoint>(*config, lock, dispatcher);
}

} // namespace

SimulatedDevice::SimulatedDevice(const SimulatedDeviceConfig& config, LibraryLock& lock,
                                 NotificationDispatcher& dispatcher)
    : KitDevice(config.id, config.name)
{
    setParts(makeEndpoint(config.output, lock, dispatcher),
             makeEndpoint(config.input, lock, dispatcher),
             config.hid ? std::make_unique<SimulatedHID>(*config.hid, lock) : nullptr);
}

SimulatedEndpoint* SimulatedDevice::endpoint(SimulatedEndpointKind kind) const
{
    return kind == SimulatedEndpointKind::Output ? outputEndpoint() : inputEndpoint();
}

SimulatedDeviceConfig SimulatedDevice::state() const
{
    SimulatedDeviceConfig state{id, name, {}, {}, {}};
    if (outputEndpoint())
        state.output = outputEndpoint()->state();
    if (inputEndpoint())
        state.input = inputEndpoint()->state();
    if (switches())
        state.hid = switches()->switches();
    return state;
}

void SimulatedDevice::detach()
{
    for (SimulatedEndpoint* endpoint : {outputEndpoint(), inputEndpoint()}) {
        if (endpoint)
            endpoint->detach();
    }
    if (switches())
        switches()->detach();
}
