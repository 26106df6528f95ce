#include "countinghidlistener.h"
#include "levelscale.h"
#include "recordingdevicelistener.h"
#include "recordingvolumelistener.h"
#include "simulatedcontrol.h"
#include "tarvixlibrary.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstring>
#include <future>
#include <limits>
#include <thread>

namespace {

const std::string duoId = SimulatedDeviceConfig::duo().id;
const std::string soloId = SimulatedDeviceConfig::solo().id;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool strictlyIncreasing(const std::vector<std::int32_t>& values)
{
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] <= values[i - 1])
            return false;
    }
    return true;
}

SimulatedDeviceConfig outputOnlyConfig(const std::string& id)
{
    SimulatedDeviceConfig config;
    config.id = id;
    config.name = "Output only";
    config.output = SimulatedDeviceConfig::defaultOutput(0.0f);
    return config;
}

// Runs `work` on a thread of its own and returns its result.
template <typename Work> auto onOtherThread(Work work)
{
    return std::async(std::launch::async, work).get();
}

} // namespace

class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    void defaultDevicesArriveFromLibraryThreadAfterRegistration();
    void arrivalsWithinRegistrationWhenAskedTo();
    void startsWithoutDevicesWhenAskedTo();
    void defaultEndpointRanges();
    void settersClampToRange_data();
    void settersClampToRange();
    void nanIsIgnoredBySetters();
    void settersReportEachRealChangeOnce();
    void replacedOrUnregisteredListenerIsNotCalled();
    void queuedNotificationForReplacedListenerIsDropped();
    void elsewhereChangesAreTakenAsTheyComeAndReportedOnce();
    void requestsForMissingTargetsAreIgnored();
    void lockIsReentrantAndExclusive();
    void getDeviceWithAndWithoutLock();
    void hotPlugReportsArrivalAndRemovalWithTheSameRecord();
    void recordStaysValidUntilRemovalIsReported();
    void deviceEventsAreDeliveredInOrder();
    void hostileRangesAndLevelsPassThrough();
    void hidSwitchesArePairedByName_data();
    void hidSwitchesArePairedByName();
    void pollReportsEachDifferenceOnce();
    void unregisteredHidListenerIsNotTold();
    void rangeChangeIsInPlaceWhenItsDeviceChangeArrives();
    void factoryReturnsTheSimulatedBackend();
};

void tst_Simulator::defaultDevicesArriveFromLibraryThreadAfterRegistration()
{
    SimulatedControl control;
    QVERIFY(control.getDevice(duoId.c_str()));
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(control.counts().deviceArrivals, 0u);

    std::atomic<bool> lockHeldDuringDelivery{false};
    RecordingDeviceListener listener([&](CallbackType, const char*, TarvixDevice*) {
        if (control.isLockedByCurrentThread())
            lockHeldDuringDelivery.store(true);
    });
    control.registerTarvixDeviceCallback(&listener);
    QVERIFY(control.waitUntilDelivered());
    QVERIFY(!lockHeldDuringDelivery.load());

    const std::vector<DeviceEventRecord> events = listener.events();
    QCOMPARE(events.size(), 2u);
    QCOMPARE(events[0].type, DeviceArrival);
    QCOMPARE(events[0].id, duoId);
    QCOMPARE(events[0].recordId, duoId);
    QCOMPARE(events[0].recordName, std::string("Tarvix Duo USB"));
    QCOMPARE(events[0].device, control.getDevice(duoId.c_str()));
    QCOMPARE(events[1].type, DeviceArrival);
    QCOMPARE(events[1].id, soloId);
    QCOMPARE(events[1].recordName, std::string("Tarvix Solo USB"));
    QCOMPARE(events[1].device, control.getDevice(soloId.c_str()));
    for (const DeviceEventRecord& event : events)
        QVERIFY(event.thread != std::this_thread::get_id());

    const TarvixDevice* duo = events[0].device;
    QVERIFY(duo->hid && duo->input && duo->output);
    const TarvixDevice* solo = events[1].device;
    QVERIFY(!solo->hid);
    QVERIFY(solo->input && solo->output);
    QVERIFY(std::strcmp(duo->id, solo->id) != 0);
    QCOMPARE(control.counts().deviceArrivals, 2u);
}

