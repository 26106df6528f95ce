#include "levelscale.h"
#include "simulatedcontrol.h"
#include "simulatordriver.h"
#include "tarvixlibrary.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

using Kind = SimulatedEndpointKind;
const std::string duoId = SimulatedDeviceConfig::duo().id;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Counts level notifications and notes whether their arguments kept rising. Read it only after
// SimulatorDriver::waitUntilDelivered(), which orders the reads after the delivery thread's calls.
struct CountingListener final : TarvixMixerDeviceCallback
{
    void onVolumeChanged(std::int32_t argument) override
    {
        increasing = increasing && argument > last;
        last = argument;
        ++calls;
    }
    int calls = 0;
    std::int32_t last = 0;
    bool increasing = true;
};

struct CountingHidListener final : TarvixHIDChangedCallback
{
    void onHIDChanged() override { ++calls; }
    int calls = 0;
};

} // namespace

class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    void settersClampIgnoreNaNAndReportRealChangesOnce_data();
    void settersClampIgnoreNaNAndReportRealChangesOnce();
    void changesOnTheDeviceAreTakenAsTheyComeUntilUnplugged();
    void requestsFollowPresenceAndHostileValuesPassThrough();
    void switchesReachThePollerOncePerDifference();
};

void tst_Simulator::settersClampIgnoreNaNAndReportRealChangesOnce_data()
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

// Both channels clamp to the range; the mute reports only a real change too.
void tst_Simulator::settersClampIgnoreNaNAndReportRealChangesOnce()
{
    QFETCH(bool, output);
    QFETCH(float, set);
    QFETCH(float, expected);
    SimulatedControl control;
    TarvixDevice* duo = control.getDevice(duoId.c_str());
    TarvixMixerDevice* endpoint = output ? duo->output : duo->input;
    const float before = endpoint->getVolumeLeft();
    CountingListener listener;
    endpoint->registerCallback(&listener);
    endpoint->setVolumeLeft(set);
    endpoint->setVolumeRight(set);
    endpoint->setMute(false);
    endpoint->setMute(true);
    endpoint->setMute(true);
    QCOMPARE(endpoint->getVolumeLeft(), expected);
    QCOMPARE(endpoint->getVolumeRight(), expected);
    QVERIFY(endpoint->getMute());
    QVERIFY(SimulatorDriver::waitUntilDelivered(control));
    QCOMPARE(listener.calls, expected == before ? 1 : 3);
    QVERIFY(listener.increasing);
}

// Unclamped, NaN included, each real change reported once; a new range clamps later setters.
// Once unplugged, the endpoint keeps its state, ignores setters and reports nothing.
void tst_Simulator::changesOnTheDeviceAreTakenAsTheyComeUntilUnplugged()
{
    SimulatedControl control;
    TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
    CountingListener listener;
    output->registerCallback(&listener);
    control.changeVolumeLeft(duoId, Kind::Output, -100.0f);
    for (int i = 0; i < 2; ++i) {
        control.changeMute(duoId, Kind::Output, true);
        control.changeVolumeRight(duoId, Kind::Output, kNaN);
    }
    control.changeVolumeRange(duoId, Kind::Output, -60.0f, 6.0f, 0.1f);
    QVERIFY(SimulatorDriver::waitUntilDelivered(control));
    QCOMPARE(output->getVolumeLeft(), -100.0f);
    QVERIFY(std::isnan(output->getVolumeRight()) && output->getMute());
    QCOMPARE(listener.calls, 3);
    output->setVolumeLeft(-90.0f);
    QCOMPARE(output->getVolumeLeft(), -60.0f);
    const SimulatedDeviceConfig state = control.presentDevices().front();
    QCOMPARE(state.output->leftDb, -60.0f);
    QCOMPARE(state.output->stepDb, 0.1f);
    QVERIFY(state.output->mute && state.hid);

    // Read within the removal, the last moment the record is valid.
    struct : TarvixDeviceCallback
    {
        void onDeviceEvent(CallbackType type, const char*, TarvixDevice* device) override
        {
            if (type != DeviceRemoval)
                return;
            device->output->setVolumeLeft(-30.0f);
            device->output->setMute(false);
            keptState = device->output->getVolumeLeft() == -60.0f && device->output->getMute();
        }
        bool keptState = false;
    } removal;
    control.registerTarvixDeviceCallback(&removal);
    control.unplugDevice(duoId);
    control.changeVolumeLeft(duoId, Kind::Output, -5.0f);
    QVERIFY(SimulatorDriver::waitUntilDelivered(control));
    QVERIFY(removal.keptState);
    QCOMPARE(listener.calls, 4);
    QVERIFY(listener.increasing);
}

