#include "simulateddevice.h"

namespace {

std::unique_ptr<SimulatedEndpoint> makeEndpoint(const std::optional<SimulatedEndpointSpec>& spec,
                                                LibraryLock& lock,
                                                NotificationDispatcher& dispatcher)
{
    if (!spec)
        return nullptr;
    return std::make_unique<SimulatedEndpoint>(*spec, lock, dispatcher);
}

} // namespace

SimulatedDevice::SimulatedDevice(const SimulatedDeviceSpec& spec, LibraryLock& lock,
                                 NotificationDispatcher& dispatcher)
    : idText(spec.id), nameText(spec.name), output(makeEndpoint(spec.output, lock, dispatcher)),
      input(makeEndpoint(spec.input, lock, dispatcher))
{
    if (spec.hid)
        hidInterface = std::make_unique<SimulatedHID>(*spec.hid, lock, dispatcher);
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
