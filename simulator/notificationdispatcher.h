#pragma once

#include "callbacktype.h"
#include "serialexecutor.h"
#include "simulatedcounts.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TarvixDeviceCallback;
class TarvixMixerDeviceCallback;
struct TarvixDevice;

// Delivers the library's notifications from its delivery thread, one at a time and in the order
// they were posted, without holding the library lock, and counts them.
//
// A notification is addressed to the listener registered when it was posted. It is delivered
// only if that listener is still the registered one when its turn comes; otherwise it is
// dropped (and counted as such). Unregistering does not wait for a delivery in progress.
class NotificationDispatcher
{
public:
    void postVolumeChange(const std::atomic<TarvixMixerDeviceCallback*>& registered,
                          TarvixMixerDeviceCallback* listener, std::int32_t sequence);

    // `keepAlive` holds the device's objects until the notification has been delivered or
    // dropped, so that a removed device stays valid until its removal has been reported.
    void postDeviceEvent(const std::atomic<TarvixDeviceCallback*>& registered,
                         TarvixDeviceCallback* listener, CallbackType type, std::string id,
                         TarvixDevice* record, std::shared_ptr<const void> keepAlive);

    // Runs `work` on the calling thread, never at the same time as a delivery. False once
    // stopped. `work` reports through deliverDeviceEventNow().
    bool deliverNow(const SerialExecutor::Task& work);
    void deliverDeviceEventNow(TarvixDeviceCallback* listener, CallbackType type, const char* id,
                               TarvixDevice* record);

    void countVolumeChangeMade() { volumeChangesMade.fetch_add(1); }
    void countHidReport() { hidReports.fetch_add(1); }
    void countIgnoredRequest() { ignoredRequests.fetch_add(1); }
    SimulatedCounts counts() const;

    bool waitUntilIdle(std::chrono::steady_clock::time_point deadline);
    bool isIdle() { return executor.isIdle(); }
    bool isDeliveryThread() const { return executor.isExecutorThread(); }

    // No delivery starts once requestStop() has been called; stop() also waits for the one in
    // progress and ends the delivery thread.
    void requestStop() { executor.requestStop(); }
    void stop() { executor.stop(); }

private:
    void countDeviceEvent(CallbackType type);

    std::atomic<std::uint64_t> deviceArrivals{0};
    std::atomic<std::uint64_t> deviceRemovals{0};
    std::atomic<std::uint64_t> deviceChanges{0};
    std::atomic<std::uint64_t> otherDeviceEvents{0};
    std::atomic<std::uint64_t> volumeChangesMade{0};
    std::atomic<std::uint64_t> volumeChangesDelivered{0};
    std::atomic<std::uint64_t> hidReports{0};
    std::atomic<std::uint64_t> droppedNotifications{0};
    std::atomic<std::uint64_t> ignoredRequests{0};

    // Last, so that its thread stops before the counters it updates go away.
    SerialExecutor executor;
};
