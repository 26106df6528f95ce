#include "simulateddevicespec.h"

SimulatedEndpointSpec SimulatedDeviceSpec::defaultOutput(float maxDb)
{
    SimulatedEndpointSpec spec;
    spec.minDb = -96.0f;
    spec.maxDb = maxDb;
    spec.stepDb = 0.5f;
    spec.leftDb = -20.0f;
    spec.rightDb = -20.0f;
    return spec;
}

SimulatedEndpointSpec SimulatedDeviceSpec::defaultInput()
{
    // A step between 1.4 and 2.8 dB keeps the input slider's first position (2.8 dB) on
    // position 1 when the level is read back.
    SimulatedEndpointSpec spec;
    spec.minDb = 0.0f;
    spec.maxDb = 20.0f;
    spec.stepDb = 2.0f;
    spec.leftDb = 8.0f;
    spec.rightDb = 8.0f;
    return spec;
}

SimulatedDeviceSpec SimulatedDeviceSpec::duo()
{
    SimulatedDeviceSpec spec;
    spec.id = "TVX-DUO-0001";
    spec.name = "Tarvix Duo USB";
    spec.output = defaultOutput(0.0f);
    spec.input = defaultInput();
    spec.hid = SimulatedSwitches();
    return spec;
}

SimulatedDeviceSpec SimulatedDeviceSpec::solo()
{
    SimulatedDeviceSpec spec;
    spec.id = "TVX-SOLO-0002";
    spec.name = "Tarvix Solo USB";
    spec.output = defaultOutput(6.0f);
    spec.input = defaultInput();
    return spec;
}
