#pragma once

#include "notificationdispatcher.h"

#include <atomic>
#include <cstdint>

class TarvixMixerDeviceCallback;

// The one listener of an audio endpoint. set() replaces it, null unregisters. reportChange()
// posts onVolumeChanged to the listener registered now; it is delivered only if that listener
// is still registered when its turn comes. The slot must outlive the notifications it posted,
// which the delivery order ensures when the endpoint's device is freed only after its removal
// has been delivered.
class EndpointListenerSlot
{
public:
    explicit EndpointListenerSlot(NotificationDispatcher& dispatcher) : dispatcher(dispatcher) {}

    void set(TarvixMixerDeviceCallback* callback) { listener.store(callback); }
    void reportChange(std::int32_t argument) { dispatcher.postVolumeChange(listener, argument); }

private:
    NotificationDispatcher& dispatcher;
    std::atomic<TarvixMixerDeviceCallback*> listener{nullptr};
};
