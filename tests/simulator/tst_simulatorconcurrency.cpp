#include "countinghidlistener.h"
#include "recordingdevicelistener.h"
#include "recordingvolumelistener.h"
#include "simulatedcontrol.h"
#include "tarvixlibrary.h"

#include <QtTest>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace {

const std::string duoId = SimulatedDeviceConfig::duo().id;

} // namespace

class tst_SimulatorConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void changesFromManyThreadsAreReportedOnceEachInOrder();
    void deletionDuringBurstDeliversNothingMore();
    void deletionWhileDeliveryWaitsForLockDoesNotDeadlock();
    void hotPlugWhileAnotherThreadUsesTheCurrentDevice();
    void waitingFromWithinListenerOrUnderLockReturnsAtOnce();
};

// Setters on two threads (taking the re-entrant lock twice around an unguarded counter) and
// elsewhere changes: each change is reported once, in order, one at a time, from one thread.
void tst_SimulatorConcurrency::changesFromManyThreadsAreReportedOnceEachInOrder()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    RecordingVolumeListener listener;
    output->registerCallback(&listener);
    long long unguarded = 0; // only touched under the library lock
    std::vector<std::thread> setters;
    for (int t = 0; t < 2; ++t) {
        setters.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                control.lock();
                control.lock();
                ++unguarded;
                control.unlock();
                output->setVolumeLeft(-0.5f * static_cast<float>(i % 150) - 0.25f * t);
                ++unguarded;
                control.unlock();
            }
        });
    }
    for (int i = 0; i < 400; ++i) {
        control.changeVolumeRightElsewhere(duoId, SimulatedEndpointKind::Output,
                                           -0.5f * static_cast<float>(i % 100));
        control.changeMuteElsewhere(duoId, SimulatedEndpointKind::Output, i % 2 == 0);
    }
    for (std::thread& setter : setters)
        setter.join();
    QVERIFY(control.waitUntilDelivered(60000));

    QCOMPARE(unguarded, 8000LL);
    const SimulatedCounts counts = control.counts();
    QVERIFY(counts.volumeChangesMade >= 800u); // every mute request flips the state
    QCOMPARE(counts.volumeChangesDelivered, counts.volumeChangesMade);
    QCOMPARE(static_cast<std::uint64_t>(listener.calls()), counts.volumeChangesMade);
    QVERIFY(listener.argumentsIncrease() && !listener.callsOverlapped());
    QCOMPARE(listener.callingThreads().size(), 1u);
    QVERIFY(!listener.callingThreads().count(std::this_thread::get_id()));
}

// Deleting while one delivery is in progress, a burst queued behind it and requests pending:
// the delivery in progress is waited for and nothing more reaches any listener.
void tst_SimulatorConcurrency::deletionDuringBurstDeliversNothingMore()
{
    auto* control = new SimulatedControl;
    TarvixMixerDevice* output = control->getDevice(duoId.c_str())->output;
    std::promise<void> entered, deletionBegan;
    std::shared_future<void> deletionHasBegun = deletionBegan.get_future().share();
    std::atomic<bool> deleting{false};
    std::atomic<int> callsAfterDeletionBegan{0};
    bool firstCall = true; // delivery thread only
    auto listener = std::make_unique<RecordingVolumeListener>([&](std::int32_t) {
        callsAfterDeletionBegan += deleting;
        if (std::exchange(firstCall, false)) {
            entered.set_value();
            deletionHasBegun.wait();
        }
    });
    auto deviceListener = std::make_unique<RecordingDeviceListener>(
        [&](CallbackType, const char*, TarvixDevice*) { callsAfterDeletionBegan += deleting; });
    control->registerTarvixDeviceCallback(deviceListener.get());
    QVERIFY(control->waitUntilDelivered());
    output->registerCallback(listener.get());

    for (int i = 1; i <= 100; ++i)
        output->setVolumeLeft(-0.5f * static_cast<float>(i));
    entered.get_future().wait(); // first delivery in progress, 99 queued behind it
    for (int i = 0; i < 1000; ++i) {
        control->changeVolumeRightElsewhere(duoId, SimulatedEndpointKind::Output,
                                            -0.5f * static_cast<float>(i % 100 + 1));
        if (i % 100 == 0) {
            control->unplugDevice(SimulatedDeviceConfig::solo().id);
            control->plugDevice(SimulatedDeviceConfig::solo());
        }
    }
    control->setDestructionObserver([&] {
        deleting = true;
        deletionBegan.set_value();
    });
    delete control;

    QCOMPARE(listener->calls(), 1);
    QCOMPARE(deviceListener->events().size(), 2u);
    QCOMPARE(callsAfterDeletionBegan.load(), 0);
    listener.reset(); // a stray later call would now be a use after free
    deviceListener.reset();
}

