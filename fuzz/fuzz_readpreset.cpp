// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to readPreset() as a preset file and checks what reaches the device.
//
// The device is built here rather than taken from the test doubles, so the fuzzer builds without
// the tests. It aborts on anything a device library must never receive from a preset: a
// non-finite level other than an output's mute step, or more calls than the preset has fields.

#include "presetreader.h"
#include "tarvixdevice.h"
#include "tarvixhid.h"
#include "tarvixmixerdevice.h"

#include <QBuffer>
#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_readpreset: %s\n", what);
    std::abort();
}

class CheckingEndpoint : public TarvixMixerDevice
{
public:
    CheckingEndpoint(float stepDb, bool hasMuteStep) : stepDb(stepDb), hasMuteStep(hasMuteStep) {}

    bool getMute() override { return muted; }
    void setMute(bool mute) override
    {
        ++calls;
        muted = mute;
    }
    float getVolumeLeft() override { return left; }
    float getVolumeRight() override { return right; }
    void setVolumeLeft(float db) override { left = checked(db); }
    void setVolumeRight(float db) override { right = checked(db); }
    void registerCallback(TarvixMixerDeviceCallback*) override {}
    int getChannelCount() override { return 2; }
    void getVolumeRange(float* minDb, float* maxDb, float* step) override
    {
        ++calls;
        *minDb = -96.0f;
        *maxDb = 60.0f;
        *step = stepDb;
    }

    std::size_t calls = 0;

private:
    float checked(float db)
    {
        ++calls;
        if (!std::isfinite(db) && !(hasMuteStep && std::isinf(db) && db < 0))
            fail("a non-finite level reached the device");
        return db;
    }

    float stepDb;
    bool hasMuteStep;
    float left = 0.0f;
    float right = 0.0f;
    bool muted = false;
};

class CheckingHid : public TarvixHID
{
public:
    void setPhantomLeft(bool) override { ++calls; }
    bool getPhantomLeft() override { return false; }
    void setPhantomRight(bool) override { ++calls; }
    bool getPhantomRight() override { return false; }
    void setLoopbackRight(bool) override { ++calls; }
    bool getLoopbackRight() override { return false; }
    void setLoopbackLeft(bool) override { ++calls; }
    bool getLoopbackLeft() override { return false; }
    void poll() override {}

    std::size_t calls = 0;

protected:
    void setChangedCallback(TarvixHIDChangedCallback*) override {}
};

// The input step, including ones no library should report, and which parts the device has,
// chosen from the input so that every choice gets exercised.
float stepFor(unsigned choice)
{
    const float steps[] = {2.0f,
                           0.5f,
                           3.0f,
                           0.0f,
                           -1.0f,
                           std::numeric_limits<float>::denorm_min(),
                           std::numeric_limits<float>::max(),
                           std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
    return steps[choice % (sizeof steps / sizeof steps[0])];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    unsigned checksum = 0;
    for (std::size_t i = 0; i < size; ++i)
        checksum = checksum * 31 + data[i];

    CheckingEndpoint output(0.5f, true);
    CheckingEndpoint input(stepFor(checksum), false);
    CheckingHid hid;
    TarvixDevice device;
    const unsigned absent = (checksum >> 8) % 8;
    device.output = absent & 1 ? nullptr : &output;
    device.input = absent & 2 ? nullptr : &input;
    device.hid = absent & 4 ? nullptr : &hid;
    TarvixDevice* target = (checksum >> 12) % 16 == 0 ? nullptr : &device;

    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    readPreset(&file, target);

    // Each field at most once, the input's range once: neither the file's size nor entity
    // expansion multiplies the work.
    if (output.calls > 3 || input.calls > 4 || hid.calls > 4)
        fail("more device calls than the preset has fields");
    return 0;
}
