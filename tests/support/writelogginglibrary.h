#pragma once

#include "calllog.h"
#include "fakedevice.h"
#include "tarvixcontrol.h"
#include "tarvixdevicecallback.h"
#include "tarvixlibrary.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

// An endpoint in front of another that passes every call through and logs the writes.
class WriteLoggingEndpoint final : public TarvixMixerDevice, private LoggedPart
{
public:
    WriteLoggingEndpoint(TarvixMixerDevice& inner, const QString& name, CallLog* log)
        : LoggedPart(name, log), inner(inner)
    {
    }
    bool getMute() override { return inner.getMute(); }
    void setMute(bool mute) override { inner.setMute(set("setMute", mute)); }
    float getVolumeLeft() override { return inner.getVolumeLeft(); }
    float getVolumeRight() override { return inner.getVolumeRight(); }
    void setVolumeLeft(float db) override { inner.setVolumeLeft(set("setVolumeLeft", db)); }
    void setVolumeRight(float db) override { inner.setVolumeRight(set("setVolumeRight", db)); }
    void registerCallback(TarvixMixerDeviceCallback* listener) override
    {
        inner.registerCallback(listener);
    }
    int getChannelCount() override { return inner.getChannelCount(); }
    void getVolumeRange(float* minDb, float* maxDb, float* stepDb) override
    {
        inner.getVolumeRange(minDb, maxDb, stepDb);
    }
    bool hasMute() override { return inner.hasMute(); }

private:
    TarvixMixerDevice& inner;
};

// HID switches in front of others that pass every call through and log the writes.
class WriteLoggingHid final : public TarvixHID, private LoggedPart
{
public:
    WriteLoggingHid(TarvixHID& inner, const QString& name, CallLog* log)
        : LoggedPart(name, log), inner(inner)
    {
    }
    void setPhantomLeft(bool on) override { inner.setPhantomLeft(set("setPhantomLeft", on)); }
    bool getPhantomLeft() override { return inner.getPhantomLeft(); }
    void setPhantomRight(bool on) override { inner.setPhantomRight(set("setPhantomRight", on)); }
    bool getPhantomRight() override { return inner.getPhantomRight(); }
    void setLoopbackRight(bool on) override { inner.setLoopbackRight(set("setLoopbackRight", on)); }
    bool getLoopbackRight() override { return inner.getLoopbackRight(); }
    void setLoopbackLeft(bool on) override { inner.setLoopbackLeft(set("setLoopbackLeft", on)); }
    bool getLoopbackLeft() override { return inner.getLoopbackLeft(); }
    void poll() override { inner.poll(); }
    bool hasSwitch(Switch which) override { return inner.hasSwitch(which); }

protected:
    void setChangedCallback(TarvixHIDChangedCallback* listener) override
    {
        inner.registerChangedCallback(listener);
    }

private:
    TarvixHID& inner;
};

// A device library in front of another that passes every call through and logs each write to a
// device (level, mute, switch) as "<id>.output.setVolumeLeft(-10)", for tests about what the
// window writes to real backends. Notifications pass through on the inner library's threads.
// The records of removed devices stay allocated until the wrapper goes.
class WriteLoggingLibrary final : public TarvixControl, private TarvixDeviceCallback
{
public:
    explicit WriteLoggingLibrary(TarvixControl& inner) : inner(inner) {}

    const char* backendName() override { return inner.backendName(); }
    TarvixDevice* getDevice(const char* id) override { return wrap(inner.getDevice(id)); }
    void lock() override { inner.lock(); }
    void unlock() override { inner.unlock(); }

    CallLog writes;

protected:
    void setDeviceCallback(TarvixDeviceCallback* callback) override
    {
        // Kept after a withdrawal: a report already under way reaches the listener as it would
        // without the wrapper.
        if (callback)
            listener = callback;
        inner.registerTarvixDeviceCallback(callback ? this : nullptr);
    }

private:
    // The logging parts in front of one device's parts, and the record that shows them.
    struct Wrapped
    {
        Wrapped(const TarvixDevice& device, CallLog* log)
        {
            const QString name = QString::fromUtf8(device.id) + '.';
            if (device.hid)
                hid = std::make_unique<WriteLoggingHid>(*device.hid, name + "hid", log);
            if (device.input)
                input = std::make_unique<WriteLoggingEndpoint>(*device.input, name + "input", log);
            if (device.output)
                output =
                    std::make_unique<WriteLoggingEndpoint>(*device.output, name + "output", log);
            record = {device.id, device.name, hid.get(), input.get(), output.get()};
        }
        std::unique_ptr<WriteLoggingHid> hid;
        std::unique_ptr<WriteLoggingEndpoint> input, output;
        TarvixDevice record;
    };

    void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) override
    {
        TarvixDevice* shown = wrap(device);
        if (type == DeviceRemoval && device) {
            const std::lock_guard<std::mutex> guard(mutex);
            present.erase(device);
        }
        listener->onDeviceEvent(type, id, shown);
    }

    TarvixDevice* wrap(TarvixDevice* device)
    {
        if (!device)
            return nullptr;
        const std::lock_guard<std::mutex> guard(mutex);
        Wrapped*& wrapped = present[device];
        if (!wrapped) {
            all.push_back(std::make_unique<Wrapped>(*device, &writes));
            wrapped = all.back().get();
        }
        return &wrapped->record;
    }

    TarvixControl& inner;
    TarvixDeviceCallback* listener = nullptr;
    std::mutex mutex; // guards the two below
    std::map<TarvixDevice*, Wrapped*> present;
    std::vector<std::unique_ptr<Wrapped>> all;
};
