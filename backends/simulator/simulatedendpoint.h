#pragma once

#include "endpointlistenerslot.h"
#include "simulateddeviceconfig.h"
#include "tarvixmixerdevice.h"

#include <cstdint>

class LibraryLock;

// One simulated audio endpoint.
//
// Levels: the setters ignore NaN and clamp to [minDb, maxDb] (a NaN bound does not clamp; a
// minimum above the maximum wins), and otherwise keep the value exactly as set, also between
// steps, so a level read back is the one written. Levels changed on the device (its own controls,
// another mixer) are taken as they come, unclamped, NaN and infinities included.
//
// Reporting: a level or the mute state that actually changes (a level bit for bit) is reported
// once through the registered listener, from the delivery thread; a set that leaves the state as
// it was reports nothing. The listener's argument is the endpoint's running change count.
//
// Once its device is unplugged the endpoint keeps its last state for the getters, ignores the
// setters and reports nothing more.
class SimulatedEndpoint final : public TarvixMixerDevice
{
public:
    SimulatedEndpoint(const SimulatedEndpointConfig& config, LibraryLock& lock,
                      NotificationDispatcher& dispatcher);

    bool getMute() override;
    void setMute(bool mute) override;
    float getVolumeLeft() override;
    float getVolumeRight() override;
    void setVolumeLeft(float db) override;
    void setVolumeRight(float db) override;
    void registerCallback(TarvixMixerDeviceCallback* callback) override;
    int getChannelCount() override;
    void getVolumeRange(float* minDb, float* maxDb, float* stepDb) override;

    // Changes made on the device; the caller holds the library lock, as for the two below.
    void changeVolumeLeftOnDevice(float db);
    void changeVolumeRightOnDevice(float db);
    void changeMuteOnDevice(bool mute);
    void changeVolumeRangeOnDevice(float minDb, float maxDb, float stepDb);

    const SimulatedEndpointConfig& state() const { return current; }
    void detach() { attached = false; }

private:
    float clampedToRange(float db) const;
    void storeLevel(float& channel, float db);
    void storeMute(bool mute);
    void reportChange();

    LibraryLock& lock;
    EndpointListenerSlot listener;

    // Guarded by the library lock.
    SimulatedEndpointConfig current;
    bool attached = true;
    std::uint32_t changeCount = 0;
};
