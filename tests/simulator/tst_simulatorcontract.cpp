#include "controlcontract.h"
#include "simulatedcontrol.h"

#include <QCoreApplication>

#include <string>

// The simulator against the contract of every TarvixControl, its devices moved through
// SimulatedHardware.
class SimulatorBackend final : public ContractBackend
{
public:
    std::unique_ptr<TarvixControl> create() override
    {
        return std::make_unique<SimulatedControl>();
    }
    std::vector<std::string> presentIds(TarvixControl& control) override
    {
        std::vector<std::string> ids;
        for (const SimulatedDeviceConfig& device : hardware(control).presentDevices())
            ids.push_back(device.id);
        return ids;
    }
    std::string plug(TarvixControl& control) override
    {
        SimulatedDeviceConfig device = SimulatedDeviceConfig::duo();
        device.id = "TVX-CONTRACT-" + std::to_string(++plugged);
        hardware(control).plugDevice(device);
        return device.id;
    }
    void unplug(TarvixControl& control, const std::string& id) override
    {
        hardware(control).unplugDevice(id);
    }
    void changeLevel(TarvixControl& control, const std::string& id, float db) override
    {
        hardware(control).changeVolumeLeft(id, SimulatedEndpointKind::Output, db);
    }

private:
    static SimulatedHardware& hardware(TarvixControl& control)
    {
        return dynamic_cast<SimulatedHardware&>(control);
    }
    int plugged = 0;
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    SimulatorBackend backend;
    return runControlContract(backend, argc, argv);
}
