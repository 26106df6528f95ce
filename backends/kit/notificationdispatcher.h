// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "callbacktype.h"
#include "serialexecutor.h"

#include <atomic>
#include <cstdint>
#include <memory>

class TarvixDeviceCallback;
class TarvixMixerDeviceCallback;
struct TarvixDevice;

// Delivers a library's notifications from its delivery thread, one at a time and in the order
// they were posted. Posting never waits for a delivery, so it may be done with the library lock
// held; deliveries themselves never hold it.
//
// A notification is addressed to the listener registered when it was posted. It is delivered
// only if that listener is still the registered one when its turn comes; otherwise it is
// dropped. Unregistering does not wait for a delivery in progress.
class NotificationDispatcher
{
public:
    void postVolumeChange(const std::atomic<TarvixMixerDeviceCallback*>& registered,
                          std::int32_t argument);

    // The device stays alive until the notification has been delivered or dropped, so that a
    // removed device is valid until its removal has been reported. Posted also when no listener
    // is registered, to keep that order.
    void postDeviceEvent(const std::atomic<TarvixDeviceCallback*>& registered, CallbackType type,
                         std::shared_ptr<TarvixDevice> device);

    // Runs `task` on the delivery thread after everything posted before it.
    void post(SerialExecutor::Task task) { executor.post(std::move(task)); }

    // From its first step no delivery starts; then waits for the one in progress, discards the
    // queued ones and ends the delivery thread.
    void stop() { executor.stop(); }

private:
    SerialExecutor executor;
};
