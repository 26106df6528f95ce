// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "calllog.h"
#include "tarvixdevice.h"
#include "tarvixhid.h"
#include "tarvixhidchangedcallback.h"
#include "tarvixmixerdevice.h"

#include <QByteArray>

#include <memory>
#include <type_traits>
#include <utility>

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

// Writes "<name>.<call>" or "<name>.<call>(<argument>)" to a call log.
class LoggedPart
{
public:
    LoggedPart(QString name, CallLog* log) : name(std::move(name)), log(log) {}

    template <typename T> T got(const char* call, T value)
    {
        log->append(name + '.' + QLatin1String(call));
        return value;
    }
    template <typename T> T set(const char* call, T value)
    {
        const QString text = std::is_same_v<T, bool> ? QLatin1String(value ? "true" : "false")
                                                     : QString::number(value);
        log->append(QStringLiteral("%1.%2(%3)").arg(name, QLatin1String(call), text));
        return value;
    }

    QString name;
    CallLog* log;
};

// An endpoint that keeps what it is given, unless `keep` says otherwise, and logs every call.
class FakeEndpoint : public TarvixMixerDevice, public LoggedPart
{
public:
    FakeEndpoint(QString name, CallLog* log, float minDb, float maxDb, float stepDb)
        : LoggedPart(std::move(name), log), minDb(minDb), maxDb(maxDb), stepDb(stepDb)
    {
    }

    bool getMute() override { return got("getMute", muted); }
    void setMute(bool mute) override { muted = set("setMute", mute); }
    float getVolumeLeft() override { return got("getVolumeLeft", left); }
    float getVolumeRight() override { return got("getVolumeRight", right); }
    void setVolumeLeft(float db) override { left = kept(set("setVolumeLeft", db)); }
    void setVolumeRight(float db) override { right = kept(set("setVolumeRight", db)); }
    void registerCallback(TarvixMixerDeviceCallback* listener) override
    {
        callback = got(listener ? "registerCallback" : "registerCallback(null)", listener);
    }
    int getChannelCount() override { return got("getChannelCount", 2); }
    bool levelsAreInDb() override { return inDb; }
    void getVolumeRange(float* outMin, float* outMax, float* outStep) override
    {
        *outMin = got("getVolumeRange", minDb);
        *outMax = maxDb;
        *outStep = stepDb;
    }

    float minDb, maxDb, stepDb;
    float left = 0.0f;
    float right = 0.0f;
    bool muted = false;
    bool inDb = true; // false: levels in percent of a range without dB
    TarvixMixerDeviceCallback* callback = nullptr;
    float (*keep)(float db) = nullptr;

private:
    float kept(float db) const { return keep ? keep(db) : db; }
};

// HID switches that keep whatever they are given and log every call. poll() reports through
// the listener when `changePending` is set, as a device would after a switch was flipped.
class FakeHid : public TarvixHID, public LoggedPart
{
public:
    using LoggedPart::LoggedPart;

    void setPhantomLeft(bool on) override { phantomLeft = set("setPhantomLeft", on); }
    bool getPhantomLeft() override { return got("getPhantomLeft", phantomLeft); }
    void setPhantomRight(bool on) override { phantomRight = set("setPhantomRight", on); }
    bool getPhantomRight() override { return got("getPhantomRight", phantomRight); }
    void setLoopbackRight(bool on) override { loopbackRight = set("setLoopbackRight", on); }
    bool getLoopbackRight() override { return got("getLoopbackRight", loopbackRight); }
    void setLoopbackLeft(bool on) override { loopbackLeft = set("setLoopbackLeft", on); }
    bool getLoopbackLeft() override { return got("getLoopbackLeft", loopbackLeft); }
    void poll() override
    {
        if (got("poll", std::exchange(changePending, false)) && callback)
            callback->onHIDChanged();
    }

    bool phantomLeft = false;
    bool phantomRight = false;
    bool loopbackLeft = false;
    bool loopbackRight = false;
    bool changePending = false;
    TarvixHIDChangedCallback* callback = nullptr;

protected:
    void setChangedCallback(TarvixHIDChangedCallback* listener) override
    {
        callback =
            got(listener ? "registerChangedCallback" : "registerChangedCallback(null)", listener);
    }
};

// A device record with fake parts whose calls are logged as "<id>.output.<call>",
// "<id>.input.<call>" and "<id>.hid.<call>".
struct FakeDevice
{
    FakeDevice(const FakeDeviceConfig& config, CallLog* log) : id(config.id), name(config.name)
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
        record = {id.constData(), name.constData(), hid.get(), input.get(), output.get()};
    }

    const QByteArray id, name;
    std::unique_ptr<FakeHid> hid;
    std::unique_ptr<FakeEndpoint> input, output;
    TarvixDevice record;
};
