#include "windowtesting.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>

namespace {

using Kind = SimulatedEndpointKind;
const std::string duoId = SimulatedDeviceConfig::duo().id;
const std::string soloId = SimulatedDeviceConfig::solo().id;
constexpr float infinity = std::numeric_limits<float>::infinity();
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
// Polls run every 500 ms; this leaves room for slow sanitizer builds.
constexpr int pollTimeoutMs = 10000;

// The window around a simulated library running its own threads. The library can be deleted
// first, as at the end of the program; any call the window makes afterwards is counted, not made.
class SimulatedMixer final : public TarvixControl
{
public:
    explicit SimulatedMixer(
        const std::vector<SimulatedDeviceConfig>& devices = SimulatedDeviceConfig::defaults())
        : simulated(new SimulatedControl(devices)), window(std::make_unique<TarvixMixer>(this))
    {
    }
    // Torn down as the program does it: the library first, with no event handled before the
    // window goes.
    ~SimulatedMixer() override
    {
        deleteLibrary();
        window.reset();
    }

    // The pointer is cleared only once the library's threads have stopped: a delivery in
    // progress may still reach the library while it is being deleted.
    void deleteLibrary()
    {
        if (window)
            window->detachFromLibrary();
        delete simulated;
        simulated = nullptr;
    }

    const char* backendName() override { return alive() ? simulated->backendName() : ""; }
    TarvixDevice* getDevice(const char* id) override
    {
        return alive() ? simulated->getDevice(id) : nullptr;
    }
    void lock() override
    {
        if (alive())
            simulated->lock();
    }
    void unlock() override
    {
        if (alive())
            simulated->unlock();
    }

    SimulatedControl& library() const { return *simulated; }
    QSlider* slider(const char* name) const { return widget<QSlider>(window.get(), name); }
    QLabel* label(const char* name) const { return widget<QLabel>(window.get(), name); }
    QCheckBox* box(const char* name) const { return widget<QCheckBox>(window.get(), name); }
    QString current() const { return currentId(window.get()); }
    bool settled() { return settle(library(), window.get(), pollTimeoutMs); }
    void verifyInStep() { verifyWindowShowsLibrary(window.get(), library()); }
    bool switchesInStep() { return switchesShowDevice(window.get(), library()); }

    TarvixMixerDevice* endpoint(const std::string& id, Kind kind)
    {
        TarvixDevice* device = library().getDevice(id.c_str());
        return kind == Kind::Output ? device->output : device->input;
    }
    float left(const std::string& id, Kind kind) { return endpoint(id, kind)->getVolumeLeft(); }
    float right(const std::string& id, Kind kind) { return endpoint(id, kind)->getVolumeRight(); }

    SimulatedControl* simulated;
    std::unique_ptr<TarvixMixer> window;
    std::atomic<int> callsAfterDeletion{0};

protected:
    void setDeviceCallback(TarvixDeviceCallback* callback) override
    {
        if (alive())
            simulated->registerTarvixDeviceCallback(callback);
    }

private:
    bool alive()
    {
        if (!simulated)
            ++callsAfterDeletion;
        return simulated != nullptr;
    }
};

SimulatedEndpointConfig range(float minDb, float maxDb, float stepDb, float levelDb)
{
    return {minDb, maxDb, stepDb, levelDb, levelDb};
}

SimulatedDeviceConfig device(const std::string& id, SimulatedEndpointConfig output,
                             SimulatedEndpointConfig input, const std::string& name = "Device")
{
    return {id, name, output, input, SimulatedSwitches()};
}

const char* const levelSliders[] = {"vol_slider_playback_left", "vol_slider_playback_right",
                                    "vol_slider_record_left", "vol_slider_record_right"};

// No label shows NaN, infinity or a runaway number and every slider stands within its limits.
void verifySaneWidgets(const SimulatedMixer& mixer)
{
    for (const char* name : levelSliders) {
        const QSlider* slider = mixer.slider(name);
        QVERIFY2(slider->minimum() <= slider->value() && slider->value() <= slider->maximum(),
                 name);
        const QString label = QString::fromLatin1(name).replace("slider", "label");
        const QString text = mixer.label(qPrintable(label))->text();
        QVERIFY2(!text.contains("nan", Qt::CaseInsensitive) &&
                     !text.contains("inf", Qt::CaseInsensitive) && text.size() <= 12,
                 qPrintable(label + ": " + text));
    }
}

} // namespace

// The window driven end to end through the simulated library, its own threads running.
class TestMixerWithSimulator : public QObject
{
    Q_OBJECT

private slots:
    void pluggedDevicesAppearAndPullingTheCurrentOneHandsOver();
    void defaultDevicesAppearAndFollowChangesMadeElsewhere();
    void hostileValuesLeaveSaneWidgets_data();
    void hostileValuesLeaveSaneWidgets();
    void deletingTheLibraryFirstWithNotificationsQueuedCallsNothingAfterwards();
};

