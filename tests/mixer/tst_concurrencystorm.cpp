#include "windowtesting.h"

#include <QErrorMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>

#include <atomic>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace {

// 1,200 plug-and-unplug cycles and 220,000 changes made on the devices. Half the changes go to
// a device that stays plugged, so more than 100,000 are carried out whatever the timing; the
// rest may find their device unplugged. Sanitizer builds run several times slower and do half.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int sizeDivisor = 2;
#else
constexpr int sizeDivisor = 1;
#endif
constexpr int plugCycles = 1200 / sizeDivisor;
constexpr int changeThreads = 2;
constexpr int changesPerThread = 110000 / sizeDivisor;
constexpr int settleTimeoutMs = 60000;

using Kind = SimulatedEndpointKind;

SimulatedDeviceConfig stormDevice(const std::string& id, bool hid)
{
    SimulatedDeviceConfig config{id,
                                 "Storm " + id,
                                 SimulatedDeviceConfig::defaultOutput(6.0f),
                                 SimulatedDeviceConfig::defaultInput(),
                                 {}};
    if (hid)
        config.hid = SimulatedSwitches();
    return config;
}

const SimulatedDeviceConfig steady = stormDevice("TVX-STORM-STEADY", true);
// Plugged and unplugged; the steady device stays throughout.
const std::vector<SimulatedDeviceConfig> cycled = {
    SimulatedDeviceConfig::duo(), stormDevice("TVX-STORM-A", true),
    stormDevice("TVX-STORM-B", false), stormDevice("TVX-STORM-\xCE\xA9-C", true)};

} // namespace

// Plugging, unplugging and changes made elsewhere from several threads at once, carried out by
// the library's hardware thread and reported from its delivery thread, while the GUI thread
// keeps using the window (presets included) and taking the library lock in its slots.
class TestConcurrencyStorm : public QObject
{
    Q_OBJECT

private slots:
    void stormKeepsEveryNotificationAndEndsInStep();

private:
    void runGuiAction(std::mt19937& random);

    std::unique_ptr<SimulatedControl> library;
    std::unique_ptr<TarvixMixer> window;
    ScriptedDialogs dialogs;
    QTemporaryDir presetFolder;
};

void TestConcurrencyStorm::runGuiAction(std::mt19937& random)
{
    static const char* const sliders[] = {"vol_slider_playback_left", "vol_slider_playback_right",
                                          "vol_slider_record_left", "vol_slider_record_right"};
    static const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown};
    static const char* const boxes[] = {"cb_playback_mute", "cb_record_mute",   "cb_playback_link",
                                        "cb_record_link",   "cb_phantom_left",  "cb_phantom_right",
                                        "cb_loopback_left", "cb_loopback_right"};
    QComboBox* list = deviceList(window.get());
    const unsigned action = random() % 10;
    dialogs.fileName = presetFolder.filePath(QString("%1.tarvix").arg(random() % 4));
    if (action < 3)
        QTest::keyClick(widget(window.get(), sliders[random() % 4]), keys[random() % 4]);
    else if (action < 5)
        widget<QCheckBox>(window.get(), boxes[random() % 8])->click();
    else if (action == 5 && list->count() > 0)
        list->setCurrentIndex(static_cast<int>(random() % list->count()));
    else if (action == 6)
        widget<QPushButton>(window.get(), "StoreButton")->click();
    else if (action == 7 && QFile::exists(dialogs.fileName))
        widget<QPushButton>(window.get(), "LoadButton")->click();
    else if (action == 8)
        window->update_hid_controls();
}

