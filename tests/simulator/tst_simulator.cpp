#include "countinghidlistener.h"
#include "levelscale.h"
#include "recordingdevicelistener.h"
#include "recordingvolumelistener.h"
#include "simulatedcontrol.h"
#include "tarvixlibrary.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <future>
#include <limits>
#include <memory>
#include <thread>

namespace {

const std::string duoId = SimulatedDeviceConfig::duo().id;
const std::string soloId = SimulatedDeviceConfig::solo().id;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

SimulatedDeviceConfig outputOnly(const std::string& id)
{
    SimulatedDeviceConfig config;
    config.id = id;
    config.output = SimulatedDeviceConfig::defaultOutput(0.0f);
    return config;
}

template <typename Work> auto onOtherThread(Work work)
{
    return std::async(std::launch::async, work).get();
}

} // namespace

class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    void arrivalsFollowRegistration_data();
    void arrivalsFollowRegistration();
    void settersClampAndIgnoreNaN_data();
    void settersClampAndIgnoreNaN();
    void eachRealChangeReachesTheCurrentListenerOnce();
    void elsewhereChangesAreTakenAsTheyComeAndReportedOnce();
    void lockAndGetDevice();
    void requestsInOrderWithRecordsValidUntilRemoval();
    void hostileRangesAndLevelsPassThrough();
    void hidSwitchesAndPoll();
    void factoryGivesTheSimulatorWithTheDefaultDevices();
};

void tst_Simulator::arrivalsFollowRegistration_data()
{
    QTest::addColumn<bool>("withinRegistration");
    QTest::newRow("from library thread") << false;
    QTest::newRow("within registration") << true;
}

// Present devices are reported only once a listener registers; everything after the
// registration comes from a library thread, never with the library lock held.
void tst_Simulator::arrivalsFollowRegistration()
{
    QFETCH(bool, withinRegistration);
    using Control = SimulatedControl;
    Control control(Control::StartWith::DefaultDevices,
                    withinRegistration ? Control::ArrivalReporting::WithinRegistration
                                       : Control::ArrivalReporting::FromLibraryThread);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(control.counts().deviceArrivals, 0u);
    std::atomic<bool> lockHeld{false};
    RecordingDeviceListener listener([&](CallbackType, const char*, TarvixDevice*) {
        lockHeld = lockHeld || control.isLockedByCurrentThread();
    });
    control.registerTarvixDeviceCallback(&listener);
    if (withinRegistration)
        QCOMPARE(listener.events().size(), 2u);
    control.plugDevice(outputOnly("later"));
    QVERIFY(control.waitUntilDelivered());

    const std::vector<std::string> ids{duoId, soloId, "later"};
    const std::vector<DeviceEventRecord> events = listener.events();
    QCOMPARE(events.size(), ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        QCOMPARE(events[i].type, DeviceArrival);
        QCOMPARE(events[i].id, ids[i]);
        QCOMPARE(events[i].device, control.getDevice(ids[i].c_str()));
        QCOMPARE(events[i].thread == std::this_thread::get_id(), withinRegistration && i < 2);
    }
    QVERIFY(!lockHeld);
}

void tst_Simulator::settersClampAndIgnoreNaN_data()
{
    QTest::addColumn<bool>("output"); // output: -96..0 dB at -20; input: 0..20 dB at 8
    QTest::addColumn<float>("set");
    QTest::addColumn<float>("expected");
    QTest::newRow("between steps, kept") << true << -10.3f << -10.3f;
    QTest::newRow("at max") << true << 0.0f << 0.0f;
    QTest::newRow("above max") << true << 3.0f << 0.0f;
    QTest::newRow("below min") << true << -200.0f << -96.0f;
    QTest::newRow("+inf") << true << kInf << 0.0f;
    QTest::newRow("-inf") << true << -kInf << -96.0f;
    QTest::newRow("unchanged") << true << -20.0f << -20.0f;
    QTest::newRow("NaN") << true << kNaN << -20.0f;
    QTest::newRow("-NaN") << true << -kNaN << -20.0f;
    QTest::newRow("input below min") << false << -5.0f << 0.0f;
    QTest::newRow("input above max") << false << 25.0f << 20.0f;
    QTest::newRow("input NaN") << false << kNaN << 8.0f;
    QTest::newRow("input slider's first position")
        << false << LevelScale::inputLevelForPosition(1, 2.0f) << LevelScale::kInputFirstPositionDb;
}

