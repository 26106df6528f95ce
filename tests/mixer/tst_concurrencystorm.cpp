#include "presetfiledialogs.h"
#include "simulatorwindowchecks.h"
#include "tarvixmixer.h"

#include <QErrorMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QThread>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TARVIX_STORM_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TARVIX_STORM_SANITIZED 1
#endif
#endif

using namespace SimulatorWindow;

namespace {

// 1,200 plug-and-unplug cycles and 220,000 changes made on the devices. Half the changes go to
// a device that stays plugged, so more than 100,000 are carried out whatever the timing; the
// rest may find their device unplugged. Sanitizer builds run several times slower and do half.
#ifdef TARVIX_STORM_SANITIZED
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
std::vector<SimulatedDeviceConfig> cycledDevices()
{
    return {SimulatedDeviceConfig::duo(), stormDevice("TVX-STORM-A", true),
            stormDevice("TVX-STORM-B", false), stormDevice("TVX-STORM-\xCE\xA9-C", true)};
}

// One letter per device notification, so that a device's sequence reads as a string.
QLatin1Char letter(CallbackType type)
{
    switch (type) {
    case DeviceArrival:
        return QLatin1Char('a');
    case DeviceRemoval:
        return QLatin1Char('r');
    case DeviceChange:
        return QLatin1Char('c');
    }
    return QLatin1Char('?');
}

// Answers the preset commands' file dialogs with a file in a temporary folder.
class ScriptedDialogs : public PresetFileDialogs
{
public:
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return answer;
    }
    QString getOpenFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return answer;
    }
    QString answer;
};

} // namespace

// Plugging, unplugging and changes made elsewhere from several threads at once, carried out by
// the library's hardware thread and reported from its delivery thread, while the GUI thread
// keeps using the window and taking the library lock in its slots.
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
    QStringList storedPresets;
    int presetCounter = 0;

    std::atomic<std::uint64_t> deviceSignals{0}, volumeSignals{0}, volumeSignalsFromGui{0};
    std::atomic<std::uint64_t> volumeSignalsHandled{0}, handled{0};
    std::map<std::string, QString> received; // GUI thread only
    std::mutex currentIdMutex;
    std::string currentId; // as last seen on the GUI thread
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
    switch (random() % 10) {
    case 0:
    case 1:
    case 2:
        QTest::keyClick(widget<QSlider>(window.get(), sliders[random() % 4]), keys[random() % 4]);
        break;
    case 3:
    case 4:
        clickBox(widget<QCheckBox>(window.get(), boxes[random() % 8]));
        break;
    case 5:
        if (list->count() > 0)
            list->setCurrentIndex(static_cast<int>(random() % list->count()));
        break;
    case 6:
        dialogs.answer =
            presetFolder.filePath(QStringLiteral("storm-%1.tarvix").arg(presetCounter++ % 4));
        widget<QPushButton>(window.get(), "StoreButton")->click();
        if (!storedPresets.contains(dialogs.answer) && QFile::exists(dialogs.answer))
            storedPresets.append(dialogs.answer);
        break;
    case 7:
        if (!storedPresets.isEmpty()) {
            dialogs.answer = storedPresets.at(static_cast<int>(random() % storedPresets.size()));
            widget<QPushButton>(window.get(), "LoadButton")->click();
        }
        break;
    case 8:
        window->update_hid_controls();
        break;
    }
    std::lock_guard<std::mutex> guard(currentIdMutex);
    currentId = list->currentData(Qt::UserRole).toString().toStdString();
}