void TestConcurrencyStorm::stormKeepsEveryNotificationAndEndsInStep()
{
    QVERIFY(presetFolder.isValid());
    // The devices are plugged only once everything that counts is connected.
    library = std::make_unique<SimulatedControl>(SimulatorDriver::noDevices);
    window = std::make_unique<TarvixMixer>(library.get());
    window->setPresetFileDialogs(&dialogs);
    // Counted where the window emits, and as handled queued on the GUI thread.
    std::atomic<std::uint64_t> deviceSignals{0};
    std::map<std::string, QString> received; // GUI thread only
    connect(window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, [&] { ++deviceSignals; });
    const auto receive = [&received](CallbackType type, const QString& id) {
        received[id.toStdString()] += QLatin1Char(type >= 0 && type < 3 ? "arc"[type] : '?');
    };
    connect(window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, this, receive,
            Qt::QueuedConnection);
    window->show();
    library->plugDevice(cycled[0]);
    library->plugDevice(steady);
    QTRY_COMPARE(deviceList(window.get())->count(), 2);

    // What each device's listener must be told, in order, as the storm threads ask for it.
    std::map<std::string, QString> issued = {{cycled[0].id, "a"}, {steady.id, "a"}};
    std::atomic<int> threadsRunning{1 + changeThreads};
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        std::vector<bool> present = {true, false, false, false};
        std::mt19937 random(7);
        const auto toggle = [&](std::size_t i) {
            present[i] ? library->unplugDevice(cycled[i].id) : library->plugDevice(cycled[i]);
            issued[cycled[i].id] += QLatin1Char(present[i] ? 'r' : 'a');
            present[i] = !present[i];
        };
        for (int step = 0; step < 2 * plugCycles; ++step) {
            toggle(random() % cycled.size());
            const std::size_t changed = random() % cycled.size();
            if (step % 5 == 0 && present[changed]) {
                library->sendDeviceChange(cycled[changed].id);
                issued[cycled[changed].id] += QLatin1Char('c');
            }
            // Lets the GUI thread catch up now and then; not needed for correctness.
            if (step % 4 == 0)
                SimulatorDriver::waitUntilDelivered(*library, settleTimeoutMs);
        }
        for (std::size_t i = 0; i < cycled.size(); ++i) {
            if (!present[i])
                toggle(i);
        }
        --threadsRunning;
    });
    for (int t = 0; t < changeThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(100 + t);
            for (int i = 0; i < changesPerThread; ++i) {
                const std::string& id = random() % 2 ? steady.id : cycled[random() % 4].id;
                const Kind kind = random() % 2 ? Kind::Output : Kind::Input;
                // Whole and half steps across each endpoint's range.
                const float level = kind == Kind::Output
                                        ? -0.5f * static_cast<float>(random() % 190)
                                        : 0.5f * static_cast<float>(random() % 41);
                const unsigned what = random() % 6;
                if (what == 0)
                    library->changeVolumeLeft(id, kind, level);
                else if (what == 1)
                    library->changeVolumeRight(id, kind, level);
                else if (what < 4)
                    library->changeMute(id, kind, random() % 2);
                else
                    library->changeSwitch(id, SimulatedSwitch(random() % 4), random() % 2);
                if (i % 256 == 0)
                    SimulatorDriver::waitUntilDelivered(*library, settleTimeoutMs);
            }
            --threadsRunning;
        });
    }

    std::mt19937 random(1);
    while (threadsRunning > 0 || !SimulatorDriver::waitUntilDelivered(*library, 200)) {
        runGuiAction(random);
        QCoreApplication::processEvents();
    }
    for (std::thread& thread : threads)
        thread.join();
    QTRY_VERIFY_WITH_TIMEOUT(settle(*library, window.get(), settleTimeoutMs), settleTimeoutMs);

    // Every device notification reached the GUI thread once, per device in the order asked for.
    std::uint64_t deviceNotificationsIssued = 0;
    for (const auto& [id, expected] : issued)
        deviceNotificationsIssued += expected.size();
    QVERIFY(deviceNotificationsIssued >= 2u * plugCycles + 2);
    QCOMPARE(deviceSignals.load(), deviceNotificationsIssued);
    QCOMPARE(received, issued);

    // The window ends in step with the library.
    QTRY_COMPARE_WITH_TIMEOUT(differenceFromLibrary(window.get(), *library), QString(),
                              settleTimeoutMs);
    // A store or load whose device was unplugged meanwhile says so; nothing else fails.
    for (QErrorMessage* box : window->findChildren<QErrorMessage*>())
        QVERIFY(box->findChild<QTextEdit*>()->toPlainText().endsWith("The device was removed."));
    window->detachFromLibrary();
    library.reset();
    window.reset();
}

QTEST_MAIN(TestConcurrencyStorm)
#include "tst_concurrencystorm.moc"
