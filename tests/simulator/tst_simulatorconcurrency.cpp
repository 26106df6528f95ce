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
    void deletionDuringBurstWhileDeliveryWaitsForLock();
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

// Deleting from another thread while a delivery waits for the lock the main thread holds, with
// a burst of notifications and requests queued behind it: the delivery in progress is let
// finish, nothing deadlocks, and nothing more reaches any listener.
void tst_SimulatorConcurrency::deletionDuringBurstWhileDeliveryWaitsForLock()
{
    auto* control = new SimulatedControl;
    TarvixMixerDevice* output = control->getDevice(duoId.c_str())->output;
    std::promise<void> entered, mainHoldsLock, deletionBegan;
    std::shared_future<void> lockHeld = mainHoldsLock.get_future().share();
    std::atomic<bool> deleting{false};
    std::atomic<bool> firstCompleted{false};
    std::atomic<int> callsAfterDeletionBegan{0};
    auto listener = std::make_unique<RecordingVolumeListener>([&](std::int32_t) {
        callsAfterDeletionBegan += deleting;
        if (!firstCompleted) {
            entered.set_value();
            lockHeld.wait();
            control->lock(); // as the mixer's handlers do
            control->unlock();
            firstCompleted = true;
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
    control->lock();
    mainHoldsLock.set_value();
    control->setDestructionObserver([&] {
        deleting = true;
        deletionBegan.set_value();
    });
    std::thread deleter([control] { delete control; });
    deletionBegan.get_future().wait();
    control->unlock(); // the destructor waits for the delivery in progress, not for the lock
    deleter.join();

    QVERIFY(firstCompleted);
    QCOMPARE(listener->calls(), 1);
    QCOMPARE(deviceListener->events().size(), 2u);
    QCOMPARE(callsAfterDeletionBegan.load(), 0);
    listener.reset(); // a stray later call would now be a use after free
    deviceListener.reset();
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
