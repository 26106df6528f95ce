// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulateddeviceconfig.h"

#include "inputscale.h"

SimulatedEndpointConfig SimulatedDeviceConfig::defaultOutput(float maxDb)
{
    SimulatedEndpointConfig config;
    config.minDb = -96.0f;
    config.maxDb = maxDb;
    config.stepDb = 0.5f;
    config.leftDb = -20.0f;
    config.rightDb = -20.0f;
    return config;
}

SimulatedEndpointConfig SimulatedDeviceConfig::defaultInput()
{
    SimulatedEndpointConfig config;
    config.minDb = 0.0f;
    config.maxDb = 20.0f;
    config.stepDb = InputScale::kStepDb;
    config.leftDb = 8.0f;
    config.rightDb = 8.0f;
    return config;
}

SimulatedDeviceConfig SimulatedDeviceConfig::duo()
{
    SimulatedDeviceConfig config;
    config.id = "TVX-DUO-0001";
    config.name = "Tarvix Duo USB";
    config.output = defaultOutput(0.0f);
    config.input = defaultInput();
    config.hid = SwitchStates();
    return config;
}

SimulatedDeviceConfig SimulatedDeviceConfig::solo()
{
    SimulatedDeviceConfig config;
    config.id = "TVX-SOLO-0002";
    config.name = "Tarvix Solo USB";
    config.output = defaultOutput(6.0f);
    config.input = defaultInput();
    return config;
}

std::vector<SimulatedDeviceConfig> SimulatedDeviceConfig::defaults()
{
    return {duo(), solo()};
}