void tst_Simulator::arrivalsWithinRegistrationWhenAskedTo()
{
    SimulatedControl control(SimulatedControl::StartWith::DefaultDevices,
                             SimulatedControl::ArrivalReporting::WithinRegistration);
    RecordingDeviceListener listener;
    control.registerTarvixDeviceCallback(&listener);

    std::vector<DeviceEventRecord> events = listener.events();
    QCOMPARE(events.size(), 2u);
    QCOMPARE(events[0].id, duoId);
    QCOMPARE(events[1].id, soloId);
    QVERIFY(events[0].thread == std::this_thread::get_id());

    // Later events still come from the library's thread.
    control.plugDevice(outputOnlyConfig("later"));
    QVERIFY(control.waitUntilDelivered());
    events = listener.events();
    QCOMPARE(events.size(), 3u);
    QCOMPARE(events[2].id, std::string("later"));
    QVERIFY(events[2].thread != std::this_thread::get_id());
}

void tst_Simulator::startsWithoutDevicesWhenAskedTo()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    RecordingDeviceListener listener;
    control.registerTarvixDeviceCallback(&listener);
    QVERIFY(control.waitUntilDelivered());
    QVERIFY(listener.events().empty());
    QVERIFY(!control.getDevice(duoId.c_str()));
    QVERIFY(control.presentDeviceIds().empty());

    control.plugDevice(SimulatedDeviceConfig::duo());
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(listener.events().size(), 1u);
    QVERIFY(control.getDevice(duoId.c_str()));
}

void tst_Simulator::defaultEndpointRanges()
{
    SimulatedControl control;
    TarvixDevice* duo = control.getDevice(duoId.c_str());
    TarvixDevice* solo = control.getDevice(soloId.c_str());

    float minDb = 0, maxDb = 0, stepDb = 0;
    duo->output->getVolumeRange(&minDb, &maxDb, &stepDb);
    QCOMPARE(minDb, -96.0f);
    QVERIFY(minDb < LevelScale::kOutputFloorDb);
    QCOMPARE(maxDb, 0.0f);
    QCOMPARE(stepDb, 0.5f);
    solo->output->getVolumeRange(&minDb, &maxDb, &stepDb);
    QCOMPARE(maxDb, 6.0f);
    QCOMPARE(stepDb, 0.5f);

    for (TarvixMixerDevice* input : {duo->input, solo->input}) {
        input->getVolumeRange(&minDb, &maxDb, &stepDb);
        QCOMPARE(minDb, 0.0f);
        QCOMPARE(maxDb, 20.0f);
        QVERIFY(stepDb > 1.4f && stepDb <= LevelScale::kInputFirstPositionDb);
        QCOMPARE(input->getChannelCount(), 2);

        // The input slider's first position comes back as position 1.
        input->setVolumeLeft(LevelScale::inputLevelForPosition(1, stepDb));
        QCOMPARE(input->getVolumeLeft(), LevelScale::kInputFirstPositionDb);
        QCOMPARE(LevelScale::inputPositionForLevel(input->getVolumeLeft(), stepDb), 1);
    }
    QCOMPARE(duo->output->getChannelCount(), 2);

    // Null outputs are skipped.
    duo->output->getVolumeRange(nullptr, &maxDb, nullptr);
    QCOMPARE(maxDb, 0.0f);
}

