#include "countinghidlistener.h"
#include "recordingdevicelistener.h"
#include "recordingvolumelistener.h"
#include "simulatedcontrol.h"
#include "tarvixlibrary.h"

#include <QtTest>

#include <atomic>
#include <future>
#include <memory>
#include <set>
#include <thread>

namespace {

const std::string duoId = SimulatedDeviceConfig::duo().id;

bool strictlyIncreasing(const std::vector<std::int32_t>& values)
{
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] <= values[i - 1])
            return false;
    }
    return true;
}

} // namespace

class tst_SimulatorConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void changesFromManyThreadsAreReportedOnceEachInOrder();
    void lockExcludesOtherThreads();
    void deletionDuringBurstDeliversNothingMore();
    void deletionWhileDeliveryWaitsForLockDoesNotDeadlock();
    void deletionDiscardsPendingRequests();
    void hotPlugWhileAnotherThreadUsesTheCurrentDevice();
    void waitingFromWithinListenerReturnsAtOnce();
};

void tst_SimulatorConcurrency::changesFromManyThreadsAreReportedOnceEachInOrder()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    RecordingVolumeListener listener;
    output->registerCallback(&listener);

    std::vector<std::thread> setters;
    for (int t = 0; t < 2; ++t) {
        setters.emplace_back([&, t] {
            for (int i = 0; i < 400; ++i) {
                control.lock();
                output->setVolumeLeft(-0.5f * static_cast<float>(i % 150) - 0.25f * t);
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

    const SimulatedCounts counts = control.counts();
    QVERIFY(counts.volumeChangesMade >= 800u); // every mute request flips the state
    QCOMPARE(counts.volumeChangesDelivered, counts.volumeChangesMade);
    QCOMPARE(static_cast<std::uint64_t>(listener.calls()), counts.volumeChangesMade);
    QVERIFY(strictlyIncreasing(listener.arguments()));
    QVERIFY(!listener.callsOverlapped());
    const std::vector<std::thread::id> threads = listener.callingThreads();
    QCOMPARE(std::set<std::thread::id>(threads.begin(), threads.end()).size(), 1u);
    QVERIFY(threads.front() != std::this_thread::get_id());
}

void tst_SimulatorConcurrency::lockExcludesOtherThreads()
{
    SimulatedControl control;
    long long unguarded = 0; // only touched under the library lock
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                control.lock();
                control.lock();
                ++unguarded;
                control.unlock();
                ++unguarded;
                control.unlock();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    QCOMPARE(unguarded, 40000LL);
}

void tst_SimulatorConcurrency::deletionDuringBurstDeliversNothingMore()
{
    auto* control = new SimulatedControl;
    TarvixMixerDevice* output = control->getDevice(duoId.c_str())->output;

    std::promise<void> entered;
    std::promise<void> deletionBegan;
    std::shared_future<void> deletionHasBegun = deletionBegan.get_future().share();
    std::atomic<bool> deleting{false};
    std::atomic<int> callsAfterDeletionBegan{0};
    bool firstCall = true; // delivery thread only
    auto listener = std::make_unique<RecordingVolumeListener>([&](std::int32_t) {
        if (deleting.load())
            callsAfterDeletionBegan.fetch_add(1);
        if (firstCall) {
            firstCall = false;
            entered.set_value();
            deletionHasBegun.wait();
        }
    });
    output->registerCallback(listener.get());

    for (int i = 1; i <= 100; ++i)
        output->setVolumeLeft(-0.5f * static_cast<float>(i));
    entered.get_future().wait(); // first delivery in progress, 99 queued behind it

    control->setDestructionObserver([&] {
        deleting.store(true);
        deletionBegan.set_value();
    });
    delete control;

    QCOMPARE(listener->calls(), 1);
    QCOMPARE(callsAfterDeletionBegan.load(), 0);
    listener.reset(); // a stray later call would now be a use after free
}

void tst_SimulatorConcurrency::deletionWhileDeliveryWaitsForLockDoesNotDeadlock()
{
    auto* control = new SimulatedControl(SimulatedControl::StartWith::NoDevices);
    std::promise<void> entered;
    std::promise<void> mainHoldsLock;
    std::shared_future<void> lockHeld = mainHoldsLock.get_future().share();
    std::promise<void> deletionBegan;
    std::atomic<int> completed{0};
    bool firstCall = true; // delivery thread only
    RecordingDeviceListener listener([&](CallbackType, const char*, TarvixDevice*) {
        if (firstCall) {
            firstCall = false;
            entered.set_value();
            lockHeld.wait();
        }
        control->lock(); // as the mixer's onDeviceEvent does
        control->unlock();
        completed.fetch_add(1);
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
    control->unlock(); // still allowed: the destructor waits for the delivery in progress
    deleter.join();

    QCOMPARE(completed.load(), 1);
    QCOMPARE(listener.events().size(), 1u);
}

void tst_SimulatorConcurrency::deletionDiscardsPendingRequests()
{
    auto* control = new SimulatedControl;
    auto listener = std::make_unique<RecordingVolumeListener>();
    auto deviceListener = std::make_unique<RecordingDeviceListener>();
    control->registerTarvixDeviceCallback(deviceListener.get());
    control->getDevice(duoId.c_str())->output->registerCallback(listener.get());
    for (int i = 0; i < 2000; ++i) {
        control->changeVolumeLeftElsewhere(duoId, SimulatedEndpointKind::Output,
                                           -0.5f * static_cast<float>(i % 100 + 1));
        if (i % 100 == 0) {
            control->unplugDevice("TVX-SOLO-0002");
            control->plugDevice(SimulatedDeviceConfig::solo());
        }
    }
    delete control;

    QVERIFY(listener->calls() <= 2000);
    QVERIFY(strictlyIncreasing(listener->arguments()));
    // Sanitizer builds report any later call into the freed listeners.
    listener.reset();
    deviceListener.reset();
}

void tst_SimulatorConcurrency::hotPlugWhileAnotherThreadUsesTheCurrentDevice()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    TarvixDevice* current = nullptr; // guarded by the library lock, as in the mixer
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
        CountingHIDListener ownHidListener;
        TarvixDevice* applied = nullptr;
        float level = 0;
        while (!stop.load()) {
            control.lock();
            if (current) {
                if (current != applied) {
                    applied = current;
                    current->output->registerCallback(&volumeListener);
                    current->hid->registerChangedCallback(&ownHidListener);
                }
                level = level <= -90.0f ? 0.0f : level - 0.5f;
                current->output->setVolumeLeft(level);
                current->output->getVolumeLeft();
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
    stop.store(true);
    user.join();
    QVERIFY(control.waitUntilDelivered(60000));

    const SimulatedCounts counts = control.counts();
    QCOMPARE(counts.deviceArrivals, 50u);
    QCOMPARE(counts.deviceRemovals, 50u);
    QCOMPARE(counts.ignoredRequests, 0u);
    QCOMPARE(counts.volumeChangesDelivered + counts.droppedNotifications, counts.volumeChangesMade);
    control.lock();
    QVERIFY(!current);
    control.unlock();
    QVERIFY(!volumeListener.callsOverlapped());
}

void tst_SimulatorConcurrency::waitingFromWithinListenerReturnsAtOnce()
{
    SimulatedControl control;
    std::atomic<int> waitResults{-1};
    RecordingVolumeListener listener(
        [&](std::int32_t) { waitResults.store(control.waitUntilDelivered(600000) ? 1 : 0); });
    control.getDevice(duoId.c_str())->input->registerCallback(&listener);
    control.changeMuteElsewhere(duoId, SimulatedEndpointKind::Input, true);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(listener.calls(), 1);
    QCOMPARE(waitResults.load(), 0);

    // Holding the lock, the caller gets the state at once instead of waiting for itself.
    control.lock();
    control.changeMuteElsewhere(duoId, SimulatedEndpointKind::Input, false);
    QVERIFY(!control.waitUntilDelivered(600000));
    control.unlock();
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(listener.calls(), 2);
}

QTEST_GUILESS_MAIN(tst_SimulatorConcurrency)
#include "tst_simulatorconcurrency.moc"
