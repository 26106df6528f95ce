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
      output(makeEndpoint(config.output, lock, dispatcher)),
      input(makeEndpoint(config.input, lock, dispatcher))
{
    if (config.hid)
        hidInterface = std::make_unique<SimulatedHID>(*config.hid, lock, dispatcher);
    tarvixDevice.id = idText.c_str();
    tarvixDevice.name = nameText.c_str();
    tarvixDevice.hid = hidInterface.get();
    tarvixDevice.input = input.get();
    tarvixDevice.output = output.get();
}

SimulatedEndpoint* SimulatedDevice::endpoint(SimulatedEndpointKind kind)
{
    return kind == SimulatedEndpointKind::Output ? output.get() : input.get();
}

void SimulatedDevice::detach()
{
    if (output)
        output->detach();
    if (input)
        input->detach();
    if (hidInterface)
        hidInterface->detach();
}
