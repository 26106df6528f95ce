#include "fakedevice.h"

FakeDevice::FakeDevice(const FakeDeviceConfig& config, CallLog* log)
    : id(config.id), name(config.name)
{
    const QString prefix = QString::fromUtf8(id) + '.';
    if (config.hasHid)
        hid = std::make_unique<FakeHid>(prefix + "hid", log);
    if (config.hasInput)
        input = std::make_unique<FakeEndpoint>(prefix + "input", log, config.inputMin,
                                               config.inputMax, config.inputStep);
    if (config.hasOutput)
        output = std::make_unique<FakeEndpoint>(prefix + "output", log, config.outputMin,
                                                config.outputMax, config.outputStep);
    record.id = id.constData();
    record.name = name.constData();
    record.hid = hid.get();
    record.input = input.get();
    record.output = output.get();
}
