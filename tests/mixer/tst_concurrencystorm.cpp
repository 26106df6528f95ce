#include "windowtesting.h"

#include <QErrorMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTextEdit>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
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
// How far the window's notifications may run ahead of the GUI thread's handling before the
// storm threads wait; it keeps the GUI's own actions interleaved with the storm.
constexpr std::uint64_t maxBacklog = 2000;
constexpr int settleTimeoutMs = 60000;

using Kind = SimulatedEndpointKind;
const std::string duoId = SimulatedDeviceConfig::duo().id;
const std::string soloId = SimulatedDeviceConfig::solo().id;
const std::string steadyId = "TVX-STORM-STEADY";

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

// Plugged and unplugged; the solo and the steady device stay throughout.
const std::vector<SimulatedDeviceConfig> cycledDevices = {
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
    void changeEverythingOnTheCurrentDevice();
    std::uint64_t emitted() const { return deviceSignals + volumeSignals; }
    bool settled()
    {
        return settle(*library, window.get(), settleTimeoutMs) && handled == emitted();
    }

    std::unique_ptr<SimulatedControl> library;
    std::unique_ptr<TarvixMixer> window;
    ScriptedDialogs dialogs;
    QTemporaryDir presetFolder;
    int presetCounter = 0;
    std::atomic<std::uint64_t> deviceSignals{0}, volumeSignals{0}, handled{0};
    std::map<std::string, QString> received; // GUI thread only
    std::mutex shownIdMutex;
    std::string shownId; // as last seen on the GUI thread
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
    if (action < 3) {
        QTest::keyClick(widget(window.get(), sliders[random() % 4]), keys[random() % 4]);
    } else if (action < 5) {
        widget<QCheckBox>(window.get(), boxes[random() % 8])->click();
    } else if (action == 5 && list->count() > 0) {
        list->setCurrentIndex(static_cast<int>(random() % list->count()));
    } else if (action == 6) {
        dialogs.fileName = presetFolder.filePath(QString("%1.tarvix").arg(presetCounter++ % 4));
        widget<QPushButton>(window.get(), "StoreButton")->click();
    } else if (action == 7 && presetCounter > 0) { // a file not stored yet is skipped
        dialogs.fileName = presetFolder.filePath(QString("%1.tarvix").arg(random() % 4));
        if (QFile::exists(dialogs.fileName))
            widget<QPushButton>(window.get(), "LoadButton")->click();
    } else if (action == 8) {
        window->update_hid_controls();
    }
    std::lock_guard<std::mutex> guard(shownIdMutex);
    shownId = currentId(window.get()).toStdString();
}

// Every level, mute and switch of the shown device to another value, changed elsewhere.
void TestConcurrencyStorm::changeEverythingOnTheCurrentDevice()
{
    const std::string id = currentId(window.get()).toStdString();
    TarvixDevice* device = library->getDevice(id.c_str());
    QVERIFY(device);
    library->lock();
    const auto other = [](float level, float low, float high) { return level == low ? high : low; };
    const float levels[] = {other(device->output->getVolumeLeft(), -33.5f, -12.0f),
                            other(device->output->getVolumeRight(), -12.0f, -33.5f),
                            other(device->input->getVolumeLeft(), 6.0f, 14.0f),
                            other(device->input->getVolumeRight(), 14.0f, 6.0f)};
    const bool mutes[] = {!device->output->getMute(), !device->input->getMute()};
    TarvixHID* hid = device->hid;
    const bool switches[] = {hid && !hid->getPhantomLeft(), hid && !hid->getPhantomRight(),
                             hid && !hid->getLoopbackLeft(), hid && !hid->getLoopbackRight()};
    library->unlock();
    for (int i = 0; i < 2; ++i) {
        const Kind kind = i == 0 ? Kind::Output : Kind::Input;
        library->changeVolumeLeft(id, kind, levels[2 * i]);
        library->changeVolumeRight(id, kind, levels[2 * i + 1]);
        library->changeMute(id, kind, mutes[i]);
    }
    for (int i = 0; hid && i < 4; ++i)
        library->changeSwitch(id, static_cast<SimulatedSwitch>(i), switches[i]);
}