// Both channels clamp to the range; a value that changes nothing is not reported.
void tst_Simulator::settersClampAndIgnoreNaN()
{
    QFETCH(bool, output);
    QFETCH(float, set);
    QFETCH(float, expected);
    SimulatedControl control;
    TarvixDevice* duo = control.getDevice(duoId.c_str());
    TarvixMixerDevice* endpoint = output ? duo->output : duo->input;
    const float before = endpoint->getVolumeLeft();
    RecordingVolumeListener listener;
    endpoint->registerCallback(&listener);
    endpoint->setVolumeLeft(set);
    endpoint->setVolumeRight(set);
    QCOMPARE(endpoint->getVolumeLeft(), expected);
    QCOMPARE(endpoint->getVolumeRight(), expected);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(listener.calls(), expected == before ? 0 : 2);
}

// Real changes only, once each, in order, one at a time from one library thread without the
// lock. A notification queued for a listener replaced before its turn is dropped; an
// unregistered listener hears nothing, though changes still apply.
void tst_Simulator::eachRealChangeReachesTheCurrentListenerOnce()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    std::atomic<bool> lockHeld{false};
    RecordingVolumeListener first(
        [&](std::int32_t) { lockHeld = lockHeld || control.isLockedByCurrentThread(); });
    output->registerCallback(&first);
    output->setMute(true);
    output->setMute(true);
    output->setMute(false);
    output->setVolumeRight(-20.0f); // the level it holds
    output->setVolumeLeft(5.0f);    // clamped to 0 dB
    output->setVolumeLeft(7.0f);    // clamped to the 0 dB it holds
    output->setVolumeLeft(-0.25f);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(first.calls(), 4);
    QVERIFY(first.argumentsIncrease() && !first.callsOverlapped() && !lockHeld);

    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    RecordingDeviceListener holder([&](CallbackType type, const char*, TarvixDevice*) {
        if (type == DeviceChange) {
            entered.set_value();
            released.wait();
        }
    });
    control.registerTarvixDeviceCallback(&holder);
    control.sendDeviceChange(duoId);
    entered.get_future().wait(); // the delivery thread is held
    output->setVolumeLeft(-30.0f);
    RecordingVolumeListener second;
    output->registerCallback(&second);
    release.set_value();
    output->setVolumeLeft(-35.0f);
    QVERIFY(control.waitUntilDelivered());
    output->registerCallback(nullptr);
    output->setVolumeLeft(-40.0f);
    control.changeMuteElsewhere(duoId, SimulatedEndpointKind::Output, true);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(first.calls(), 4);
    QCOMPARE(second.calls(), 1);
    QCOMPARE(output->getVolumeLeft(), -40.0f);
    QVERIFY(output->getMute());
    const SimulatedCounts counts = control.counts();
    QCOMPARE(counts.volumeChangesMade, 6u);
    QCOMPARE(counts.volumeChangesDelivered, 5u);
    QCOMPARE(counts.droppedNotifications, 1u);
}

