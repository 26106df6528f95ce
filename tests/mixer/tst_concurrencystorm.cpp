#include "levellabels.h"
#include "levelscale.h"
#include "presetfiledialogs.h"
#include "simulatedcontrol.h"
#include "tarvixdevice.h"
#include "tarvixhid.h"
#include "tarvixmixer.h"
#include "tarvixmixerdevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QErrorMessage>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

// Storm sizes. The normal build issues 1,200 plug-and-unplug cycles (2,400 plugs and unplugs)
// and 220,000 level, mute and switch changes made elsewhere from three threads of its own, while
// the GUI thread drives the window. Half the changes go to a device that stays plugged, so more
// than 100,000 are carried out whatever the timing; the rest may find their device unplugged.
// Sanitizer builds run several times slower and issue half of each: 600 cycles and 110,000
// changes, of which more than 50,000 are carried out.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TARVIX_STORM_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TARVIX_STORM_SANITIZED 1
#endif
#endif

namespace {

#ifdef TARVIX_STORM_SANITIZED
constexpr int sizeDivisor = 2;
#else
constexpr int sizeDivisor = 1;
#endif
constexpr int plugCycles = 1200 / sizeDivisor;
constexpr int changeThreads = 2;
constexpr int changesPerThread = 110000 / sizeDivisor;
constexpr std::uint64_t minimumChangesCarriedOut = 100000 / sizeDivisor;
// How far the notifications the window has emitted may run ahead of those handled on the GUI
// thread before the storm threads wait; it keeps the GUI's own actions interleaved.
constexpr std::uint64_t maxBacklog = 2000;
constexpr int settleTimeoutMs = 60000;

using Kind = SimulatedEndpointKind;

const std::string duoId = SimulatedDeviceConfig::duo().id;
const std::string soloId = SimulatedDeviceConfig::solo().id;
const std::string steadyId = "TVX-STORM-STEADY";

SimulatedDeviceConfig stormDevice(const std::string& id, bool hid)
{
    SimulatedDeviceConfig config;
    config.id = id;
    config.name = "Storm " + id;
    config.output = SimulatedDeviceConfig::defaultOutput(6.0f);
    config.input = SimulatedDeviceConfig::defaultInput();
    if (hid)
        config.hid = SimulatedSwitches();
    return config;
}

// The devices plugged and unplugged; the solo and the steady device stay throughout.
std::vector<SimulatedDeviceConfig> cycledDevices()
{
    return {SimulatedDeviceConfig::duo(), stormDevice("TVX-STORM-A", true),
            stormDevice("TVX-STORM-B", false), stormDevice("TVX-STORM-\xCE\xA9-C", true)};
}

// Answers the preset commands' file dialogs with files in a temporary folder.
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

// Receives the window's bridge signals queued on the GUI thread, as its own handlers do.
class NotificationRecorder : public QObject
{
    Q_OBJECT

public:
    std::vector<std::pair<CallbackType, QString>> deviceEvents; // GUI thread only
    std::atomic<std::uint64_t> volumeEvents{0};
    std::atomic<std::uint64_t> handled{0};

public slots:
    void recordDeviceEvent(CallbackType type, const QString& id)
    {
        deviceEvents.emplace_back(type, id);
        ++handled;
    }
    void recordVolumeChange()
    {
        ++volumeEvents;
        ++handled;
    }
};

void clickBox(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

const char* typeName(CallbackType type)
{
    switch (type) {
    case DeviceArrival:
        return "arrival";
    case DeviceRemoval:
        return "removal";
    case DeviceChange:
        return "change";
    }
    return "other";
}

} // namespace

// Plugging, unplugging and changes made elsewhere from several threads at once, carried out by
// the simulated library's hardware thread and reported from its delivery thread, while the GUI
// thread keeps using the window and taking the library lock in its slots.
class TestConcurrencyStorm : public QObject
{
    Q_OBJECT

private slots:
    void stormKeepsEveryNotificationAndEndsInStep();

private:
    template <typename T> T* widget(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    void runGuiAction(std::mt19937& random);
    bool settled();
    void verifyDeviceList();
    void verifyLevelWidgets();
    bool hidBoxesShowTheDevice();
    void changeEverythingOnTheCurrentDevice();

    std::unique_ptr<SimulatedControl> library;
    std::unique_ptr<TarvixMixer> window;
    NotificationRecorder recorder;
    ScriptedDialogs dialogs;
    QTemporaryDir presetFolder;
    QStringList storedPresets;
    int presetCounter = 0;

    std::atomic<std::uint64_t> deviceSignals{0};
    std::atomic<std::uint64_t> volumeSignalsFromLibrary{0};
    std::atomic<std::uint64_t> volumeSignalsFromGui{0};
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
    QComboBox* list = widget<QComboBox>("combo_device_select");
    switch (random() % 10) {
    case 0:
    case 1:
    case 2:
        QTest::keyClick(widget<QSlider>(sliders[random() % 4]), keys[random() % 4]);
        break;
    case 3:
    case 4:
        clickBox(widget<QCheckBox>(boxes[random() % 8]));
        break;
    case 5:
        if (list->count() > 0)
            list->setCurrentIndex(static_cast<int>(random() % list->count()));
        break;
    case 6:
        dialogs.answer =
            presetFolder.filePath(QStringLiteral("storm-%1.tarvix").arg(presetCounter++ % 4));
        widget<QPushButton>("StoreButton")->click();
        if (!storedPresets.contains(dialogs.answer) && QFile::exists(dialogs.answer))
            storedPresets.append(dialogs.answer);
        break;
    case 7:
        if (!storedPresets.isEmpty()) {
            dialogs.answer = storedPresets.at(static_cast<int>(random() % storedPresets.size()));
            widget<QPushButton>("LoadButton")->click();
        }
        break;
    case 8:
        window->update_hid_controls();
        break;
    case 9:
        break;
    }
    std::lock_guard<std::mutex> guard(currentIdMutex);
    currentId = list->currentData(Qt::UserRole).toString().toStdString();
}

// True once the library is idle, the window has handled what it emitted, and handling it gave
// rise to nothing more.
bool TestConcurrencyStorm::settled()
{
    if (!library->waitUntilDelivered(settleTimeoutMs))
        return false;
    const SimulatedCounts before = library->counts();
    QCoreApplication::sendPostedEvents();
    if (!library->waitUntilDelivered(settleTimeoutMs))
        return false;
    const SimulatedCounts after = library->counts();
    const std::uint64_t emitted = deviceSignals + volumeSignalsFromLibrary + volumeSignalsFromGui;
    return std::memcmp(&before, &after, sizeof before) == 0 && recorder.handled == emitted;
}

void TestConcurrencyStorm::verifyDeviceList()
{
    const std::vector<std::string> present = library->presentDeviceIds();
    QComboBox* list = widget<QComboBox>("combo_device_select");
    QStringList shown, expected;
    for (int i = 0; i < list->count(); ++i)
        shown.append(list->itemData(i, Qt::UserRole).toString());
    for (const std::string& id : present)
        expected.append(QString::fromStdString(id));
    QCOMPARE(shown, expected);
    for (int i = 0; i < list->count(); ++i) {
        const TarvixDevice* device = library->getDevice(present[i].c_str());
        QVERIFY(device);
        QCOMPARE(list->itemText(i), QString::fromUtf8(device->name));
    }
}

void TestConcurrencyStorm::verifyLevelWidgets()
{
    QComboBox* list = widget<QComboBox>("combo_device_select");
    QVERIFY(list->currentIndex() >= 0);
    const QByteArray id = list->currentData(Qt::UserRole).toString().toUtf8();
    library->lock();
    const auto unlock = qScopeGuard([this] { library->unlock(); });
    TarvixDevice* device = library->getDevice(id.constData());
    QVERIFY(device);
    QCOMPARE(widget<QGroupBox>("gb_hid_control")->isEnabled(), device->hid != nullptr);
    QCOMPARE(widget<QPushButton>("StoreButton")->isEnabled(), device->hid != nullptr);
    QCOMPARE(widget<QPushButton>("LoadButton")->isEnabled(), device->hid != nullptr);
    QVERIFY(widget<QGroupBox>("gb_playback")->isEnabled());
    QVERIFY(widget<QGroupBox>("gb_record")->isEnabled());

    struct Channel
    {
        TarvixMixerDevice* endpoint;
        bool output;
        float (TarvixMixerDevice::*level)();
        const char* slider;
        const char* label;
    };
    const Channel channels[] = {
        {device->output, true, &TarvixMixerDevice::getVolumeLeft, "vol_slider_playback_left",
         "vol_label_playback_left"},
        {device->output, true, &TarvixMixerDevice::getVolumeRight, "vol_slider_playback_right",
         "vol_label_playback_right"},
        {device->input, false, &TarvixMixerDevice::getVolumeLeft, "vol_slider_record_left",
         "vol_label_record_left"},
        {device->input, false, &TarvixMixerDevice::getVolumeRight, "vol_slider_record_right",
         "vol_label_record_right"},
    };
    for (const Channel& channel : channels) {
        float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
        channel.endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
        if (channel.output)
            minDb = LevelScale::kOutputFloorDb;
        const float level = (channel.endpoint->*channel.level)();
        const QSlider* slider = widget<QSlider>(channel.slider);
        const int lowest = LevelScale::positionForLevel(minDb, stepDb);
        const int highest = LevelScale::positionForLevel(maxDb, stepDb);
        QCOMPARE(slider->minimum(), lowest);
        QCOMPARE(slider->maximum(), highest);
        QVERIFY2(slider->value() ==
                     std::clamp(LevelScale::positionForLevel(level, stepDb), lowest, highest),
                 qPrintable(QStringLiteral("%1 at %2 for %3 dB")
                                .arg(QLatin1String(channel.slider))
                                .arg(slider->value())
                                .arg(static_cast<double>(level))));
        const QString text = channel.output ? LevelLabels::outputRefreshText(level)
                                            : LevelLabels::inputRefreshText(level, stepDb);
        QCOMPARE(widget<QLabel>(channel.label)->text(), text);
    }
    QCOMPARE(widget<QCheckBox>("cb_playback_mute")->isChecked(), device->output->getMute());
    QCOMPARE(widget<QCheckBox>("cb_record_mute")->isChecked(), device->input->getMute());
}

bool TestConcurrencyStorm::hidBoxesShowTheDevice()
{
    const QByteArray id =
        widget<QComboBox>("combo_device_select")->currentData(Qt::UserRole).toString().toUtf8();
    library->lock();
    const auto unlock = qScopeGuard([this] { library->unlock(); });
    TarvixDevice* device = library->getDevice(id.constData());
    if (!device || !device->hid)
        return true;
    return widget<QCheckBox>("cb_phantom_left")->isChecked() == device->hid->getPhantomLeft() &&
           widget<QCheckBox>("cb_phantom_right")->isChecked() == device->hid->getPhantomRight() &&
           widget<QCheckBox>("cb_loopback_left")->isChecked() == device->hid->getLoopbackLeft() &&
           widget<QCheckBox>("cb_loopback_right")->isChecked() == device->hid->getLoopbackRight();
}

void TestConcurrencyStorm::changeEverythingOnTheCurrentDevice()
{
    const std::string id = widget<QComboBox>("combo_device_select")
                               ->currentData(Qt::UserRole)
                               .toString()
                               .toStdString();
    TarvixDevice* device = library->getDevice(id.c_str());
    QVERIFY(device);
    library->lock();
    // Another level on the same side of each endpoint's range, and the other mute state.
    const auto other = [](float level, float low, float high) { return level == low ? high : low; };
    const float outputLeft = other(device->output->getVolumeLeft(), -33.5f, -12.0f);
    const float outputRight = other(device->output->getVolumeRight(), -12.0f, -33.5f);
    const float inputLeft = other(device->input->getVolumeLeft(), 6.0f, 14.0f);
    const float inputRight = other(device->input->getVolumeRight(), 14.0f, 6.0f);
    const bool outputMute = !device->output->getMute();
    const bool inputMute = !device->input->getMute();
    bool switches[4] = {};
    if (device->hid) {
        switches[0] = !device->hid->getPhantomLeft();
        switches[1] = !device->hid->getPhantomRight();
        switches[2] = !device->hid->getLoopbackLeft();
        switches[3] = !device->hid->getLoopbackRight();
    }
    library->unlock();

    library->changeVolumeLeftElsewhere(id, Kind::Output, outputLeft);
    library->changeVolumeRightElsewhere(id, Kind::Output, outputRight);
    library->changeVolumeLeftElsewhere(id, Kind::Input, inputLeft);
    library->changeVolumeRightElsewhere(id, Kind::Input, inputRight);
    library->changeMuteElsewhere(id, Kind::Output, outputMute);
    library->changeMuteElsewhere(id, Kind::Input, inputMute);
    if (device->hid) {
        const SimulatedSwitch order[] = {
            SimulatedSwitch::PhantomLeft, SimulatedSwitch::PhantomRight,
            SimulatedSwitch::LoopbackLeft, SimulatedSwitch::LoopbackRight};
        for (int i = 0; i < 4; ++i)
            library->changeSwitchElsewhere(id, order[i], switches[i]);
    }
}

void TestConcurrencyStorm::stormKeepsEveryNotificationAndEndsInStep()
{
    QVERIFY(presetFolder.isValid());
    // The devices are plugged only once everything that counts is connected.
    library = std::make_unique<SimulatedControl>(SimulatedControl::StartWith::NoDevices);
    window = std::make_unique<TarvixMixer>(library.get());
    window->setPresetFileDialogs(&dialogs);
    const QThread* guiThread = QThread::currentThread();
    connect(window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, &recorder,
            &NotificationRecorder::recordDeviceEvent, Qt::QueuedConnection);
    connect(window.get(), &TarvixMixer::VolumeChangedCallbackGUI, &recorder,
            &NotificationRecorder::recordVolumeChange, Qt::QueuedConnection);
    connect(window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, [this] { ++deviceSignals; });
    connect(window.get(), &TarvixMixer::VolumeChangedCallbackGUI, [this, guiThread] {
        if (QThread::currentThread() == guiThread)
            ++volumeSignalsFromGui;
        else
            ++volumeSignalsFromLibrary;
    });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    library->plugDevice(SimulatedDeviceConfig::duo());
    library->plugDevice(stormDevice(steadyId, true));
    library->plugDevice(SimulatedDeviceConfig::solo());
    QTRY_COMPARE(widget<QComboBox>("combo_device_select")->count(), 3);
    currentId = duoId;

    // What each id's listener must be told, in order, as the storm threads ask for it.
    std::map<std::string, std::vector<CallbackType>> issued = {
        {duoId, {DeviceArrival}}, {steadyId, {DeviceArrival}}, {soloId, {DeviceArrival}}};
    std::atomic<int> threadsRunning{1 + changeThreads};
    std::atomic<int> currentDeviceRemovals{0};
    // Paces a storm thread: before it asks for more, the library carries out what was asked so
    // far, the GUI thread takes at least one more action of its own, and it catches up with what
    // the window emitted. None of this is needed for correctness; it keeps the GUI's actions
    // interleaved with the storm.
    std::atomic<std::uint64_t> guiActions{0};
    const auto pace = [this, &guiActions] {
        const std::uint64_t actionsBefore = guiActions;
        library->waitUntilDelivered(settleTimeoutMs);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while ((guiActions == actionsBefore ||
                deviceSignals + volumeSignalsFromLibrary + volumeSignalsFromGui >
                    recorder.handled + maxBacklog) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    };

    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        const std::vector<SimulatedDeviceConfig> devices = cycledDevices();
        std::vector<bool> present = {true, false, false, false};
        std::mt19937 random(7);
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
            const SimulatedDeviceConfig& device = devices[index];
            if (present[index]) {
                library->unplugDevice(device.id);
                issued[device.id].push_back(DeviceRemoval);
            } else {
                library->plugDevice(device);
                issued[device.id].push_back(DeviceArrival);
            }
            present[index] = !present[index];
            if (step % 5 == 0) {
                const std::string& changed = devices[random() % devices.size()].id;
                library->sendDeviceChange(changed);
                issued[changed].push_back(DeviceChange);
            }
            if (step % 4 == 0)
                pace();
            std::this_thread::yield();
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (!present[i]) {
                library->plugDevice(devices[i]);
                issued[devices[i].id].push_back(DeviceArrival);
            }
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
                    library->changeVolumeLeftElsewhere(id, kind, level);
                    break;
                case 1:
                    library->changeVolumeRightElsewhere(id, kind, level);
                    break;
                case 2:
                case 3:
                    library->changeMuteElsewhere(id, kind, random() % 2);
                    break;
                default:
                    library->changeSwitchElsewhere(id, static_cast<SimulatedSwitch>(random() % 4),
                                                   random() % 2);
                    break;
                }
                if (i % 256 == 0)
                    pace();
            }
            --threadsRunning;
        });
    }

    std::mt19937 random(1);
    while (threadsRunning > 0 || !library->waitUntilDelivered(0)) {
        runGuiAction(random);
        ++guiActions;
        QCoreApplication::processEvents();
    }
    for (std::thread& thread : threads)
        thread.join();
    // The queues drain while the GUI thread keeps handling what arrives.
    QTRY_VERIFY_WITH_TIMEOUT(settled(), settleTimeoutMs);

    const SimulatedCounts counts = library->counts();
    qInfo("%llu GUI actions; %llu arrivals, %llu removals, %llu changes, %llu volume changes "
          "delivered, %llu HID reports, %llu requests ignored, %d aimed at the current device",
          static_cast<unsigned long long>(guiActions.load()),
          static_cast<unsigned long long>(counts.deviceArrivals),
          static_cast<unsigned long long>(counts.deviceRemovals),
          static_cast<unsigned long long>(counts.deviceChanges),
          static_cast<unsigned long long>(counts.volumeChangesDelivered),
          static_cast<unsigned long long>(counts.hidReports),
          static_cast<unsigned long long>(counts.ignoredRequests), currentDeviceRemovals.load());

    // Every notification delivered to the window reached the GUI thread once.
    QCOMPARE(counts.otherDeviceEvents, 0u);
    QCOMPARE(deviceSignals.load(),
             counts.deviceArrivals + counts.deviceRemovals + counts.deviceChanges);
    QCOMPARE(static_cast<std::uint64_t>(recorder.deviceEvents.size()), deviceSignals.load());
    QCOMPARE(volumeSignalsFromLibrary.load(), counts.volumeChangesDelivered);
    QCOMPARE(recorder.volumeEvents.load(),
             volumeSignalsFromLibrary.load() + volumeSignalsFromGui.load());
    QVERIFY(counts.volumeChangesDelivered > 0);
    // Plugs and unplugs are never ignored; what is ignored are changes to an unplugged device.
    QVERIFY(changeThreads * changesPerThread - counts.ignoredRequests >= minimumChangesCarriedOut);

    // Per device, in the order asked for.
    std::map<std::string, std::vector<CallbackType>> received;
    for (const auto& [type, id] : recorder.deviceEvents)
        received[id.toStdString()].push_back(type);
    QCOMPARE(received.size(), issued.size());
    for (const auto& [id, expected] : issued) {
        const std::vector<CallbackType>& got = received[id];
        QString mismatch;
        for (std::size_t i = 0; i < std::max(expected.size(), got.size()) && mismatch.isEmpty();
             ++i) {
            if (i >= expected.size() || i >= got.size() || expected[i] != got[i])
                mismatch =
                    QStringLiteral("%1: notification %2 is %3, expected %4")
                        .arg(QString::fromStdString(id))
                        .arg(i)
                        .arg(QLatin1String(i < got.size() ? typeName(got[i]) : "missing"))
                        .arg(QLatin1String(i < expected.size() ? typeName(expected[i]) : "none"));
        }
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }
    const std::size_t plugsAndUnplugs =
        counts.deviceArrivals + counts.deviceRemovals - 3; // less the three plugged at start
    QVERIFY(plugsAndUnplugs >= 2u * plugCycles);
    QVERIFY(currentDeviceRemovals > 0);

    // The window ends in step with the library.
    verifyDeviceList();
    if (QTest::currentTestFailed())
        return;
    verifyLevelWidgets();
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(hidBoxesShowTheDevice(), settleTimeoutMs);
    const auto errorBoxes = window->findChildren<QErrorMessage*>();
    QCOMPARE(errorBoxes.size(), 0);

    // And it still follows the device: every level, mute and switch of the current device
    // changed elsewhere once more reaches its widget.
    changeEverythingOnTheCurrentDevice();
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(settled(), settleTimeoutMs);
    verifyLevelWidgets();
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(hidBoxesShowTheDevice(), settleTimeoutMs);

    library.reset();
    window.reset();
}

QTEST_MAIN(TestConcurrencyStorm)
#include "tst_concurrencystorm.moc"
