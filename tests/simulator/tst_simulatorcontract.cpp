#include "controlcontract.h"
#include "simulatedcontrol.h"
#include "simulatordriver.h"
#include "tarvixlibrary.h"

#include <QtTest>

#include <limits>

namespace {

using Kind = SimulatedEndpointKind;
const std::string duoId = SimulatedDeviceConfig::duo().id;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The simulator's devices, moved through SimulatedHardware, for the contract of every control.
class SimulatorBackend final : public ContractBackend
{
public:
    std::unique_ptr<TarvixControl> create() override
    {
        return std::make_unique<SimulatedControl>();
    }
    std::vector<std::string> presentIds(TarvixControl& control) override
    {
        std::vector<std::string> ids;
        for (const SimulatedDeviceConfig& device :
             static_cast<SimulatedControl&>(control).presentDevices())
            ids.push_back(device.id);
        return ids;
    }
    std::string plug(TarvixControl& control) override
    {
        SimulatedDeviceConfig device = SimulatedDeviceConfig::duo();
        device.id = "TVX-CONTRACT-" + std::to_string(++plugged);
        static_cast<SimulatedControl&>(control).plugDevice(device);
        return device.id;
    }
    void unplug(TarvixControl& control, const std::string& id) override
    {
        static_cast<SimulatedControl&>(control).unplugDevice(id);
    }
    void changeLevel(TarvixControl& control, const std::string& id, float db) override
    {
        static_cast<SimulatedControl&>(control).changeVolumeLeft(id, Kind::Output, db);
    }
    int plugged = 0;
};

// An endpoint's state as its getters report it: "left right mute min..max/step channels".
QString text(TarvixMixerDevice* endpoint)
{
    float minDb = 0, maxDb = 0, stepDb = 0;
    endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
    return QString::asprintf("%g %g %s %g..%g/%g %d", endpoint->getVolumeLeft(),
                             endpoint->getVolumeRight(), endpoint->getMute() ? "muted" : "on",
                             minDb, maxDb, stepDb, endpoint->getChannelCount());
}

// Counts level and switch notifications. Read it after SimulatorDriver::waitUntilDelivered(), which
// orders the reads after the deliveries. Within a removal, the last moment the record is valid, it
// tries to move the output and notes its state.
struct Counter final : TarvixMixerDeviceCallback, TarvixHIDChangedCallback, TarvixDeviceCallback
{
    void onVolumeChanged(std::int32_t) override { ++calls; }
    void onHIDChanged() override { ++calls; }
    void onDeviceEvent(CallbackType type, const char*, TarvixDevice* device) override
    {
        if (type != DeviceRemoval)
            return;
        device->output->setVolumeLeft(-30.0f);
        device->output->setMute(!device->output->getMute());
        removed = text(device->output);
    }
    int calls = 0;
    QString removed;
};

} // namespace