// Elsewhere changes are not clamped, NaN included, and each real one is reported once; a new
// range clamps later setters.
void tst_Simulator::elsewhereChangesAreTakenAsTheyComeAndReportedOnce()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    RecordingVolumeListener listener;
    output->registerCallback(&listener);
    const auto kind = SimulatedEndpointKind::Output;
    control.changeVolumeLeftElsewhere(duoId, kind, -100.0f);
    control.changeMuteElsewhere(duoId, kind, true);
    control.changeMuteElsewhere(duoId, kind, true);
    control.changeVolumeRightElsewhere(duoId, kind, kNaN);
    control.changeVolumeRightElsewhere(duoId, kind, kNaN);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(output->getVolumeLeft(), -100.0f);
    QVERIFY(std::isnan(output->getVolumeRight()));
    QVERIFY(output->getMute());
    QCOMPARE(listener.calls(), 3);

    for (int i = 0; i < 50; ++i)
        control.changeVolumeLeftElsewhere(duoId, kind, -0.5f * i);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(output->getVolumeLeft(), -24.5f);
    QCOMPARE(listener.calls(), 53);
    control.changeVolumeRangeElsewhere(duoId, kind, -60.0f, 6.0f, 0.1f);
    QVERIFY(control.waitUntilDelivered());
    output->setVolumeLeft(-90.0f);
    QCOMPARE(output->getVolumeLeft(), -60.0f);
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(listener.calls(), 54);
    QVERIFY(listener.argumentsIncrease());
    QVERIFY(!listener.callingThreads().count(std::this_thread::get_id()));
}

// The lock is re-entrant, excludes other threads and ignores an unlock from one of them;
// getDevice answers with the lock held at any depth and without it, from any thread.
void tst_Simulator::lockAndGetDevice()
{
    SimulatedControl control;
    const auto lockedElsewhere = [&] {
        return !onOtherThread([&] {
            const bool locked = control.tryLock();
            if (locked)
                control.unlock();
            return locked;
        });
    };
    TarvixDevice* duo = control.getDevice(duoId.c_str());
    QVERIFY(duo);
    QCOMPARE(onOtherThread([&] { return control.getDevice(duoId.c_str()); }), duo);
    QVERIFY(!lockedElsewhere());
    control.lock();
    control.lock();
    QCOMPARE(control.getDevice(duoId.c_str()), duo);
    QVERIFY(control.getDevice(soloId.c_str()) != duo);
    control.unlock();
    QVERIFY(control.isLockedByCurrentThread() && lockedElsewhere());
    onOtherThread([&] { control.unlock(); });
    QVERIFY(lockedElsewhere());
    control.unlock();
    QVERIFY(!control.isLockedByCurrentThread() && !lockedElsewhere());
    for (const char* absent : {static_cast<const char*>(nullptr), "absent", ""})
        QVERIFY(!control.getDevice(absent));
    control.unplugDevice(duoId);
    QVERIFY(control.waitUntilDelivered());
    QVERIFY(!control.getDevice(duoId.c_str()));
}

