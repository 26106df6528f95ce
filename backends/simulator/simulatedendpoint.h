// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kitendpoint.h"
#include "simulateddeviceconfig.h"

class LibraryLock;

// One simulated audio endpoint.
//
// Levels: the setters ignore NaN and clamp to [minDb, maxDb] (a NaN bound does not clamp; a
// minimum above the maximum wins), and otherwise keep the value exactly as set, also between
// steps, so a level read back is the one written. Levels changed on the device (its own controls,
// another mixer) are taken as they come, unclamped, NaN and infinities included.
//
// Reporting: a level or the mute state that actually changes (a level bit for bit) is reported
// once, as KitEndpoint reports; a set that leaves the state as it was reports nothing.
//
// Once its device is unplugged the endpoint keeps its last state for the getters, ignores the
// setters and reports nothing more.
class SimulatedEndpoint final : public KitEndpoint
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
    int getChannelCount() override;
    void getVolumeRange(float* minDb, float* maxDb, float* stepDb) override;
    bool hasLevels() override { return true; } // every simulated endpoint has both levels

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

    LibraryLock& lock;

    // Guarded by the library lock.
    SimulatedEndpointConfig current;
    bool attached = true;
};
