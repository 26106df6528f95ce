#pragma once

#include "simulateddeviceconfig.h"
#include "simulatedendpoint.h"
#include "simulatedhid.h"
#include "tarvixdevice.h"

#include <memory>
#include <string>

// A plugged simulated device: the record the library hands out and the objects it points to.
class SimulatedDevice
{
public:
    SimulatedDevice(const SimulatedDeviceConfig& config, LibraryLock& lock,
                    NotificationDispatcher& dispatcher);

    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    TarvixDevice* record() { return &tarvixDevice; }
    const std::string& id() const { return idText; }

    // Null when the device lacks that part.
    SimulatedEndpoint* endpoint(SimulatedEndpointKind kind);
    SimulatedHID* hid() { return hidInterface.get(); }

    // Unplugged: the objects stay valid but no longer act or report. The caller holds the
    // library lock.
    void detach();

private:
    const std::string idText;
    const std::string nameText;
    std::unique_ptr<SimulatedEndpoint> output;
    std::unique_ptr<SimulatedEndpoint> input;
    std::unique_ptr<SimulatedHID> hidInterface;
    TarvixDevice tarvixDevice;
};