// Requests are carried out in order, those naming nothing present (or a present id to plug)
// ignored. A removal carries the record its arrival did, still readable but no longer present
// and ignoring sets; the id can then be plugged again.
void tst_Simulator::requestsInOrderWithRecordsValidUntilRemoval()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    SimulatedDeviceConfig quattro;
    quattro.id = "usb:1d6b:0a04:7";
    quattro.name = "Tarvix Quattro \xc3\x84\xc3\x96";
    quattro.input = SimulatedDeviceConfig::defaultInput();
    quattro.hid = SimulatedSwitches{true, false, false, true};
    const std::string& q = quattro.id;
    std::string nameAtRemoval;
    bool changedAtRemoval = true;
    bool presentAtRemoval = true;
    RecordingDeviceListener listener([&](CallbackType type, const char* id, TarvixDevice* device) {
        if (type != DeviceRemoval || id != q)
            return;
        nameAtRemoval = device->name;
        device->input->setVolumeLeft(12.0f);
        device->hid->setPhantomRight(true);
        changedAtRemoval = device->input->getVolumeLeft() != 8.0f || device->hid->getPhantomRight();
        presentAtRemoval = control.getDevice(id) == device; // the id may be replugged already
    });
    control.registerTarvixDeviceCallback(&listener);
    control.plugDevice(quattro);
    control.plugDevice(outputOnly("b"));
    control.sendDeviceChange(q);
    control.sendDeviceEvent("b", static_cast<CallbackType>(7));
    control.sendDeviceEvent("ghost", DeviceChange);
    control.unplugDevice(q);
    control.sendDeviceEvent("b", DeviceRemoval); // spurious: "b" stays present
    control.sendDeviceEvent("b", DeviceArrival);
    control.plugDevice(quattro);
    control.changeVolumeLeftElsewhere("absent", SimulatedEndpointKind::Output, -1.0f);
    control.changeSwitchElsewhere("b", SimulatedSwitch::PhantomLeft, true);
    control.changeMuteElsewhere("b", SimulatedEndpointKind::Input, true);
    control.unplugDevice("absent");
    control.plugDevice(outputOnly("b"));
    QVERIFY(control.waitUntilDelivered());
    QCOMPARE(control.counts().ignoredRequests, 5u);
    QCOMPARE(control.presentDeviceIds(), (std::vector<std::string>{"b", q}));

    const std::vector<std::pair<int, std::string>> expected{
        {DeviceArrival, q},      {DeviceArrival, "b"}, {DeviceChange, q},    {7, "b"},
        {DeviceChange, "ghost"}, {DeviceRemoval, q},   {DeviceRemoval, "b"}, {DeviceArrival, "b"},
        {DeviceArrival, q}};
    const std::vector<DeviceEventRecord> events = listener.events();
    QCOMPARE(events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(static_cast<int>(events[i].type), expected[i].first);
        QCOMPARE(events[i].id, expected[i].second);
        QCOMPARE(events[i].device == nullptr, expected[i].second == "ghost");
    }
    QCOMPARE(events[5].device, events[0].device);
    QCOMPARE(events[6].device, events[1].device);
    QCOMPARE(nameAtRemoval, quattro.name);
    QVERIFY(!changedAtRemoval && !presentAtRemoval);

    TarvixDevice* replugged = control.getDevice(q.c_str());
    QCOMPARE(replugged, events[8].device);
    QVERIFY(!replugged->output && replugged->hid->getPhantomLeft());
    QVERIFY(replugged->hid->getLoopbackRight() && !replugged->hid->getPhantomRight());
    QCOMPARE(control.counts().deviceArrivals, 4u);
    QCOMPARE(control.counts().otherDeviceEvents, 1u);
}

// NaN and infinite values, a zero or negative step, a minimum above the maximum, odd channel
// counts and an empty id all reach the getters as they are.
void tst_Simulator::hostileRangesAndLevelsPassThrough()
{
    SimulatedControl control(SimulatedControl::StartWith::NoDevices);
    SimulatedDeviceConfig config;
    config.output = SimulatedEndpointConfig{kNaN, kInf, 0.0f, kNaN, -kInf, true, 0};
    config.input = SimulatedEndpointConfig{10.0f, 0.0f, -2.0f, 1e30f, -1e30f, false, 7};
    control.plugDevice(config);
    QVERIFY(control.waitUntilDelivered());
    TarvixDevice* device = control.getDevice("");
    QVERIFY(device);
    QCOMPARE(std::string(device->id), std::string());

    TarvixMixerDevice* output = device->output;
    float minDb = 0, maxDb = 0, stepDb = 1;
    output->getVolumeRange(&minDb, &maxDb, &stepDb);
    QVERIFY(std::isnan(minDb));
    QCOMPARE(maxDb, kInf);
    QVERIFY(stepDb == 0.0f && !std::signbit(stepDb));
    QVERIFY(std::isnan(output->getVolumeLeft()));
    QCOMPARE(output->getVolumeRight(), -kInf);
    QVERIFY(output->getMute());
    QCOMPARE(output->getChannelCount(), 0);
    output->setVolumeLeft(-500.0f); // a NaN bound does not clamp
    QCOMPARE(output->getVolumeLeft(), -500.0f);

    TarvixMixerDevice* input = device->input;
    input->getVolumeRange(&minDb, &maxDb, &stepDb);
    QCOMPARE(std::vector<float>({minDb, maxDb, stepDb}), std::vector<float>({10.0f, 0.0f, -2.0f}));
    QCOMPARE(input->getVolumeRight(), -1e30f);
    QCOMPARE(input->getChannelCount(), 7);
    input->setVolumeLeft(5.0f); // a minimum above the maximum wins
    QCOMPARE(input->getVolumeLeft(), 10.0f);
}

