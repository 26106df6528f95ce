#include "windowtesting.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Kind = SimulatedEndpointKind;
const std::string soloId = SimulatedDeviceConfig::solo().id;
constexpr float infinity = std::numeric_limits<float>::infinity();
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
// Polls run every 500 ms; this leaves room for slow sanitizer builds.
constexpr int pollTimeoutMs = 10000;

// The window around a simulated library running its own threads, torn down as the program does
// it: the window detaches, the library goes, then the window. A call the window made into the
// deleted library afterwards would be caught by the sanitizer builds.
struct SimulatedMixer : WindowParts
{
    SimulatedMixer() : library(std::make_unique<SimulatedControl>(SimulatorDriver::noDevices))
    {
        window = std::make_unique<TarvixMixer>(library.get());
    }
    ~SimulatedMixer()
    {
        window->detachFromLibrary();
        library.reset();
        window.reset();
    }

    bool settled() { return settle(*library, window.get(), pollTimeoutMs); }
    QString difference() { return differenceFromLibrary(window.get(), *library); }
    float right(const std::string& id, Kind kind)
    {
        TarvixDevice* device = library->getDevice(id.c_str());
        return (kind == Kind::Output ? device->output : device->input)->getVolumeRight();
    }

    std::unique_ptr<SimulatedControl> library;
};

SimulatedEndpointConfig range(float minDb, float maxDb, float stepDb, float levelDb)
{
    return {minDb, maxDb, stepDb, levelDb, levelDb};
}

SimulatedDeviceConfig device(const std::string& id, SimulatedEndpointConfig output,
                             SimulatedEndpointConfig input, const std::string& name = "Device")
{
    return {id, name, output, input, SwitchStates()};
}

const char* const levelSides[] = {"playback_left", "playback_right", "record_left", "record_right"};

// No label shows NaN, infinity or a runaway number and every slider stands within its limits.
void verifySaneWidgets(const SimulatedMixer& mixer)
{
    for (const char* side : levelSides) {
        const QSlider* slider = mixer.slider(side);
        QVERIFY2(slider->minimum() <= slider->value() && slider->value() <= slider->maximum(),
                 side);
        const QString text = mixer.label(side)->text();
        QVERIFY2(!text.contains("nan", Qt::CaseInsensitive) &&
                     !text.contains("inf", Qt::CaseInsensitive) && text.size() <= 12,
                 qPrintable(QString(side) + ": " + text));
    }
}

} // namespace

// The window driven end to end through the simulated library, its own threads running.
class TestMixerWithSimulator : public QObject
{
    Q_OBJECT

private slots:
    void windowFollowsPlugsAndChangesMadeElsewhere()
    {
        SimulatedMixer mixer;
        SimulatedControl& library = *mixer.library;
        QVERIFY(mixer.settled());
        // With no device the parts that need one are disabled; the links start ticked.
        QCOMPARE(mixer.difference(), QString());
        QVERIFY(mixer.box("cb_playback_link")->isChecked() &&
                mixer.box("cb_record_link")->isChecked());

        const std::string quadId = "TVX-Ünïcødé-€-\xF0\x9F\x8E\x9A-0101";
        SimulatedDeviceConfig quad = device(quadId, range(-60.0f, 12.0f, 0.25f, -6.5f),
                                            range(0.0f, 30.0f, 3.0f, 9.0f), "Mischpult Größe ✓");
        (*quad.hid)[TarvixHID::Switch::PhantomRight] = true;
        library.plugDevice(quad);
        library.plugDevice(SimulatedDeviceConfig::solo());
        // Arrivals from the delivery thread wait for the window's queued handlers.
        QCOMPARE(mixer.ids(), QStringList());
        QVERIFY(mixer.settled());
        // The first is applied; the second is appended. The switches show once polled.
        QCOMPARE(currentId(mixer.window.get()), QString::fromStdString(quadId));
        QTRY_COMPARE_WITH_TIMEOUT(mixer.difference(), QString(), pollTimeoutMs);
        QVERIFY(mixer.box("cb_phantom_right")->isChecked());

        library.changeVolumeLeft(quadId, Kind::Output, -30.5f);
        library.changeVolumeRight(quadId, Kind::Output, -75.0f);
        library.changeVolumeLeft(quadId, Kind::Input, 12.0f);
        library.changeVolumeRight(quadId, Kind::Input, 1.0f);
        library.changeMute(quadId, Kind::Output, true);
        library.changeSwitch(quadId, TarvixHID::Switch::LoopbackLeft, true);
        // Changes on a device that is not shown reach no widget.
        library.changeVolumeLeft(soloId, Kind::Output, -3.0f);
        library.changeMute(soloId, Kind::Input, true);
        QVERIFY(mixer.settled());
        QTRY_COMPARE_WITH_TIMEOUT(mixer.difference(), QString(), pollTimeoutMs);
        QCOMPARE(mixer.label("playback_right")->text(), QStringLiteral("< 72 dB"));
        QCOMPARE(mixer.label("record_left")->text(), QStringLiteral("18 dB"));
        // Levels the sliders cannot reach are shown, not written back.
        QCOMPARE(mixer.right(quadId, Kind::Output), -75.0f);
        QCOMPARE(mixer.right(quadId, Kind::Input), 1.0f);
        // After a refresh the slider reaches the device again, by its non-ASCII id.
        mixer.slider("playback_right")->setValue(-20);
        QCOMPARE(mixer.right(quadId, Kind::Output), -5.0f);
        // A new range, reported as a device change, gives the sliders new limits.
        library.changeVolumeRange(quadId, Kind::Output, -40.0f, 6.0f, 0.5f);
        library.sendDeviceChange(quadId);
        QVERIFY(mixer.settled());
        QCOMPARE(mixer.difference(), QString());

        // The solo takes over: no HID interface, up to +6 dB; its endpoints now report.
        library.unplugDevice(quad.id);
        QVERIFY(mixer.settled());
        QCOMPARE(mixer.difference(), QString());
        library.changeVolumeRight(soloId, Kind::Output, 4.5f);
        QVERIFY(mixer.settled());
        QCOMPARE(mixer.difference(), QString());

        library.unplugDevice(soloId);
        QVERIFY(mixer.settled());
        QCOMPARE(mixer.difference(), QString());
    }

