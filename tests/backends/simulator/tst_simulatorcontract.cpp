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

// The simulator's devices, moved through SimulatedHardware, for the contract of every control.
struct SimulatorBackend final : ContractBackend
{
    static SimulatedControl& sim(TarvixControl& c) { return static_cast<SimulatedControl&>(c); }
    std::unique_ptr<TarvixControl> create() override
    {
        return std::make_unique<SimulatedControl>();
    }
    std::vector<std::string> presentIds(TarvixControl& c) override
    {
        std::vector<std::string> ids;
        for (const SimulatedDeviceConfig& device : sim(c).presentDevices())
            ids.push_back(device.id);
        return ids;
    }
    std::string plug(TarvixControl& c) override
    {
        SimulatedDeviceConfig device = SimulatedDeviceConfig::duo();
        device.id = "TVX-CONTRACT-" + std::to_string(++plugged);
        sim(c).plugDevice(device);
        return device.id;
    }
    void unplug(TarvixControl& c, const std::string& id) override { sim(c).unplugDevice(id); }
    void changeLevel(TarvixControl& c, const std::string& id, float db) override
    {
        sim(c).changeVolumeLeft(id, Kind::Output, db);
    }
    int plugged = 0;
};

// Counts level and switch notifications; read it after SimulatorDriver::waitUntilDelivered().
// Within a removal, the last moment the record is valid, it tries to move the output's left
// level and notes it.
struct Counter final : TarvixMixerDeviceCallback, TarvixHIDChangedCallback, TarvixDeviceCallback
{
    void onVolumeChanged(std::int32_t) override { ++calls; }
    void onHIDChanged() override { ++calls; }
    void onDeviceEvent(CallbackType type, const char*, TarvixDevice* device) override
    {
        if (type != DeviceRemoval)
            return;
        device->output->setVolumeLeft(-30.0f);
        removedLeft = device->output->getVolumeLeft();
    }
    int calls = 0;
    float removedLeft = 0;
};

} // namespace

// What the simulator adds to the contract: the levels and switches it keeps. Which switch a
// change moves, and hostile ranges and levels, the window's tests check end to end.
class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    // The setters clamp to the range and ignore NaN, keeping a level between steps as set; a new
    // range set on the device clamps later setters. A real change only is reported, once;
    // switches by poll() alone, once per difference from what it last reported (so not a switch
    // moved and back between polls), to a newly registered listener once and to none after null.
    // Requests naming nothing present, or plugging a present id, are ignored. Once unplugged,
    // the endpoint keeps its state, ignores setters and reports nothing.
    void levelsAndSwitchesAreKeptAndRealChangesReportedUntilUnplugged()
    {
        SimulatedControl control;
        TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
        TarvixHID* hid = control.getDevice(duoId.c_str())->hid;
        Counter counter;
        output->registerCallback(&counter);
        hid->registerChangedCallback(&counter);
        const auto text = [&] {
            return QString::asprintf("%g %g %s", output->getVolumeLeft(), output->getVolumeRight(),
                                     output->getMute() ? "muted" : "on");
        };
        // Each step's expectation is "reports left right mute", or its start.
        const std::vector<std::pair<std::function<void()>, QString>> steps{
            {[&] { output->setVolumeLeft(kNaN), output->setVolumeLeft(-10.3f); }, "1 -10.3 -20 on"},
            {[&] { output->setVolumeLeft(-10.3f); }, "1 -10.3 -20 on"},
            {[&] { output->setVolumeRight(3.0f); }, "2 -10.3 0 on"},
            {[&] { output->setMute(true), output->setMute(true); }, "3 -10.3 0 muted"},
            {[&] { control.plugDevice(SimulatedDeviceConfig::duo()), control.unplugDevice("-"); },
             "3 -10.3 0 muted"},
            {[&] { control.changeVolumeRange(duoId, Kind::Output, -60.0f, 6.0f, 0.1f); },
             "3 -10.3 0 muted"},
            {[&] { output->setVolumeLeft(-90.0f); }, "4 -60 0 muted"},
            {[&] { hid->poll(); }, "5 "},
            {[&] { control.changeSwitch(duoId, SimulatedSwitch::LoopbackRight, true); }, "5 "},
            {[&] { hid->poll(), hid->poll(); }, "6 "},
            {[&] { hid->setLoopbackRight(false), hid->setLoopbackRight(true), hid->poll(); }, "6 "},
            {[&] { hid->registerChangedCallback(nullptr), hid->poll(); }, "6 "}};
        for (const auto& [step, expected] : steps) {
            step();
            QVERIFY(SimulatorDriver::waitUntilDelivered(control));
            QCOMPARE((QString::number(counter.calls) + " " + text()).left(expected.size()),
                     expected);
        }
        QCOMPARE(control.presentDevices().size(), 2u);
        control.registerTarvixDeviceCallback(&counter);
        control.unplugDevice(duoId);
        control.changeVolumeLeft(duoId, Kind::Output, -5.0f);
        QVERIFY(SimulatorDriver::waitUntilDelivered(control));
        QVERIFY(counter.calls == 6 && counter.removedLeft == -60.0f);
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
