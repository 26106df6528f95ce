#pragma once

#include "calllog.h"
#include "fakedevice.h"
#include "presetexample.h"
#include "presetreader.h"
#include "presetwriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

// What reading kExampleDocument does to a device "d" with the default input step of 2 dB.
inline QStringList exampleCalls()
{
    return {
        "d.output.setVolumeLeft(-20.5)", "d.output.setVolumeRight(-20.5)",
        "d.output.setMute(false)",       "d.input.getVolumeRange",
        "d.input.setVolumeLeft(6)",      "d.input.setVolumeRight(6)",
        "d.input.setMute(false)",        "d.hid.setPhantomLeft(true)",
        "d.hid.setPhantomRight(true)",   "d.hid.setLoopbackLeft(false)",
        "d.hid.setLoopbackRight(false)",
    };
}

inline FakeDeviceConfig deviceConfig(bool hasOutput = true, bool hasInput = true,
                                     bool hasHid = true, float inputStep = 2.0f)
{
    FakeDeviceConfig config;
    config.id = "d";
    config.name = "Device";
    config.hasOutput = hasOutput;
    config.hasInput = hasInput;
    config.hasHid = hasHid;
    config.inputStep = inputStep;
    return config;
}

// A fake device with its own call log.
struct LoggedDevice
{
    explicit LoggedDevice(const FakeDeviceConfig& config = deviceConfig()) : fake(config, &log) {}

    QStringList calls() const { return log.deviceCalls(); }

    CallLog log;
    FakeDevice fake;
};

// The state the example document describes: output at -20.5 dB, input at slider position 3
// (3 x 2 dB), both unmuted, phantom power on, loopback off.
inline void setExampleState(FakeDevice& fake)
{
    if (fake.output)
        fake.output->left = fake.output->right = -20.5f;
    if (fake.input)
        fake.input->left = fake.input->right = 3 * fake.input->stepDb;
    if (fake.hid)
        fake.hid->phantomLeft = fake.hid->phantomRight = true;
}

inline QByteArray inTarvix(const QByteArray& content)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tarvix>" + content + "</Tarvix>\n";
}

inline QByteArray writtenDocument(TarvixDevice* device)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writePreset(&buffer, device);
    return buffer.data();
}

// Result of readPreset on the document.
inline bool readDocument(const QByteArray& document, TarvixDevice* device)
{
    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    return readPreset(&buffer, device);
}