void tst_Simulator::settersClampToRange_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<float>("set");
    QTest::addColumn<float>("expected");

    QTest::newRow("output on a step") << true << -10.0f << -10.0f;
    QTest::newRow("output between steps, kept as set") << true << -10.3f << -10.3f;
    QTest::newRow("output at max") << true << 0.0f << 0.0f;
    QTest::newRow("output above max") << true << 3.0f << 0.0f;
    QTest::newRow("output at min") << true << -96.0f << -96.0f;
    QTest::newRow("output below min") << true << -200.0f << -96.0f;
    QTest::newRow("output +kInf") << true << kInf << 0.0f;
    QTest::newRow("output -kInf") << true << -kInf << -96.0f;
    QTest::newRow("input below min") << false << -5.0f << 0.0f;
    QTest::newRow("input above max") << false << 25.0f << 20.0f;
    QTest::newRow("input first position") << false << 2.8f << 2.8f;
}

void tst_Simulator::settersClampToRange()
{
    QFETCH(bool, output);
    QFETCH(float, set);
    QFETCH(float, expected);

    SimulatedControl control;
    TarvixDevice* duo = control.getDevice(duoId.c_str());
    TarvixMixerDevice* endpoint = output ? duo->output : duo->input;
    endpoint->setVolumeLeft(set);
    endpoint->setVolumeRight(set);
    QCOMPARE(endpoint->getVolumeLeft(), expected);
    QCOMPARE(endpoint->getVolumeRight(), expected);
}

void tst_Simulator::nanIsIgnoredBySetters()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    output->setVolumeLeft(-10.0f);
    output->setVolumeRight(-11.0f);
    RecordingVolumeListener listener;
    output->registerCallback(&listener);

    output->setVolumeLeft(kNaN);
    output->setVolumeRight(-kNaN);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(output->getVolumeLeft(), -10.0f);
    QCOMPARE(output->getVolumeRight(), -11.0f);
    QCOMPARE(listener.calls(), 0);
    QCOMPARE(control.counts().volumeChangesMade, 0u);
}

void tst_Simulator::settersReportEachRealChangeOnce()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    std::atomic<bool> lockHeldDuringDelivery{false};
    RecordingVolumeListener listener([&](std::int32_t) {
        if (control.isLockedByCurrentThread())
            lockHeldDuringDelivery.store(true);
    });
    output->registerCallback(&listener);

    const auto callsAfter = [&](auto change) {
        change();
        return control.waitUntilDelivered() ? listener.calls() : -1;
    };
    QCOMPARE(callsAfter([&] { output->setVolumeLeft(-10.0f); }), 1);
    QCOMPARE(callsAfter([&] { output->setVolumeLeft(-10.0f); }), 1);
    QCOMPARE(callsAfter([&] { output->setVolumeRight(-10.0f); }), 2);
    QCOMPARE(callsAfter([&] { output->setMute(true); }), 3);
    QCOMPARE(callsAfter([&] { output->setMute(true); }), 3);
    QCOMPARE(callsAfter([&] { output->setMute(false); }), 4);
    QCOMPARE(callsAfter([&] { output->setVolumeLeft(5.0f); }), 5);
    // Clamped to the maximum it already holds: no change.
    QCOMPARE(callsAfter([&] { output->setVolumeLeft(7.0f); }), 5);
    QCOMPARE(callsAfter([&] { output->setVolumeLeft(-0.25f); }), 6);

    QVERIFY(strictlyIncreasing(listener.arguments()));
    for (std::thread::id thread : listener.callingThreads())
        QVERIFY(thread != std::this_thread::get_id());
    const SimulatedCounts counts = control.counts();
    QCOMPARE(counts.volumeChangesMade, 6u);
    QCOMPARE(counts.volumeChangesDelivered, 6u);
    QVERIFY(!listener.callsOverlapped());
    QVERIFY(!lockHeldDuringDelivery.load());
}

