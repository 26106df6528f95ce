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
    : idText(config.id), nameText(config.name),
      outputEndpoint(makeEndpoint(config.output, lock, dispatcher)),
      inputEndpoint(makeEndpoint(config.input, lock, dispatcher))
{
    if (config.hid)
        hidInterface = std::make_unique<SimulatedHID>(*config.hid, lock);
    TarvixDevice::id = idText.c_str();
    TarvixDevice::name = nameText.c_str();
    TarvixDevice::hid = hidInterface.get();
    TarvixDevice::input = inputEndpoint.get();
    TarvixDevice::output = outputEndpoint.get();
}

SimulatedEndpoint* SimulatedDevice::endpoint(SimulatedEndpointKind kind)
{
    return kind == SimulatedEndpointKind::Output ? outputEndpoint.get() : inputEndpoint.get();
}

SimulatedDeviceConfig SimulatedDevice::state() const
{
    SimulatedDeviceConfig state{idText, nameText, {}, {}, {}};
    if (outputEndpoint)
        state.output = outputEndpoint->state();
    if (inputEndpoint)
        state.input = inputEndpoint->state();
    if (hidInterface)
        state.hid = hidInterface->switches();
    return state;
}

void SimulatedDevice::detach()
{
    if (outputEndpoint)
        outputEndpoint->detach();
    if (inputEndpoint)
        inputEndpoint->detach();
    if (hidInterface)
        hidInterface->detach();
}
