// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hidswitches.h"

#include <optional>
#include <string>
#include <vector>

// What a simulated device is made of when it is plugged. Every value is passed through to the
// library's records and getters as it is, hostile ones included (a step of zero, a minimum above
// the maximum, NaN or infinite bounds or levels, an empty or non-ASCII id).

enum class SimulatedEndpointKind { Output, Input };

struct SimulatedEndpointConfig
{
    float minDb = -96.0f;
    float maxDb = 0.0f;
    float stepDb = 0.5f;
    float leftDb = -20.0f;
    float rightDb = -20.0f;
    bool mute = false;
    int channelCount = 2;
};

struct SimulatedDeviceConfig
{
    std::string id;   // UTF-8; the library refuses a second present device with the same id
    std::string name; // UTF-8
    std::optional<SimulatedEndpointConfig> output;
    std::optional<SimulatedEndpointConfig> input;
    std::optional<SwitchStates> hid; // no value: the device has no HID interface

    // Playback endpoint of the default devices: -96 dB to maxDb in 0.5 dB steps, at -20 dB.
    static SimulatedEndpointConfig defaultOutput(float maxDb);
    // Record endpoint of the default devices: 0 to 20 dB in 2 dB steps, at 8 dB.
    static SimulatedEndpointConfig defaultInput();

    // The two devices a control starts with. "TVX-DUO-0001", "Tarvix Duo USB": output up to
    // 0 dB, input and HID (all switches off). "TVX-SOLO-0002", "Tarvix Solo USB": output up to
    // +6 dB and input, no HID interface.
    static SimulatedDeviceConfig duo();
    static SimulatedDeviceConfig solo();
    // Both, in that order.
    static std::vector<SimulatedDeviceConfig> defaults();
};