void tst_Simulator::replacedOrUnregisteredListenerIsNotCalled()
{
    SimulatedControl control;
    TarvixMixerDevice* input = control.getDevice(duoId.c_str())->input;
    RecordingVolumeListener first;
    RecordingVolumeListener second;

    input->registerCallback(&first);
    input->setVolumeLeft(4.0f);
    QVERIFY(control.waitUntilDelivered());
    input->registerCallback(&second);
    input->setVolumeLeft(6.0f);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(first.calls(), 1);
    QCOMPARE(second.calls(), 1);

    input->registerCallback(nullptr);
    input->setVolumeLeft(10.0f);
    input->setMute(true);
    control.changeVolumeRightElsewhere(duoId, SimulatedEndpointKind::Input, 12.0f);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(first.calls(), 1);
    QCOMPARE(second.calls(), 1);
    QCOMPARE(input->getVolumeRight(), 12.0f);
    QCOMPARE(control.counts().volumeChangesMade, 2u);
}

void tst_Simulator::queuedNotificationForReplacedListenerIsDropped()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    RecordingDeviceListener deviceListener([&](CallbackType type, const char*, TarvixDevice*) {
        if (type == DeviceChange) {
            entered.set_value();
            released.wait();
        }
    });
    control.registerTarvixDeviceCallback(&deviceListener);
    RecordingVolumeListener first;
    RecordingVolumeListener second;
    output->registerCallback(&first);

    // The delivery thread is held inside the DeviceChange; the level change queues behind it.
    control.sendDeviceChange(duoId);
    entered.get_future().wait();
    output->setVolumeLeft(-30.0f);
    output->registerCallback(&second);
    release.set_value();

    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(first.calls(), 0);
    QCOMPARE(second.calls(), 0);
    const SimulatedCounts counts = control.counts();
    QCOMPARE(counts.volumeChangesMade, 1u);
    QCOMPARE(counts.volumeChangesDelivered, 0u);
    QCOMPARE(counts.droppedNotifications, 1u);
}

void tst_Simulator::elsewhereChangesAreTakenAsTheyComeAndReportedOnce()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    RecordingVolumeListener listener;
    output->registerCallback(&listener);
    const auto output_ = SimulatedEndpointKind::Output;

    control.changeVolumeLeftElsewhere(duoId, output_, -100.0f);
    control.changeVolumeRightElsewhere(duoId, output_, -72.5f);
    control.changeMuteElsewhere(duoId, output_, true);
    control.changeMuteElsewhere(duoId, output_, true);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(output->getVolumeLeft(), -100.0f); // below the minimum, as another mixer left it
    QCOMPARE(output->getVolumeRight(), -72.5f);
    QVERIFY(output->getMute());
    QCOMPARE(listener.calls(), 3);

    control.changeVolumeLeftElsewhere(duoId, output_, kNaN);
    control.changeVolumeLeftElsewhere(duoId, output_, kNaN);
    QVERIFY(control.waitUntilDelivered());
    QVERIFY(std::isnan(output->getVolumeLeft()));
    QCOMPARE(listener.calls(), 4);

    for (int i = 0; i < 50; ++i)
        control.changeVolumeRightElsewhere(duoId, output_, -0.5f * i);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(output->getVolumeRight(), -24.5f);
    QCOMPARE(listener.calls(), 54);
    QVERIFY(strictlyIncreasing(listener.arguments()));
    for (std::thread::id thread : listener.callingThreads())
        QVERIFY(thread != std::this_thread::get_id());
    QCOMPARE(control.counts().volumeChangesDelivered, 54u);
}

