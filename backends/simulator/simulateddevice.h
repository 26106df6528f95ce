#pragma once

#include "simulateddeviceconfig.h"
#include "simulatedendpoint.h"
#include "simulatedhid.h"
#include "tarvixdevice.h"

#include <memory>
#include <string>

// A plugged simulated device: the record the library hands out and the objects it points to.
// Owned by the library; everything but the constructor is called with the library lock held.
class SimulatedDevice final : public TarvixDevice
{
public:
    SimulatedDevice(const SimulatedDeviceConfig& config, LibraryLock& lock,
                    NotificationDispatcher& dispatcher);

    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // Null when the device lacks that part.
    SimulatedEndpoint* endpoint(SimulatedEndpointKind kind);
    SimulatedHID* simulatedHid() { return hidInterface.get(); }

    SimulatedDeviceConfig state() const;

    // Unplugged: the objects stay valid but no longer act or report.
    void detach();

private:
    const std::string idText;
    const std::string nameText;
    std::unique_ptr<SimulatedEndpoint> outputEndpoint;
    std::unique_ptr<SimulatedEndpoint> inputEndpoint;
    std::unique_ptr<SimulatedHID> hidInterface;
};