void TestMixerWithSimulator::pluggedDevicesAppearAndPullingTheCurrentOneHandsOver()
{
    SimulatedMixer mixer(SimulatorDriver::noDevices);
    SimulatedControl& library = mixer.library();
    QVERIFY(mixer.settled());
    mixer.verifyInStep();

    const std::string quadId = "TVX-Ünïcødé-€-\xF0\x9F\x8E\x9A-0101";
    SimulatedDeviceConfig quad = device(quadId, range(-60.0f, 12.0f, 0.25f, -6.5f),
                                        range(0.0f, 30.0f, 3.0f, 9.0f), "Mischpult Größe ✓");
    quad.hid->phantomRight = true;
    library.plugDevice(quad);
    library.plugDevice(SimulatedDeviceConfig::solo());
    QVERIFY(mixer.settled());
    // The first is applied; the second is appended.
    QCOMPARE(itemIds(mixer.window.get()),
             QStringList({QString::fromStdString(quadId), QString::fromStdString(soloId)}));
    QCOMPARE(mixer.current(), QString::fromStdString(quadId));
    mixer.verifyInStep();
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -26);
    // The switches show once the next poll has read them.
    QTRY_VERIFY_WITH_TIMEOUT(mixer.box("cb_phantom_right")->isChecked(), pollTimeoutMs);
    QVERIFY(mixer.switchesInStep());
    // The slider reaches the device by its non-ASCII id.
    mixer.slider("vol_slider_playback_right")->setValue(-20);
    QCOMPARE(mixer.right(quadId, Kind::Output), -5.0f);

    // The solo takes over: no HID interface, up to +6 dB; its endpoints now report to the window.
    library.changeVolumeLeft(soloId, Kind::Output, -3.0f);
    library.unplugDevice(quad.id);
    QVERIFY(mixer.settled());
    mixer.verifyInStep();
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -6);
    library.changeVolumeRight(soloId, Kind::Output, 4.5f);
    library.changeMute(soloId, Kind::Input, true);
    QVERIFY(mixer.settled());
    mixer.verifyInStep();
    QCOMPARE(mixer.slider("vol_slider_playback_right")->value(), 9);
    QVERIFY(mixer.box("cb_record_mute")->isChecked());

    library.unplugDevice(soloId);
    QVERIFY(mixer.settled());
    mixer.verifyInStep();
    // With nothing selected the controls and the poll reach no device.
    mixer.slider("vol_slider_playback_left")->setValue(-10);
    mixer.window->update_hid_controls();
}

void TestMixerWithSimulator::defaultDevicesAppearAndFollowChangesMadeElsewhere()
{
    SimulatedMixer mixer;
    SimulatedControl& library = mixer.library();
    // Arrivals from the delivery thread wait for the window's queued handlers.
    QCOMPARE(itemIds(mixer.window.get()), QStringList());
    QVERIFY(mixer.settled());
    QCOMPARE(mixer.current(), QString::fromStdString(duoId));
    mixer.verifyInStep();
    QCOMPARE(mixer.slider("vol_slider_playback_right")->value(), -40);
    QCOMPARE(mixer.label("vol_label_record_right")->text(), QStringLiteral("18 dB"));
    // Applying a device writes nothing back.
    for (const SimulatedDeviceConfig& device : library.presentDevices()) {
        QCOMPARE(device.output->leftDb, -20.0f);
        QCOMPARE(device.input->rightDb, 8.0f);
    }

    library.changeVolumeLeft(duoId, Kind::Output, -30.5f);
    library.changeVolumeRight(duoId, Kind::Output, -75.0f);
    library.changeVolumeLeft(duoId, Kind::Input, 12.0f);
    library.changeVolumeRight(duoId, Kind::Input, 1.0f);
    library.changeMute(duoId, Kind::Output, true);
    library.changeMute(duoId, Kind::Input, true);
    // Changes on a device that is not shown reach no widget.
    library.changeVolumeLeft(soloId, Kind::Output, -1.0f);
    library.changeMute(soloId, Kind::Output, true);
    QVERIFY(mixer.settled());
    mixer.verifyInStep();
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -61);
    QCOMPARE(mixer.label("vol_label_playback_right")->text(), QStringLiteral("< 72 dB"));
    QCOMPARE(mixer.label("vol_label_record_left")->text(), QStringLiteral("30 dB"));
    QVERIFY(mixer.box("cb_playback_mute")->isChecked() && mixer.box("cb_record_mute")->isChecked());
    // Levels the sliders cannot reach are shown, not written back.
    QCOMPARE(mixer.right(duoId, Kind::Output), -75.0f);
    QCOMPARE(mixer.right(duoId, Kind::Input), 1.0f);
    library.changeMute(duoId, Kind::Output, false);
    QVERIFY(mixer.settled());
    QVERIFY(!mixer.box("cb_playback_mute")->isChecked());

    // Switches flipped on the device reach their boxes through the poll.
    library.changeSwitch(duoId, SimulatedSwitch::PhantomLeft, true);
    QTRY_VERIFY_WITH_TIMEOUT(mixer.box("cb_phantom_left")->isChecked(), pollTimeoutMs);
    QVERIFY(mixer.switchesInStep());
    library.changeSwitch(duoId, SimulatedSwitch::LoopbackRight, true);
    library.changeSwitch(duoId, SimulatedSwitch::PhantomLeft, false);
    QTRY_VERIFY_WITH_TIMEOUT(!mixer.box("cb_phantom_left")->isChecked(), pollTimeoutMs);
    QVERIFY(mixer.box("cb_loopback_right")->isChecked());
    QVERIFY(mixer.switchesInStep());
}