// Requests naming nothing present, and a plug of a present id, change nothing; an unplugged id
// can be plugged again. Hostile configurations reach the getters as they are.
void tst_Simulator::requestsFollowPresenceAndHostileValuesPassThrough()
{
    SimulatedControl control(SimulatorDriver::noDevices);
    SimulatedDeviceConfig hostile;
    hostile.output = SimulatedEndpointConfig{kNaN, kInf, 0.0f, kNaN, -kInf, true, 0};
    hostile.input = SimulatedEndpointConfig{10.0f, 0.0f, -2.0f, 1e30f, -1e30f, false, 7};
    control.plugDevice(hostile);
    control.plugDevice(SimulatedDeviceConfig::solo());
    control.plugDevice(SimulatedDeviceConfig::duo());
    control.changeSwitch(SimulatedDeviceConfig::solo().id, SimulatedSwitch::PhantomLeft, true);
    control.changeMute("absent", Kind::Output, true);
    control.unplugDevice("absent");
    SimulatedDeviceConfig second = SimulatedDeviceConfig::duo();
    second.name = "Second";
    control.plugDevice(second);
    control.unplugDevice(duoId);
    second.hid->loopbackLeft = true;
    control.plugDevice(second);
    QVERIFY(SimulatorDriver::waitUntilDelivered(control));
    const std::vector<SimulatedDeviceConfig> present = control.presentDevices();
    QCOMPARE(present.size(), 3u);
    QCOMPARE(present[1].id + present[2].id + present[2].name, "TVX-SOLO-0002" + duoId + "Second");
    QVERIFY(!present[1].hid && present[2].hid->loopbackLeft && !present[2].hid->phantomLeft);

    TarvixDevice* device = control.getDevice("");
    float minDb = 0, maxDb = 0, stepDb = 1;
    device->output->getVolumeRange(&minDb, &maxDb, &stepDb);
    QVERIFY(std::isnan(minDb) && maxDb == kInf && stepDb == 0.0f);
    QVERIFY(std::isnan(device->output->getVolumeLeft()) && device->output->getMute());
    QCOMPARE(device->output->getVolumeRight(), -kInf);
    QCOMPARE(device->output->getChannelCount() + device->input->getChannelCount(), 7);
    device->output->setVolumeLeft(-500.0f); // a NaN bound does not clamp
    QCOMPARE(device->output->getVolumeLeft(), -500.0f);
    device->input->setVolumeLeft(5.0f); // a minimum above the maximum wins
    QCOMPARE(device->input->getVolumeLeft(), 10.0f);
    QCOMPARE(device->input->getVolumeRight(), -1e30f);
}

// Each setter and each change on the device moves its own switch only. poll() reports on its
// caller's thread once per difference from what it last reported, so not a switch moved and
// back between polls; a new or re-registered listener is told once, an unregistered none.
void tst_Simulator::switchesReachThePollerOncePerDifference()
{
    SimulatedControl control;
    TarvixHID* hid = control.getDevice(duoId.c_str())->hid;
    CountingHidListener listener;
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
    int reports = callsAfterPoll();
    QCOMPARE(reports, 1);
    for (std::size_t i = 0; i < switches.size(); ++i) {
        std::vector<bool> onlyThis(4, false);
        onlyThis[i] = true;
        (hid->*switches[i].second)(true);
        QCOMPARE(std::vector<bool>({hid->getPhantomLeft(), hid->getPhantomRight(),
                                    hid->getLoopbackLeft(), hid->getLoopbackRight()}),
                 onlyThis);
        QCOMPARE(control.presentDevices().front().hid->loopbackRight, i == 3);
        QCOMPARE(callsAfterPoll(), ++reports);
        (hid->*switches[i].second)(false);
        control.changeSwitch(duoId, switches[i].first, true);
        QVERIFY(SimulatorDriver::waitUntilDelivered(control));
        QCOMPARE(callsAfterPoll(), reports);
        control.changeSwitch(duoId, switches[i].first, false);
        QVERIFY(SimulatorDriver::waitUntilDelivered(control));
        QCOMPARE(listener.calls, reports); // only poll() reports
        QCOMPARE(callsAfterPoll(), ++reports);
    }
    hid->registerChangedCallback(&listener);
    QCOMPARE(callsAfterPoll(), ++reports);
    hid->registerChangedCallback(nullptr);
    hid->setLoopbackLeft(true);
    QCOMPARE(callsAfterPoll(), reports);
}

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_simulator.moc"