void TestConcurrencyStorm::stormKeepsEveryNotificationAndEndsInStep()
{
    QVERIFY(presetFolder.isValid());
    // The devices are plugged only once everything that counts is connected.
    library = std::make_unique<SimulatedControl>(SimulatorDriver::noDevices);
    window = std::make_unique<TarvixMixer>(library.get());
    window->setPresetFileDialogs(&dialogs);
    // Counted where the window emits, and handled queued on the GUI thread as its own handlers.
    connect(window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, [this] { ++deviceSignals; });
    connect(window.get(), &TarvixMixer::VolumeChangedCallbackGUI, [this] { ++volumeSignals; });
    const auto receive = [this](CallbackType type, const QString& id) {
        received[id.toStdString()] += QLatin1Char(type >= 0 && type < 3 ? "arc"[type] : '?');
        ++handled;
    };
    connect(window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, this, receive,
            Qt::QueuedConnection);
    connect(
        window.get(), &TarvixMixer::VolumeChangedCallbackGUI, this, [this] { ++handled; },
        Qt::QueuedConnection);
    window->show();
    for (const SimulatedDeviceConfig& device :
         {SimulatedDeviceConfig::duo(), stormDevice(steadyId, true), SimulatedDeviceConfig::solo()})
        library->plugDevice(device);
    QTRY_COMPARE(deviceList(window.get())->count(), 3);
    shownId = duoId;

    // What each device's listener must be told, in order, as the storm threads ask for it.
    std::map<std::string, QString> issued = {{duoId, "a"}, {steadyId, "a"}, {soloId, "a"}};
    std::atomic<int> threadsRunning{1 + changeThreads};
    std::atomic<int> shownDeviceRemovals{0};
    // Before a storm thread asks for more, the library carries out what was asked, the GUI thread
    // takes another action and it catches up with the window. Not needed for correctness.
    std::atomic<std::uint64_t> guiActions{0};
    const auto pace = [this, &guiActions] {
        const std::uint64_t actionsBefore = guiActions;
        SimulatorDriver::waitUntilDelivered(*library, settleTimeoutMs);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while ((guiActions == actionsBefore || emitted() > handled + maxBacklog) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    };

    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        std::vector<bool> present = {true, false, false, false};
        std::mt19937 random(7);
        const auto toggle = [&](std::size_t index) {
            const std::string& id = cycledDevices[index].id;
            present[index] ? library->unplugDevice(id) : library->plugDevice(cycledDevices[index]);
            issued[id] += QLatin1Char(present[index] ? 'r' : 'a');
            present[index] = !present[index];
        };
        for (int step = 0; step < 2 * plugCycles; ++step) {
            std::size_t index = random() % cycledDevices.size();
            // Every eighth step goes for the device the window shows, if it is a cycled one.
            for (std::size_t i = 0; step % 8 == 0 && i < cycledDevices.size(); ++i) {
                std::lock_guard<std::mutex> guard(shownIdMutex);
                if (cycledDevices[i].id == shownId && present[i])
                    index = i, ++shownDeviceRemovals;
            }
            toggle(index);
            const std::size_t changed = random() % cycledDevices.size();
            if (step % 5 == 0 && present[changed]) {
                library->sendDeviceChange(cycledDevices[changed].id);
                issued[cycledDevices[changed].id] += QLatin1Char('c');
            }
            if (step % 4 == 0)
                pace();
        }
        for (std::size_t i = 0; i < cycledDevices.size(); ++i) {
            if (!present[i])
                toggle(i);
        }
        --threadsRunning;
    });
    for (int t = 0; t < changeThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::string> ids = {soloId};
            for (const SimulatedDeviceConfig& device : cycledDevices)
                ids.push_back(device.id);
            std::mt19937 random(100 + t);
            for (int i = 0; i < changesPerThread; ++i) {
                const std::string& id = random() % 2 ? steadyId : ids[random() % ids.size()];
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
                    pace();
            }
            --threadsRunning;
        });
    }

    std::mt19937 random(1);
    while (threadsRunning > 0 || !SimulatorDriver::waitUntilDelivered(*library, 200)) {
        runGuiAction(random);
        ++guiActions;
        QCoreApplication::processEvents();
    }
    for (std::thread& thread : threads)
        thread.join();
    QTRY_VERIFY_WITH_TIMEOUT(settled(), settleTimeoutMs);
    QVERIFY(shownDeviceRemovals > 0);

    // Every device notification reached the GUI thread once, per device in the order asked for.
    std::uint64_t deviceNotificationsIssued = 0;
    for (const auto& [id, expected] : issued)
        deviceNotificationsIssued += expected.size();
    QVERIFY(deviceNotificationsIssued >= 2u * plugCycles + 3);
    QCOMPARE(deviceSignals.load(), deviceNotificationsIssued);
    QCOMPARE(received.size(), issued.size());
    for (const auto& [id, expected] : issued)
        QCOMPARE(received[id], expected);

    // The window ends in step with the library, and still follows the shown device when every
    // level, mute and switch of it is changed once more.
    QTRY_COMPARE_WITH_TIMEOUT(differenceFromLibrary(window.get(), *library), QString(),
                              settleTimeoutMs);
    changeEverythingOnTheCurrentDevice();
    QTRY_VERIFY_WITH_TIMEOUT(settled(), settleTimeoutMs);
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