void TestMixerWithSimulator::hostileValuesLeaveSaneWidgets_data()
{
    QTest::addColumn<float>("minDb");
    QTest::addColumn<float>("maxDb");
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<float>("levelDb");
    QTest::newRow("step 0") << -96.0f << 0.0f << 0.0f << -20.0f;
    QTest::newRow("negative step") << -96.0f << 0.0f << -0.5f << -20.0f;
    QTest::newRow("NaN range") << notANumber << notANumber << notANumber << -20.0f;
    QTest::newRow("infinite step and bounds") << -infinity << infinity << infinity << -20.0f;
    QTest::newRow("tiny step, huge bounds") << -1e30f << 1e30f << 1e-30f << -20.0f;
    QTest::newRow("minimum above maximum") << 10.0f << -10.0f << 0.5f << -20.0f;
    QTest::newRow("level +inf") << -96.0f << 0.0f << 0.5f << infinity;
    QTest::newRow("level -inf") << -96.0f << 0.0f << 0.5f << -infinity;
    QTest::newRow("level NaN") << -96.0f << 0.0f << 0.5f << notANumber;
    QTest::newRow("level 1e30") << -96.0f << 0.0f << 0.5f << 1e30f;
    QTest::newRow("level max") << -96.0f << 0.0f << 0.5f << std::numeric_limits<float>::max();
}

void TestMixerWithSimulator::hostileValuesLeaveSaneWidgets()
{
    QFETCH(float, minDb);
    QFETCH(float, maxDb);
    QFETCH(float, stepDb);
    QFETCH(float, levelDb);
    SimulatedMixer mixer(SimulatorDriver::noDevices);
    const std::string id = "TVX-HOSTILE-0666";
    mixer.library().plugDevice(
        device(id, range(minDb, maxDb, stepDb, 8.0f), range(minDb, maxDb, stepDb, 8.0f)));
    QVERIFY(mixer.settled());
    verifySaneWidgets(mixer);

    for (Kind kind : {Kind::Output, Kind::Input}) {
        mixer.library().changeVolumeLeft(id, kind, levelDb);
        mixer.library().changeVolumeRight(id, kind, levelDb);
    }
    QVERIFY(mixer.settled());
    verifySaneWidgets(mixer);
    // Shown, not written back (NaN compared by its bits).
    const float shown = mixer.right(id, Kind::Input);
    QVERIFY(std::memcmp(&shown, &levelDb, sizeof shown) == 0);

    // The level slots write only what they can compute: a usable level, or nothing.
    for (const char* name : levelSliders) {
        QTest::keyClick(mixer.slider(name), Qt::Key_Up);
        QTest::keyClick(mixer.slider(name), Qt::Key_PageDown);
    }
    QVERIFY(mixer.settled());
    verifySaneWidgets(mixer);
    for (Kind kind : {Kind::Output, Kind::Input}) {
        for (const float level : {mixer.left(id, kind), mixer.right(id, kind)})
            QVERIFY2(LevelScale::isUsableStep(stepDb) ? std::isfinite(level) : level == levelDb,
                     qPrintable(QString::number(level)));
    }
}

void TestMixerWithSimulator::deletingTheLibraryFirstWithNotificationsQueuedCallsNothingAfterwards()
{
    auto mixer = std::make_unique<SimulatedMixer>();
    QVERIFY(mixer->settled());
    std::atomic<int> emitted{0};
    const auto count = [&emitted] { ++emitted; };
    QObject::connect(mixer->window.get(), &TarvixMixer::VolumeChangedCallbackGUI, count);
    QObject::connect(mixer->window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, count);

    SimulatedControl& library = mixer->library();
    for (int i = 0; i < 2000; ++i) {
        library.changeVolumeLeft(duoId, Kind::Output, -0.5f * static_cast<float>(i % 100));
        if (i % 100 == 0) {
            library.plugDevice(device("TVX-EXTRA-" + std::to_string(i),
                                      SimulatedDeviceConfig::defaultOutput(0.0f),
                                      SimulatedDeviceConfig::defaultInput()));
            library.sendDeviceChange(duoId);
            library.unplugDevice(duoId);
            library.plugDevice(SimulatedDeviceConfig::duo());
        }
    }
    // No event is handled from here on: whatever the library delivers stays queued.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (emitted < 50 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    QVERIFY(emitted >= 50);

    mixer->deleteLibrary();
    const int emittedBeforeDeletion = emitted;
    mixer->window.reset();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(mixer->callsAfterDeletion.load(), 0);
    QCOMPARE(emitted.load(), emittedBeforeDeletion);
}

QTEST_MAIN(TestMixerWithSimulator)
#include "tst_mixerwithsimulator.moc"
