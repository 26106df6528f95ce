#include "writelogginglibrary.h"

#include "fakedevice.h"
#include "tarvixlibrary.h"

namespace {

class LoggingEndpoint final : public TarvixMixerDevice, private LoggedPart
{
public:
    LoggingEndpoint(TarvixMixerDevice& inner, const QString& name, CallLog* log)
        : LoggedPart(name, log), inner(inner)
    {
    }
    bool getMute() override { return inner.getMute(); }
    void setMute(bool mute) override { inner.setMute(set("setMute", mute)); }
    float getVolumeLeft() override { return inner.getVolumeLeft(); }
    float getVolumeRight() override { return inner.getVolumeRight(); }
    void setVolumeLeft(float db) override { inner.setVolumeLeft(set("setVolumeLeft", db)); }
    void setVolumeRight(float db) override { inner.setVolumeRight(set("setVolumeRight", db)); }
    void registerCallback(TarvixMixerDeviceCallback* callback) override
    {
        inner.registerCallback(callback);
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

class LoggingHid final : public TarvixHID, private LoggedPart
{
public:
    LoggingHid(TarvixHID& inner, const QString& name, CallLog* log)
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
    void setChangedCallback(TarvixHIDChangedCallback* callback) override
    {
        inner.registerChangedCallback(callback);
    }

private:
    TarvixHID& inner;
};

} // namespace

struct WriteLoggingLibrary::Wrapped
{
    TarvixDevice record;
    std::unique_ptr<LoggingHid> hid;
    std::unique_ptr<LoggingEndpoint> input, output;
};

WriteLoggingLibrary::WriteLoggingLibrary(TarvixControl& inner) : inner(inner) {}

WriteLoggingLibrary::~WriteLoggingLibrary() = default;

const char* WriteLoggingLibrary::backendName()
{
    return inner.backendName();
}

TarvixDevice* WriteLoggingLibrary::getDevice(const char* id)
{
    return wrap(inner.getDevice(id));
}

void WriteLoggingLibrary::lock()
{
    inner.lock();
}

void WriteLoggingLibrary::unlock()
{
    inner.unlock();
}

void WriteLoggingLibrary::setDeviceCallback(TarvixDeviceCallback* callback)
{
    // Kept after a withdrawal: a report already under way reaches the listener as it would
    // without the wrapper.
    if (callback)
        listener = callback;
    inner.registerTarvixDeviceCallback(callback ? this : nullptr);
}

void WriteLoggingLibrary::onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device)
{
    TarvixDevice* shown = wrap(device);
    if (type == DeviceRemoval && device) {
        const std::lock_guard<std::mutex> guard(mutex);
        removed.push_back(std::move(present[device]));
        present.erase(device);
    }
    listener->onDeviceEvent(type, id, shown);
}

TarvixDevice* WriteLoggingLibrary::wrap(TarvixDevice* device)
{
    if (!device)
        return nullptr;
    const std::lock_guard<std::mutex> guard(mutex);
    std::unique_ptr<Wrapped>& wrapped = present[device];
    if (!wrapped) {
        wrapped = std::make_unique<Wrapped>();
        const QString name = QString::fromUtf8(device->id) + '.';
        if (device->hid)
            wrapped->hid = std::make_unique<LoggingHid>(*device->hid, name + "hid", &writes);
        if (device->input)
            wrapped->input =
                std::make_unique<LoggingEndpoint>(*device->input, name + "input", &writes);
        if (device->output)
            wrapped->output =
                std::make_unique<LoggingEndpoint>(*device->output, name + "output", &writes);
        wrapped->record = {device->id, device->name, wrapped->hid.get(), wrapped->input.get(),
                           wrapped->output.get()};
    }
    return &wrapped->record;
}
