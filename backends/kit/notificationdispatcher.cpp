// SPDX-License-Identifier: GPL-3.0-or-later
#include "notificationdispatcher.h"

#include "tarvixdevice.h"
#include "tarvixdevicecallback.h"
#include "tarvixmixerdevicecallback.h"

void NotificationDispatcher::postVolumeChange(
    const std::atomic<TarvixMixerDeviceCallback*>& registered, std::int32_t argument)
{
    TarvixMixerDeviceCallback* listener = registered.load();
    if (!listener)
        return;
    executor.post([&registered, listener, argument] {
        if (registered.load() == listener)
            listener->onVolumeChanged(argument);
    });
}

void NotificationDispatcher::postDeviceEvent(const std::atomic<TarvixDeviceCallback*>& registered,
                                             CallbackType type,
                                             std::shared_ptr<TarvixDevice> device)
{
    TarvixDeviceCallback* listener = registered.load();
    executor.post([&registered, listener, type, device = std::move(device)] {
        if (listener && registered.load() == listener)
            listener->onDeviceEvent(type, device->id, device.get());
    });
}