// Each setter and each elsewhere change moves its own switch and no other. poll() reports on
// its caller's thread once per difference from what it last reported, so not a switch moved
// and back between polls; a new or re-registered listener is told once, an unregistered none.
void tst_Simulator::hidSwitchesAndPoll()
{
    SimulatedControl control;
    TarvixHID* hid = control.getDevice(duoId.c_str())->hid;
    CountingHIDListener listener;
    const auto states = [hid] {
        return std::vector<bool>{hid->getPhantomLeft(), hid->getPhantomRight(),
                                 hid->getLoopbackLeft(), hid->getLoopbackRight()};
    };
    const auto callsAfterPoll = [&] {
        hid->poll();
        return listener.calls;
    };
    using Setter = void (TarvixHID::*)(bool);
    const std::vector<std::pair<SimulatedSwitch, Setter>> switches{
        {SimulatedSwitch::PhantomLeft, &TarvixHID::setPhantomLeft},
        {SimulatedSwitch::PhantomRight, &TarvixHID::setPhantomRight},
        {SimulatedSwitch::LoopbackLeft, &TarvixHID::setLoopbackLeft},
        {SimulatedSwitch::LoopbackRight, &TarvixHID::setLoopbackRight}};
    hid->registerChangedCallback(&listener);
    QCOMPARE(listener.calls, 0);
    QCOMPARE(callsAfterPoll(), 1);
    int reports = 1;
    for (std::size_t i = 0; i < switches.size(); ++i) {
        std::vector<bool> onlyThis(4, false);
        onlyThis[i] = true;
        (hid->*switches[i].second)(true);
        QCOMPARE(states(), onlyThis);
        QCOMPARE(callsAfterPoll(), ++reports);
        QCOMPARE(callsAfterPoll(), reports);
        (hid->*switches[i].second)(false);
        control.changeSwitchElsewhere(duoId, switches[i].first, true);
        QVERIFY(control.waitUntilDelivered());
        QCOMPARE(states(), onlyThis);
        QCOMPARE(callsAfterPoll(), reports);
        control.changeSwitchElsewhere(duoId, switches[i].first, false);
        QVERIFY(control.waitUntilDelivered());
        QCOMPARE(states(), std::vector<bool>(4, false));
        QCOMPARE(listener.calls, reports); // only poll() reports
        QCOMPARE(callsAfterPoll(), ++reports);
    }
    hid->registerChangedCallback(&listener);
    QCOMPARE(callsAfterPoll(), ++reports);
    hid->registerChangedCallback(nullptr);
    hid->setLoopbackLeft(true);
    QCOMPARE(callsAfterPoll(), reports);
    QVERIFY(!listener.calledFromOtherThread);
    QCOMPARE(control.counts().hidReports, static_cast<std::uint64_t>(reports));
}

void tst_Simulator::factoryGivesTheSimulatorWithTheDefaultDevices()
{
    std::unique_ptr<TarvixControl> control(tarvix_control_create_win32());
    QVERIFY(dynamic_cast<SimulatedControl*>(control.get()));
    QCOMPARE(QByteArray(control->backendName()), QByteArray("Simulated devices"));
    QVERIFY(control->getDevice(duoId.c_str()));
    QVERIFY(control->getDevice(soloId.c_str()));
}

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