// Every level, mute and switch of the shown device to another value, changed elsewhere.
void TestConcurrencyStorm::changeEverythingOnTheCurrentDevice()
{
    const std::string id = SimulatorWindow::currentId(window.get()).toStdString();
    TarvixDevice* device = library->getDevice(id.c_str());
    QVERIFY(device);
    library->lock();
    const auto other = [](float level, float low, float high) { return level == low ? high : low; };
    const float levels[] = {other(device->output->getVolumeLeft(), -33.5f, -12.0f),
                            other(device->output->getVolumeRight(), -12.0f, -33.5f),
                            other(device->input->getVolumeLeft(), 6.0f, 14.0f),
                            other(device->input->getVolumeRight(), 14.0f, 6.0f)};
    const bool outputMute = !device->output->getMute(), inputMute = !device->input->getMute();
    TarvixHID* hid = device->hid;
    const bool switches[] = {hid && !hid->getPhantomLeft(), hid && !hid->getPhantomRight(),
                             hid && !hid->getLoopbackLeft(), hid && !hid->getLoopbackRight()};
    library->unlock();

    library->changeVolumeLeft(id, Kind::Output, levels[0]);
    library->changeVolumeRight(id, Kind::Output, levels[1]);
    library->changeVolumeLeft(id, Kind::Input, levels[2]);
    library->changeVolumeRight(id, Kind::Input, levels[3]);
    library->changeMute(id, Kind::Output, outputMute);
    library->changeMute(id, Kind::Input, inputMute);
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
    const QThread* guiThread = QThread::currentThread();
    // Counted where the window emits, and handled queued on the GUI thread as its own handlers.
    connect(window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, [this] { ++deviceSignals; });
    connect(window.get(), &TarvixMixer::VolumeChangedCallbackGUI, [this, guiThread] {
        ++volumeSignals;
        if (QThread::currentThread() == guiThread)
            ++volumeSignalsFromGui;
    });
    connect(
        window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, this,
        [this](CallbackType type, const QString& id) {
            received[id.toStdString()] += letter(type);
            ++handled;
        },
        Qt::QueuedConnection);
    connect(
        window.get(), &TarvixMixer::VolumeChangedCallbackGUI, this,
        [this] {
            ++volumeSignalsHandled;
            ++handled;
        },
        Qt::QueuedConnection);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    for (const SimulatedDeviceConfig& device :
         {SimulatedDeviceConfig::duo(), stormDevice(steadyId, true), SimulatedDeviceConfig::solo()})
        library->plugDevice(device);
    QTRY_COMPARE(deviceList(window.get())->count(), 3);
    currentId = duoId;

    // What each device's listener must be told, in order, as the storm threads ask for it.
    std::map<std::string, QString> issued = {{duoId, "a"}, {steadyId, "a"}, {soloId, "a"}};
    std::atomic<int> threadsRunning{1 + changeThreads};
    std::atomic<int> currentDeviceRemovals{0};
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
        const std::vector<SimulatedDeviceConfig> devices = cycledDevices();
        std::vector<bool> present = {true, false, false, false};
        std::mt19937 random(7);
        const auto toggle = [&](std::size_t index) {
            const std::string& id = devices[index].id;
            present[index] ? library->unplugDevice(id) : library->plugDevice(devices[index]);
            issued[id] += QLatin1Char(present[index] ? 'r' : 'a');
            present[index] = !present[index];
        };
        for (int step = 0; step < 2 * plugCycles; ++step) {
            std::size_t index = random() % devices.size();
            // Every eighth step goes for the device the window shows, if it is a cycled one.
            if (step % 8 == 0) {
                std::lock_guard<std::mutex> guard(currentIdMutex);
                for (std::size_t i = 0; i < devices.size(); ++i) {
                    if (devices[i].id == currentId && present[i]) {
                        index = i;
                        ++currentDeviceRemovals;
                    }
                }
            }
            toggle(index);
            if (step % 5 == 0) {
                const std::size_t changed = random() % devices.size();
                if (present[changed]) {
                    library->sendDeviceChange(devices[changed].id);
                    issued[devices[changed].id] += QLatin1Char('c');
                }
            }
            if (step % 4 == 0)
                pace();
            std::this_thread::yield();
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (!present[i])
                toggle(i);
        }
        --threadsRunning;
    });
    for (int t = 0; t < changeThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::string> ids = {soloId};
            for (const SimulatedDeviceConfig& device : cycledDevices())
                ids.push_back(device.id);
            std::mt19937 random(100 + t);
            for (int i = 0; i < changesPerThread; ++i) {
                const std::string& id = random() % 2 ? steadyId : ids[random() % ids.size()];
                const Kind kind = random() % 2 ? Kind::Output : Kind::Input;
                // Whole and half steps across each endpoint's range.
                const float level = kind == Kind::Output
                                        ? -0.5f * static_cast<float>(random() % 190)
                                        : 0.5f * static_cast<float>(random() % 41);
                switch (random() % 6) {
                case 0:
                    library->changeVolumeLeft(id, kind, level);
                    break;
                case 1:
                    library->changeVolumeRight(id, kind, level);
                    break;
                case 2:
                case 3:
                    library->changeMute(id, kind, random() % 2);
                    break;
                default:
                    library->changeSwitch(id, static_cast<SimulatedSwitch>(random() % 4),
                                          random() % 2);
                }
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

    QVERIFY(currentDeviceRemovals > 0);

    // Every notification delivered to the window reached the GUI thread once, per device in the
    // order asked for.
    std::uint64_t deviceNotificationsIssued = 0;
    for (const auto& [id, expected] : issued)
        deviceNotificationsIssued += expected.size();
    QVERIFY(deviceNotificationsIssued >= 2u * plugCycles + 3);
    QCOMPARE(deviceSignals.load(), deviceNotificationsIssued);
    QCOMPARE(volumeSignalsHandled.load(), volumeSignals.load());
    QVERIFY(volumeSignals > volumeSignalsFromGui);
    QCOMPARE(received.size(), issued.size());
    for (const auto& [id, expected] : issued)
        QCOMPARE(received[id], expected);

    // The window ends in step with the library, and still follows the shown device when every
    // level, mute and switch of it is changed once more.
    for (const bool changeEverything : {false, true}) {
        if (changeEverything) {
            changeEverythingOnTheCurrentDevice();
            if (QTest::currentTestFailed())
                return;
            QTRY_VERIFY_WITH_TIMEOUT(settled(), settleTimeoutMs);
        }
        verifyWindowShowsLibrary(window.get(), *library);
        if (QTest::currentTestFailed())
            return;
        QTRY_VERIFY_WITH_TIMEOUT(switchesShowDevice(window.get(), *library), settleTimeoutMs);
    }
    // A store or load whose device was unplugged meanwhile says so; nothing else fails.
    for (QErrorMessage* box : window->findChildren<QErrorMessage*>())
        QVERIFY(box->findChild<QTextEdit*>()->toPlainText().endsWith("The device was removed."));
    window->detachFromLibrary();
    library.reset();
    window.reset();
}

QTEST_MAIN(TestConcurrencyStorm)
#include "tst_concurrencystorm.moc"