void tst_Simulator::requestsForMissingTargetsAreIgnored()
{
    SimulatedControl control;
    RecordingDeviceListener deviceListener;
    control.registerTarvixDeviceCallback(&deviceListener);
    control.plugDevice(outputOnlyConfig("output-only"));
    QVERIFY(control.waitUntilDelivered());

    control.changeVolumeLeftElsewhere("absent", SimulatedEndpointKind::Output, -1.0f);
    control.changeSwitchElsewhere(soloId, SimulatedSwitch::PhantomLeft, true); // no HID
    control.changeMuteElsewhere("output-only", SimulatedEndpointKind::Input, true);
    control.unplugDevice("absent");
    control.plugDevice(SimulatedDeviceConfig::duo()); // already present
    QVERIFY(control.waitUntilDelivered());

    QCOMPARE(control.counts().ignoredRequests, 5u);
    QCOMPARE(control.presentDeviceIds(), (std::vector<std::string>{duoId, soloId, "output-only"}));
    QCOMPARE(deviceListener.events().size(), 3u);
}

void tst_Simulator::lockIsReentrantAndExclusive()
{
    SimulatedControl control;
    const auto lockedElsewhere = [&] {
        return !onOtherThread([&] {
            if (!control.tryLock())
                return false;
            control.unlock();
            return true;
        });
    };

    QVERIFY(!control.isLockedByCurrentThread());
    QVERIFY(!lockedElsewhere());
    control.lock();
    control.lock();
    QVERIFY(control.isLockedByCurrentThread());
    QVERIFY(lockedElsewhere());
    control.unlock();
    QVERIFY(control.isLockedByCurrentThread());
    QVERIFY(lockedElsewhere());

    // An unlock from a thread that does not hold the lock changes nothing.
    onOtherThread([&] {
        control.unlock();
        return 0;
    });
    QVERIFY(control.isLockedByCurrentThread());
    QVERIFY(lockedElsewhere());

    control.unlock();
    QVERIFY(!control.isLockedByCurrentThread());
    QVERIFY(!lockedElsewhere());
}

void tst_Simulator::getDeviceWithAndWithoutLock()
{
    SimulatedControl control;
    TarvixDevice* unlocked = control.getDevice(duoId.c_str());
    QVERIFY(unlocked);
    control.lock();
    control.lock();
    QCOMPARE(control.getDevice(duoId.c_str()), unlocked);
    QVERIFY(control.getDevice(soloId.c_str()) != unlocked);
    control.unlock();
    control.unlock();
    QVERIFY(!control.getDevice(nullptr));
    QVERIFY(!control.getDevice("absent"));
    QVERIFY(!control.getDevice(""));
    QCOMPARE(onOtherThread([&] { return control.getDevice(duoId.c_str()); }), unlocked);

    control.unplugDevice(duoId);
    QVERIFY(control.waitUntilDelivered());
    QVERIFY(!control.getDevice(duoId.c_str()));
}

void tst_Simulator::hotPlugReportsArrivalAndRemovalWithTheSameRecord()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    RecordingDeviceListener listener;
    control.registerTarvixDeviceCallback(&listener);

    SimulatedDeviceConfig config;
    config.id = "usb:1d6b:0a04:7";
    config.name = "Tarvix Quattro \xc3\x84\xc3\x96";
    config.input = SimulatedDeviceConfig::defaultInput();
    config.hid = SimulatedSwitches{true, false, false, true};
    control.plugDevice(config);
    QVERIFY(control.waitUntilDelivered());

    TarvixDevice* device = control.getDevice(config.id.c_str());
    QVERIFY(device);
    QCOMPARE(std::string(device->name), config.name);
    QVERIFY(!device->output);
    QVERIFY(device->input);
    QVERIFY(device->hid);
    QVERIFY(device->hid->getPhantomLeft());
    QVERIFY(device->hid->getLoopbackRight());
    QVERIFY(!device->hid->getPhantomRight());

    control.unplugDevice(config.id);
    QVERIFY(control.waitUntilDelivered());
    const std::vector<DeviceEventRecord> events = listener.events();
    QCOMPARE(events.size(), 2u);
    QCOMPARE(events[0].type, DeviceArrival);
    QCOMPARE(events[0].device, device);
    QCOMPARE(events[0].recordName, config.name);
    QCOMPARE(events[1].type, DeviceRemoval);
    QCOMPARE(events[1].id, config.id);
    QCOMPARE(events[1].device, device);
    QVERIFY(!control.getDevice(config.id.c_str()));

    // The id is free again.
    control.plugDevice(config);
    QVERIFY(control.waitUntilDelivered());
    QVERIFY(control.getDevice(config.id.c_str()));
    QCOMPARE(control.counts().ignoredRequests, 0u);
}

