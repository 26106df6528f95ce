#include "fakedevice.h"

FakeDevice::FakeDevice(const FakeDeviceSpec& spec, CallLog* log) : id(spec.id), name(spec.name)
{
    const QString prefix = QString::fromUtf8(id) + '.';
    if (spec.hasHid)
        hid = std::make_unique<FakeHid>(prefix + "hid", log);
    if (spec.hasInput)
        input = std::make_unique<FakeEndpoint>(prefix + "input", log, spec.inputMin, spec.inputMax,
                                               spec.inputStep);
    if (spec.hasOutput)
        output = std::make_unique<FakeEndpoint>(prefix + "output", log, spec.outputMin,
                                                spec.outputMax, spec.outputStep);
    record.id = id.constData();
    record.name = name.constData();
    record.hid = hid.get();
    record.input = input.get();
    record.output = output.get();
}