    void hostileValuesLeaveSaneWidgets_data()
    {
        QTest::addColumn<float>("minDb");
        QTest::addColumn<float>("maxDb");
        QTest::addColumn<float>("stepDb");
        QTest::addColumn<float>("levelDb");
        QTest::newRow("step 0") << -96.0f << 0.0f << 0.0f << -20.0f;
        QTest::newRow("NaN range") << notANumber << notANumber << notANumber << -20.0f;
        QTest::newRow("infinite step and bounds") << -infinity << infinity << infinity << -20.0f;
        QTest::newRow("tiny step, huge bounds") << -1e30f << 1e30f << 1e-30f << -20.0f;
        QTest::newRow("minimum above maximum") << 10.0f << -10.0f << 0.5f << -20.0f;
        QTest::newRow("level +inf") << -96.0f << 0.0f << 0.5f << infinity;
        QTest::newRow("level -inf") << -96.0f << 0.0f << 0.5f << -infinity;
        QTest::newRow("level NaN") << -96.0f << 0.0f << 0.5f << notANumber;
        QTest::newRow("level max") << -96.0f << 0.0f << 0.5f << std::numeric_limits<float>::max();
    }

    void hostileValuesLeaveSaneWidgets()
    {
        QFETCH(float, minDb);
        QFETCH(float, maxDb);
        QFETCH(float, stepDb);
        QFETCH(float, levelDb);
        const bool usable = LevelScale::isUsableStep(stepDb);
        SimulatedMixer mixer;
        const std::string id = "TVX-HOSTILE-0666";
        mixer.library->plugDevice(
            device(id, range(minDb, maxDb, stepDb, 8.0f), range(minDb, maxDb, stepDb, 8.0f)));
        QVERIFY(mixer.settled());
        verifySaneWidgets(mixer);
        for (Kind kind : {Kind::Output, Kind::Input}) {
            mixer.library->changeVolumeLeft(id, kind, levelDb);
            mixer.library->changeVolumeRight(id, kind, levelDb);
        }
        QVERIFY(mixer.settled());
        verifySaneWidgets(mixer);
        // Shown, not written back (NaN compared by its bits).
        const float shown = mixer.right(id, Kind::Input);
        QVERIFY(std::memcmp(&shown, &levelDb, sizeof shown) == 0);

        // The level slots write only what they can compute: a usable level, or nothing.
        for (const char* side : levelSides) {
            QTest::keyClick(mixer.slider(side), Qt::Key_Up);
            QTest::keyClick(mixer.slider(side), Qt::Key_PageDown);
        }
        QVERIFY(mixer.settled());
        verifySaneWidgets(mixer);
        for (Kind kind : {Kind::Output, Kind::Input}) {
            const float level = mixer.right(id, kind);
            QVERIFY2(usable ? std::isfinite(level) : level == levelDb,
                     qPrintable(QString::number(level)));
        }
    }
};

QTEST_MAIN(TestMixerWithSimulator)
#include "tst_mixerwithsimulator.moc"