void tst_Simulator::recordStaysValidUntilRemovalIsReported()
{
    SimulatedControl control;
    struct SeenAtRemoval
    {
        std::string id;
        std::string name;
        float levelBefore = 0;
        float levelAfterSet = 0;
        bool phantomLeft = false;
        bool presentAtRemoval = true;
    } seen;
    SimulatedControl* controlPointer = &control;
    RecordingDeviceListener listener([&](CallbackType type, const char*, TarvixDevice* device) {
        if (type != DeviceRemoval)
            return;
        seen.id = device->id;
        seen.name = device->name;
        seen.levelBefore = device->output->getVolumeLeft();
        device->output->setVolumeLeft(-3.0f); // the device is gone: ignored
        seen.levelAfterSet = device->output->getVolumeLeft();
        device->hid->setPhantomLeft(true);
        seen.phantomLeft = device->hid->getPhantomLeft();
        seen.presentAtRemoval = controlPointer->getDevice(device->id) != nullptr;
    });
    control.registerTarvixDeviceCallback(&listener);
    TarvixDevice* duo = control.getDevice(duoId.c_str());
    RecordingVolumeListener volumeListener;
    duo->output->registerCallback(&volumeListener);
    duo->output->setVolumeLeft(-12.5f);
    QVERIFY(control.waitUntilDelivered());

    control.unplugDevice(duoId);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(seen.id, duoId);
    QCOMPARE(seen.name, std::string("Tarvix Duo USB"));
    QCOMPARE(seen.levelBefore, -12.5f);
    QCOMPARE(seen.levelAfterSet, -12.5f);
    QVERIFY(!seen.phantomLeft);
    QVERIFY(!seen.presentAtRemoval);
    QCOMPARE(volumeListener.calls(), 1);
    QCOMPARE(control.counts().volumeChangesMade, 1u);
}

void tst_Simulator::deviceEventsAreDeliveredInOrder()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    RecordingDeviceListener listener;
    control.registerTarvixDeviceCallback(&listener);

    control.plugDevice(outputOnlyConfig("a"));
    control.plugDevice(outputOnlyConfig("b"));
    control.sendDeviceChange("a");
    control.sendDeviceEvent("b", static_cast<CallbackType>(7));
    control.sendDeviceEvent("ghost", DeviceChange);
    control.unplugDevice("a");
    control.sendDeviceEvent("b", DeviceRemoval); // spurious: "b" stays present
    control.sendDeviceEvent("b", DeviceArrival); // reported twice
    QVERIFY(control.waitUntilDelivered());

    const std::vector<DeviceEventRecord> events = listener.events();
    const std::vector<std::pair<int, std::string>> expected{
        {DeviceArrival, "a"},    {DeviceArrival, "b"}, {DeviceChange, "a"},  {7, "b"},
        {DeviceChange, "ghost"}, {DeviceRemoval, "a"}, {DeviceRemoval, "b"}, {DeviceArrival, "b"},
    };
    QCOMPARE(events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(static_cast<int>(events[i].type), expected[i].first);
        QCOMPARE(events[i].id, expected[i].second);
        QCOMPARE(events[i].device == nullptr, expected[i].second == "ghost");
    }
    QVERIFY(events[1].device == events[6].device);
    QVERIFY(control.getDevice("b"));

    const SimulatedCounts counts = control.counts();
    QCOMPARE(counts.deviceArrivals, 3u);
    QCOMPARE(counts.deviceRemovals, 2u);
    QCOMPARE(counts.deviceChanges, 2u);
    QCOMPARE(counts.otherDeviceEvents, 1u);
}