// What the simulator adds to the contract: the levels it keeps and SimulatedHardware.
class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    // The setters clamp to the range and ignore NaN, keeping a level between steps as set;
    // changes on the device are taken as they come, NaN included, a new range clamping later
    // setters. A real change only is reported, once. Once unplugged, the endpoint keeps its
    // state, ignores setters and changes and reports nothing.
    void levelsAreKeptAndRealChangesReportedUntilUnplugged()
    {
        SimulatedControl control;
        TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
        Counter counter;
        output->registerCallback(&counter);
        // Each step's expectation is "reports left right mute", then the range where it matters.
        const std::vector<std::pair<std::function<void()>, QString>> steps{
            {[&] { output->setVolumeLeft(-20.0f); }, "0 -20 -20 on -96..0/0.5 2"},
            {[&] { output->setVolumeLeft(kNaN); }, "0 -20 -20 on"},
            {[&] { output->setVolumeLeft(-10.3f); }, "1 -10.3 -20 on"},
            {[&] { output->setVolumeRight(3.0f); }, "2 -10.3 0 on"},
            {[&] { output->setVolumeRight(-kInf); }, "3 -10.3 -96 on"},
            {[&] { output->setMute(true); }, "4 -10.3 -96 muted"},
            {[&] { output->setMute(true); }, "4 -10.3 -96 muted"},
            {[&] { control.changeVolumeLeft(duoId, Kind::Output, -100.0f); }, "5 -100 -96 muted"},
            {[&] { control.changeVolumeRight(duoId, Kind::Output, kNaN); }, "6 -100 nan muted"},
            {[&] { control.changeVolumeRight(duoId, Kind::Output, kNaN); }, "6 -100 nan muted"},
            {[&] { control.changeMute(duoId, Kind::Output, false); }, "7 -100 nan on"},
            {[&] { control.changeVolumeRange(duoId, Kind::Output, -60.0f, 6.0f, 0.1f); },
             "7 -100 nan on -60..6/0.1 2"},
            {[&] { output->setVolumeLeft(-90.0f); }, "8 -60 nan on"}};
        for (const auto& [step, expected] : steps) {
            step();
            QVERIFY(SimulatorDriver::waitUntilDelivered(control));
            QCOMPARE((QString::number(counter.calls) + " " + text(output)).left(expected.size()),
                     expected);
        }
        QCOMPARE(control.presentDevices().front().output->stepDb, 0.1f);
        control.registerTarvixDeviceCallback(&counter);
        control.unplugDevice(duoId);
        control.changeVolumeLeft(duoId, Kind::Output, -5.0f);
        QVERIFY(SimulatorDriver::waitUntilDelivered(control));
        QCOMPARE(QString::number(counter.calls) + " " + counter.removed,
                 "8 -60 nan on -60..6/0.1 2");
    }

    // Requests naming nothing present, and a plug of a present id, change nothing; an unplugged
    // id can be plugged again. Hostile configurations reach the getters as they are: a NaN bound
    // does not clamp, a minimum above the maximum wins.
    void requestsFollowPresenceAndHostileValuesPassThrough()
    {
        SimulatedControl control; // the duo and the solo
        SimulatedDeviceConfig second = SimulatedDeviceConfig::duo();
        second.name = "Ignored";
        control.plugDevice(second);
        control.unplugDevice(duoId);
        second.name = "Second";
        control.plugDevice(second);
        SimulatedDeviceConfig hostile;
        hostile.output = SimulatedEndpointConfig{kNaN, kInf, 0.0f, kNaN, -kInf, true, 0};
        hostile.input = SimulatedEndpointConfig{10.0f, 0.0f, -2.0f, 1e30f, -1e30f, false, 7};
        control.plugDevice(hostile);
        control.changeSwitch(SimulatedDeviceConfig::solo().id, SimulatedSwitch::PhantomLeft, true);
        control.changeMute("absent", Kind::Output, true);
        control.unplugDevice("absent");
        QVERIFY(SimulatorDriver::waitUntilDelivered(control));
        const std::vector<SimulatedDeviceConfig> present = control.presentDevices();
        QCOMPARE(present.size(), 3u);
        QCOMPARE(present[0].id + present[1].id + present[1].name + present[2].id,
                 "TVX-SOLO-0002" + duoId + "Second");
        QVERIFY(!present[0].hid && present[1].hid && !present[2].hid);
        TarvixDevice* device = control.getDevice("");
        device->output->setVolumeLeft(-500.0f);
        device->input->setVolumeLeft(5.0f);
        QCOMPARE(text(device->output), "-500 -inf muted nan..inf/0 0");
        QCOMPARE(text(device->input), "10 -1e+30 on 10..0/-2 7");
    }

    // A change on the device and a setter move their own switch only. poll() alone reports, on
    // its caller's thread, once per difference from what it last reported, so not a switch
    // moved and back between polls; a new or re-registered listener is told once, an
    // unregistered none.
    void switchesReachThePollerOncePerDifference()
    {
        SimulatedControl control;
        TarvixHID* hid = control.getDevice(duoId.c_str())->hid;
        Counter counter;
        const auto state = [&] {
            return QString::asprintf("%d%d%d%d %d", hid->getPhantomLeft(), hid->getPhantomRight(),
                                     hid->getLoopbackLeft(), hid->getLoopbackRight(),
                                     counter.calls);
        };
        using Setter = void (TarvixHID::*)(bool);
        const Setter setters[] = {&TarvixHID::setPhantomLeft, &TarvixHID::setPhantomRight,
                                  &TarvixHID::setLoopbackLeft, &TarvixHID::setLoopbackRight};
        hid->registerChangedCallback(&counter);
        for (int i = 0; i < 4; ++i) {
            const QString onlyThis = QString("0000").replace(i, 1, '1');
            hid->poll(); // tells a new listener, then of the switch turned off last round
            control.changeSwitch(duoId, static_cast<SimulatedSwitch>(i), true);
            QVERIFY(SimulatorDriver::waitUntilDelivered(control));
            QCOMPARE(state(), onlyThis + QString(" %1").arg(2 * i + 1)); // only poll() reports
            hid->poll();
            (hid->*setters[i])(false);
            (hid->*setters[i])(true);
            hid->poll();
            QCOMPARE(state(), onlyThis + QString(" %1").arg(2 * i + 2));
            (hid->*setters[i])(false);
        }
        hid->registerChangedCallback(&counter);
        hid->poll();
        hid->registerChangedCallback(nullptr);
        hid->setLoopbackLeft(true);
        hid->poll();
        QCOMPARE(state(), "0010 9");
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    SimulatorBackend backend;
    tst_Simulator simulator;
    return runControlContract(backend, argc, argv) | QTest::qExec(&simulator, argc, argv);
}

#include "tst_simulatorcontract.moc"
