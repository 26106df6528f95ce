// SPDX-License-Identifier: GPL-3.0-or-later
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
    void changePhantomLeft(TarvixControl& c, const std::string& id, bool on) override
    {
        sim(c).changeSwitch(id, TarvixHID::Switch::PhantomLeft, on);
    }
    int plugged = 0;
};

// Counts level notifications; read it after SimulatorDriver::waitUntilDelivered().
// Within a removal, the last moment the record is valid, it tries to move the output's levels
// and notes them.
struct Counter final : TarvixMixerDeviceCallback, TarvixDeviceCallback
{
    void onVolumeChanged(std::int32_t) override { ++calls; }
    void onDeviceEvent(CallbackType type, const char*, TarvixDevice* device) override
    {
        if (type != DeviceRemoval)
            return;
        device->output->setVolumeLeft(-30.0f);
        device->output->setVolumeRight(-30.0f);
        removed = {device->output->getVolumeLeft(), device->output->getVolumeRight()};
    }
    int calls = 0;
    std::pair<float, float> removed;
};

} // namespace

// What the simulator adds to the contract: the levels it keeps. Which switch a change moves, and
// hostile ranges and levels, the window's tests check end to end.
class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    // The setters clamp to the range and ignore NaN, keeping a level between steps as set; a new
    // range set on the device clamps later setters. A real change only is reported, once.
    // Requests naming nothing present, or plugging a present id, are ignored. Once unplugged,
    // the endpoint keeps its state, ignores setters and reports nothing.
    void levelsAreKeptAndRealChangesReportedUntilUnplugged()
    {
        SimulatedControl control;
        TarvixMixerDevice* output = control.getDevice(duoId.c_str())->output;
        Counter counter;
        output->registerCallback(&counter);
        const auto text = [&] {
            return QString::asprintf("%g %g %s", output->getVolumeLeft(), output->getVolumeRight(),
                                     output->getMute() ? "muted" : "on");
        };
        // Each step's expectation is "reports left right mute".
        const std::vector<std::pair<std::function<void()>, QString>> steps{
            {[&] { output->setVolumeLeft(kNaN), output->setVolumeLeft(-10.3f); }, "1 -10.3 -20 on"},
            {[&] { output->setVolumeLeft(-10.3f); }, "1 -10.3 -20 on"},
            {[&] { output->setVolumeRight(3.0f), output->setVolumeRight(kNaN); }, "2 -10.3 0 on"},
            {[&] { output->setMute(true), output->setMute(true); }, "3 -10.3 0 muted"},
            {[&] { control.plugDevice(SimulatedDeviceConfig::duo()), control.unplugDevice("-"); },
             "3 -10.3 0 muted"},
            {[&] { control.changeVolumeRange(duoId, Kind::Output, -60.0f, 6.0f, 0.1f); },
             "3 -10.3 0 muted"},
            {[&] { output->setVolumeLeft(-90.0f); }, "4 -60 0 muted"}};
        for (const auto& [step, expected] : steps) {
            step();
            QVERIFY(SimulatorDriver::waitUntilDelivered(control));
            QCOMPARE(QString::number(counter.calls) + " " + text(), expected);
        }
        QCOMPARE(control.presentDevices().size(), 2u);
        control.registerTarvixDeviceCallback(&counter);
        control.unplugDevice(duoId);
        control.changeVolumeLeft(duoId, Kind::Output, -5.0f);
        QVERIFY(SimulatorDriver::waitUntilDelivered(control));
        QCOMPARE(counter.calls, 4);
        QCOMPARE(counter.removed, std::make_pair(-60.0f, 0.0f));
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