void tst_Simulator::hostileRangesAndLevelsPassThrough()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    SimulatedDeviceConfig config;
    config.id = "";
    config.name = "";
    config.output = SimulatedEndpointConfig{kNaN, kInf, 0.0f, kNaN, -kInf, true, 0};
    config.input = SimulatedEndpointConfig{10.0f, 0.0f, -2.0f, 1e30f, -1e30f, false, 7};
    control.plugDevice(config);
    QVERIFY(control.waitUntilDelivered());

    TarvixDevice* device = control.getDevice("");
    QVERIFY(device);
    QCOMPARE(device->id, std::string());
    float minDb = 0, maxDb = 0, stepDb = 1;
    device->output->getVolumeRange(&minDb, &maxDb, &stepDb);
    QVERIFY(std::isnan(minDb));
    QVERIFY(sameBits(maxDb, kInf));
    QVERIFY(sameBits(stepDb, 0.0f));
    QVERIFY(std::isnan(device->output->getVolumeLeft()));
    QCOMPARE(device->output->getVolumeRight(), -kInf);
    QVERIFY(device->output->getMute());
    QCOMPARE(device->output->getChannelCount(), 0);

    // A NaN bound does not clamp.
    device->output->setVolumeLeft(-500.0f);
    QCOMPARE(device->output->getVolumeLeft(), -500.0f);

    device->input->getVolumeRange(&minDb, &maxDb, &stepDb);
    QCOMPARE(minDb, 10.0f);
    QCOMPARE(maxDb, 0.0f);
    QCOMPARE(stepDb, -2.0f);
    QCOMPARE(device->input->getVolumeLeft(), 1e30f);
    QCOMPARE(device->input->getChannelCount(), 7);
    // A minimum above the maximum wins.
    device->input->setVolumeLeft(5.0f);
    QCOMPARE(device->input->getVolumeLeft(), 10.0f);
}

void tst_Simulator::hidSwitchesArePairedByName_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("phantom left") << static_cast<int>(SimulatedSwitch::PhantomLeft);
    QTest::newRow("phantom right") << static_cast<int>(SimulatedSwitch::PhantomRight);
    QTest::newRow("loopback left") << static_cast<int>(SimulatedSwitch::LoopbackLeft);
    QTest::newRow("loopback right") << static_cast<int>(SimulatedSwitch::LoopbackRight);
}

void tst_Simulator::hidSwitchesArePairedByName()
{
    QFETCH(int, which);
    SimulatedControl control;
    TarvixHID* hid = control.getDevice(duoId.c_str())->hid;
    const auto states = [hid] {
        return std::vector<bool>{hid->getPhantomLeft(), hid->getPhantomRight(),
                                 hid->getLoopbackLeft(), hid->getLoopbackRight()};
    };
    std::vector<bool> expected(4, false);
    expected[static_cast<std::size_t>(which)] = true;

    switch (static_cast<SimulatedSwitch>(which)) {
    case SimulatedSwitch::PhantomLeft:
        hid->setPhantomLeft(true);
        break;
    case SimulatedSwitch::PhantomRight:
        hid->setPhantomRight(true);
        break;
    case SimulatedSwitch::LoopbackLeft:
        hid->setLoopbackLeft(true);
        break;
    case SimulatedSwitch::LoopbackRight:
        hid->setLoopbackRight(true);
        break;
    }
    QCOMPARE(states(), expected);

    control.changeSwitchElsewhere(duoId, static_cast<SimulatedSwitch>(which), false);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(states(), std::vector<bool>(4, false));
    control.changeSwitchElsewhere(duoId, static_cast<SimulatedSwitch>(which), true);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(states(), expected);
}

