#pragma once

#include "fakeendpoint.h"
#include "fakehid.h"
#include "tarvixdevice.h"

#include <QByteArray>

#include <memory>

// What a fake device has. Ranges are (min, max, step) in dB.
struct FakeDeviceConfig
{
    QByteArray id;
    QByteArray name;
    bool hasHid = true;
    bool hasInput = true;
    bool hasOutput = true;
    float outputMin = -96.0f, outputMax = 0.0f, outputStep = 0.5f;
    float inputMin = 0.0f, inputMax = 60.0f, inputStep = 2.0f;
};

// A device record with fake endpoints whose calls are logged as "<id>.output.<call>",
// "<id>.input.<call>" and "<id>.hid.<call>".
class FakeDevice
{
public:
    FakeDevice(const FakeDeviceConfig& config, CallLog* log);

    TarvixDevice record;
    QByteArray id;
    QByteArray name;
    std::unique_ptr<FakeHid> hid;
    std::unique_ptr<FakeEndpoint> input;
    std::unique_ptr<FakeEndpoint> output;
};
