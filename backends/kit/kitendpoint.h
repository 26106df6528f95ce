// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "notificationdispatcher.h"
#include "tarvixmixerdevice.h"

#include <atomic>
#include <cstdint>

// The common part of an audio endpoint: its one listener and the reporting of its changes. A
// backend maps levels and mutes onto its hardware and calls reportChange() for each change.
//
// registerCallback() replaces the listener, null unregisters. reportChange(), called with the
// library lock held, posts onVolumeChanged with the endpoint's running change count (from 1,
// wrapping to 0 after INT32_MAX) to the listener registered now; it is delivered from the
// delivery thread only if that listener is still registered when its turn comes. The endpoint
// must outlive the notifications it posted, which the delivery order ensures when its device is
// freed only after its removal has been delivered.
class KitEndpoint : public TarvixMixerDevice
{
public:
    void registerCallback(TarvixMixerDeviceCallback* callback) final { listener.store(callback); }

    // The change count that follows `count`.
    static constexpr std::uint32_t nextChangeCount(std::uint32_t count)
    {
        return (count + 1u) & 0x7fffffffu;
    }

protected:
    explicit KitEndpoint(NotificationDispatcher& dispatcher) : dispatcher(dispatcher) {}
    ~KitEndpoint() = default;

    void reportChange();

private:
    NotificationDispatcher& dispatcher;
    std::atomic<TarvixMixerDeviceCallback*> listener{nullptr};
    std::uint32_t changeCount = 0; // guarded by the lock
};