void tst_Simulator::pollReportsEachDifferenceOnce()
{
    SimulatedControl control;
    TarvixHID* hid = control.getDevice(duoId.c_str())->hid;
    CountingHIDListener listener;

    hid->registerChangedCallback(&listener);
    QCOMPARE(listener.calls, 0);
    hid->poll(); // a new listener has been told nothing yet
    QCOMPARE(listener.calls, 1);
    hid->poll();
    QCOMPARE(listener.calls, 1);

    control.changeSwitchElsewhere(duoId, SimulatedSwitch::LoopbackRight, true);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(listener.calls, 1); // only poll() reports
    QVERIFY(hid->getLoopbackRight());
    hid->poll();
    QCOMPARE(listener.calls, 2);
    hid->poll();
    QCOMPARE(listener.calls, 2);

    hid->setPhantomLeft(true);
    hid->poll();
    QCOMPARE(listener.calls, 3);

    // Moved and moved back between two polls: no difference to report.
    control.changeSwitchElsewhere(duoId, SimulatedSwitch::PhantomRight, true);
    control.changeSwitchElsewhere(duoId, SimulatedSwitch::PhantomRight, false);
    control.changeSwitchElsewhere(duoId, SimulatedSwitch::PhantomLeft, true);
    QVERIFY(control.waitUntilDelivered());
    hid->poll();
    QCOMPARE(listener.calls, 3);

    // Registering the same listener again starts it afresh.
    hid->registerChangedCallback(&listener);
    QCOMPARE(listener.calls, 3);
    hid->poll();
    QCOMPARE(listener.calls, 4);
    QVERIFY(!listener.calledFromOtherThread);
    QCOMPARE(control.counts().hidReports, 4u);
}

void tst_Simulator::unregisteredHidListenerIsNotTold()
{
    SimulatedControl control;
    TarvixHID* hid = control.getDevice(duoId.c_str())->hid;
    CountingHIDListener first;
    CountingHIDListener second;
    hid->registerChangedCallback(&first);
    hid->poll();
    QCOMPARE(first.calls, 1);

    hid->registerChangedCallback(nullptr);
    hid->setLoopbackLeft(true);
    hid->poll();
    QCOMPARE(first.calls, 1);

    hid->registerChangedCallback(&second);
    hid->poll();
    QCOMPARE(first.calls, 1);
    QCOMPARE(second.calls, 1);

    // A removed device's interface reports nothing more.
    control.changeSwitchElsewhere(duoId, SimulatedSwitch::PhantomLeft, true);
    control.unplugDevice(duoId);
    QVERIFY(control.waitUntilDelivered()); // no device listener: the record is freed now
    QCOMPARE(second.calls, 1);
}

void tst_Simulator::rangeChangeIsInPlaceWhenItsDeviceChangeArrives()
{
    SimulatedControl control;
    float stepSeen = 0;
    RecordingDeviceListener listener([&](CallbackType type, const char*, TarvixDevice* device) {
        if (type == DeviceChange) {
            float minDb = 0, maxDb = 0;
            device->output->getVolumeRange(&minDb, &maxDb, &stepSeen);
        }
    });
    control.registerTarvixDeviceCallback(&listener);
    control.changeVolumeRangeElsewhere(duoId, SimulatedEndpointKind::Output, -60.0f, 6.0f, 0.1f);
    control.sendDeviceChange(duoId);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(stepSeen, 0.1f);

    // The new range clamps the setters.
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    output->setVolumeLeft(-90.0f);
    QCOMPARE(output->getVolumeLeft(), -60.0f);
}

void tst_Simulator::factoryReturnsTheSimulatedBackend()
{
    TarvixControl* control = tarvix_control_create_win32();
    QVERIFY(control);
    QCOMPARE(QByteArray(control->backendName()), QByteArray("Simulated devices"));
    QVERIFY(control->getDevice(duoId.c_str()));
    QVERIFY(dynamic_cast<SimulatedControl*>(control));
    delete control;
}

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
