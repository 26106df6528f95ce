#include "notificationdispatcher.h"

#include "tarvixdevicecallback.h"
#include "tarvixmixerdevicecallback.h"

void NotificationDispatcher::postVolumeChange(
    const std::atomic<TarvixMixerDeviceCallback*>& registered, TarvixMixerDeviceCallback* listener,
    std::int32_t sequence)
{
    executor.post([this, &registered, listener, sequence] {
        if (registered.load() != listener) {
            droppedNotifications.fetch_add(1);
            return;
        }
        volumeChangesDelivered.fetch_add(1);
        listener->onVolumeChanged(sequence);
    });
}

void NotificationDispatcher::postDeviceEvent(const std::atomic<TarvixDeviceCallback*>& registered,
                                             TarvixDeviceCallback* listener, CallbackType type,
                                             std::string id, TarvixDevice* record,
                                             std::shared_ptr<const void> keepAlive)
{
    executor.post([this, &registered, listener, type, id = std::move(id), record,
                   keepAlive = std::move(keepAlive)] {
        if (!listener)
            return; // nobody to tell; the task only kept the device alive until its turn
        if (registered.load() != listener) {
            droppedNotifications.fetch_add(1);
            return;
        }
        deliverDeviceEventNow(listener, type, id.c_str(), record);
    });
}

bool NotificationDispatcher::deliverNow(const SerialExecutor::Task& work)
{
    return executor.runExclusively(work);
}

void NotificationDispatcher::deliverDeviceEventNow(TarvixDeviceCallback* listener,
                                                   CallbackType type, const char* id,
                                                   TarvixDevice* record)
{
    countDeviceEvent(type);
    listener->onDeviceEvent(type, id, record);
}

SimulatedCounts NotificationDispatcher::counts() const
{
    SimulatedCounts counts;
    counts.deviceArrivals = deviceArrivals.load();
    counts.deviceRemovals = deviceRemovals.load();
    counts.deviceChanges = deviceChanges.load();
    counts.otherDeviceEvents = otherDeviceEvents.load();
    counts.volumeChangesMade = volumeChangesMade.load();
    counts.volumeChangesDelivered = volumeChangesDelivered.load();
    counts.hidReports = hidReports.load();
    counts.droppedNotifications = droppedNotifications.load();
    counts.ignoredRequests = ignoredRequests.load();
    return counts;
}

bool NotificationDispatcher::waitUntilIdle(std::chrono::steady_clock::time_point deadline)
{
    return executor.waitUntilIdle(deadline);
}

void NotificationDispatcher::countDeviceEvent(CallbackType type)
{
    switch (type) {
    case DeviceArrival:
        deviceArrivals.fetch_add(1);
        return;
    case DeviceRemoval:
        deviceRemovals.fetch_add(1);
        return;
    case DeviceChange:
        deviceChanges.fetch_add(1);
        return;
    }
    otherDeviceEvents.fetch_add(1);
}