// A delivery that waits for the lock the deleting side holds is let finish.
void tst_SimulatorConcurrency::deletionWhileDeliveryWaitsForLockDoesNotDeadlock()
{
    auto* control = new SimulatedControl(SimulatedControl::StartWith::NoDevices);
    std::promise<void> entered, mainHoldsLock, deletionBegan;
    std::shared_future<void> lockHeld = mainHoldsLock.get_future().share();
    std::atomic<int> completed{0};
    bool firstCall = true; // delivery thread only
    RecordingDeviceListener listener([&](CallbackType, const char*, TarvixDevice*) {
        if (std::exchange(firstCall, false)) {
            entered.set_value();
            lockHeld.wait();
        }
        control->lock(); // as the mixer's onDeviceEvent does
        control->unlock();
        ++completed;
    });
    control->registerTarvixDeviceCallback(&listener);
    control->plugDevice(SimulatedDeviceConfig::duo());
    control->plugDevice(SimulatedDeviceConfig::solo());

    entered.get_future().wait();
    control->lock();
    mainHoldsLock.set_value();
    control->setDestructionObserver([&] { deletionBegan.set_value(); });
    std::thread deleter([control] { delete control; });
    deletionBegan.get_future().wait();
    control->unlock(); // the destructor waits for the delivery in progress, not for the lock
    deleter.join();
    QCOMPARE(completed.load(), 1);
    QCOMPARE(listener.events().size(), 1u);
}

// The mixer's pattern: listener and user thread share the current device under the lock while
// it is plugged and unplugged; every record is used only while valid (sanitizer builds check).
void tst_SimulatorConcurrency::hotPlugWhileAnotherThreadUsesTheCurrentDevice()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    TarvixDevice* current = nullptr; // guarded by the library lock
    RecordingDeviceListener listener([&](CallbackType type, const char*, TarvixDevice* device) {
        control.lock();
        if (type == DeviceArrival)
            current = device;
        else if (type == DeviceRemoval && device == current)
            current = nullptr;
        control.unlock();
    });
    control.registerTarvixDeviceCallback(&listener);

    RecordingVolumeListener volumeListener;
    std::atomic<bool> stop{false};
    std::thread user([&] {
        CountingHIDListener hidListener;
        TarvixDevice* applied = nullptr;
        float level = 0;
        while (!stop) {
            control.lock();
            if (current) {
                if (current != applied) {
                    applied = current;
                    current->output->registerCallback(&volumeListener);
                    current->hid->registerChangedCallback(&hidListener);
                }
                level = level <= -90.0f ? 0.0f : level - 0.5f;
                current->output->setVolumeLeft(level);
                current->hid->setPhantomLeft(level < -45.0f);
                current->hid->poll();
            }
            control.unlock();
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 50; ++i) {
        control.plugDevice(SimulatedDeviceConfig::duo());
        control.changeVolumeRightElsewhere(duoId, SimulatedEndpointKind::Output, -1.0f * i);
        control.unplugDevice(duoId);
    }
    QVERIFY(control.waitUntilDelivered(60000));
    stop = true;
    user.join();
    QVERIFY(control.waitUntilDelivered(60000));

    const SimulatedCounts counts = control.counts();
    QCOMPARE(counts.deviceArrivals, 50u);
    QCOMPARE(counts.deviceRemovals, 50u);
    QCOMPARE(counts.ignoredRequests, 0u);
    QCOMPARE(counts.volumeChangesDelivered + counts.droppedNotifications, counts.volumeChangesMade);
    QVERIFY(!current);
    QVERIFY(!volumeListener.callsOverlapped());
}

// Waiting from a library thread, or while holding the lock with work pending, would wait for
// itself: it returns false at once instead.
void tst_SimulatorConcurrency::waitingFromWithinListenerOrUnderLockReturnsAtOnce()
{
    SimulatedControl control;
    std::atomic<int> waitResult{-1};
    RecordingVolumeListener listener(
        [&](std::int32_t) { waitResult = control.waitUntilDelivered(600000) ? 1 : 0; });
    control.getDevice(duoId.c_str())->input->registerCallback(&listener);
    control.changeMuteElsewhere(duoId, SimulatedEndpointKind::Input, true);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(waitResult.load(), 0);

    control.lock();
    control.changeMuteElsewhere(duoId, SimulatedEndpointKind::Input, false);
    QVERIFY(!control.waitUntilDelivered(600000));
    control.unlock();
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(listener.calls(), 2);
}

QTEST_GUILESS_MAIN(tst_SimulatorConcurrency)
#include "tst_simulatorconcurrency.moc"
