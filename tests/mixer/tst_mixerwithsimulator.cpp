#include "simulatedcontrol.h"
#include "tarvixdevice.h"
#include "tarvixhid.h"
#include "tarvixmixer.h"
#include "tarvixmixerdevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <thread>

namespace {

const std::string duoId = SimulatedDeviceConfig::duo().id;
const std::string soloId = SimulatedDeviceConfig::solo().id;
constexpr float infinity = std::numeric_limits<float>::infinity();
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
// Polls run every 500 ms; this leaves room for slow sanitizer builds.
constexpr int pollTimeoutMs = 10000;

using Kind = SimulatedEndpointKind;

// Stands between the window and a simulated library so that the library can be deleted while the
// window lives on, as at the end of the program, and any call the window makes afterwards is seen
// rather than made on a deleted object.
class ForwardingControl final : public TarvixControl
{
public:
    explicit ForwardingControl(std::unique_ptr<SimulatedControl> owned) : library(owned.release())
    {
    }
    ~ForwardingControl() override { delete library; }

    ForwardingControl(const ForwardingControl&) = delete;
    ForwardingControl& operator=(const ForwardingControl&) = delete;

    SimulatedControl* simulated() const { return library; }

    // A delivery in progress may still reach the library while it is being deleted; the pointer
    // is cleared only once its threads have stopped.
    void deleteLibrary(std::function<void()> onDeletionBegun)
    {
        library->setDestructionObserver(std::move(onDeletionBegun));
        delete library;
        library = nullptr;
    }

    const char* backendName() override { return alive() ? library->backendName() : ""; }
    TarvixDevice* getDevice(const char* id) override
    {
        return alive() ? library->getDevice(id) : nullptr;
    }
    void lock() override
    {
        if (alive())
            library->lock();
    }
    void unlock() override
    {
        if (alive())
            library->unlock();
    }

    std::atomic<int> callsAfterDeletion{0};

protected:
    void setDeviceCallback(TarvixDeviceCallback* callback) override
    {
        if (alive())
            library->registerTarvixDeviceCallback(callback);
    }

private:
    bool alive()
    {
        if (library)
            return true;
        ++callsAfterDeletion;
        return false;
    }

    SimulatedControl* library;
};

// The window around a simulated library that runs its own threads. Torn down as the program
// does it: the library first, then the window, with no event handled in between.
class SimulatedMixer
{
public:
    explicit SimulatedMixer(SimulatedControl::StartWith start,
                            SimulatedControl::ArrivalReporting reporting =
                                SimulatedControl::ArrivalReporting::FromLibraryThread)
        : forwarding(std::make_unique<SimulatedControl>(start, reporting)),
          window(std::make_unique<TarvixMixer>(&forwarding))
    {
    }
    ~SimulatedMixer()
    {
        if (forwarding.simulated())
            forwarding.deleteLibrary({});
        window.reset();
    }

    SimulatedControl& library() const { return *forwarding.simulated(); }

    template <typename T> T* widget(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QSlider* slider(const char* name) const { return widget<QSlider>(name); }
    QLabel* label(const char* name) const { return widget<QLabel>(name); }
    QCheckBox* box(const char* name) const { return widget<QCheckBox>(name); }
    QGroupBox* group(const char* name) const { return widget<QGroupBox>(name); }
    QPushButton* button(const char* name) const { return widget<QPushButton>(name); }
    QComboBox* deviceList() const { return widget<QComboBox>("combo_device_select"); }

    QStringList itemIds() const
    {
        QStringList ids;
        for (int i = 0; i < deviceList()->count(); ++i)
            ids.append(deviceList()->itemData(i, Qt::UserRole).toString());
        return ids;
    }
    QString currentId() const { return deviceList()->currentData(Qt::UserRole).toString(); }

    // Waits until the library has carried out every request and delivered every notification
    // and the window has handled what reached it, again while handling gives rise to more.
    bool settle()
    {
        for (int round = 0; round < 50; ++round) {
            if (!library().waitUntilDelivered(pollTimeoutMs))
                return false;
            const SimulatedCounts before = library().counts();
            QCoreApplication::sendPostedEvents();
            if (!library().waitUntilDelivered(pollTimeoutMs))
                return false;
            const SimulatedCounts after = library().counts();
            if (std::memcmp(&before, &after, sizeof before) == 0)
                return true;
        }
        return false;
    }

    TarvixMixerDevice* endpoint(const std::string& id, Kind kind)
    {
        TarvixDevice* device = library().getDevice(id.c_str());
        if (!device)
            qFatal("device %s is not present", id.c_str());
        return kind == Kind::Output ? device->output : device->input;
    }
    float left(const std::string& id, Kind kind) { return endpoint(id, kind)->getVolumeLeft(); }
    float right(const std::string& id, Kind kind) { return endpoint(id, kind)->getVolumeRight(); }
    bool muted(const std::string& id, Kind kind) { return endpoint(id, kind)->getMute(); }
    TarvixHID* hid(const std::string& id) { return library().getDevice(id.c_str())->hid; }

    ForwardingControl forwarding;
    std::unique_ptr<TarvixMixer> window;
};

SimulatedDeviceConfig device(const std::string& id, const std::string& name,
                             SimulatedEndpointConfig output, SimulatedEndpointConfig input,
                             bool hid = true)
{
    SimulatedDeviceConfig config;
    config.id = id;
    config.name = name;
    config.output = output;
    config.input = input;
    if (hid)
        config.hid = SimulatedSwitches();
    return config;
}

SimulatedEndpointConfig endpointConfig(float minDb, float maxDb, float stepDb, float levelDb)
{
    SimulatedEndpointConfig config;
    config.minDb = minDb;
    config.maxDb = maxDb;
    config.stepDb = stepDb;
    config.leftDb = config.rightDb = levelDb;
    return config;
}

// Clicks a check box on its indicator, as a user would.
void clickBox(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

bool sameFloat(float a, float b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

const char* const levelLabels[] = {"vol_label_playback_left", "vol_label_playback_right",
                                   "vol_label_record_left", "vol_label_record_right"};
const char* const levelSliders[] = {"vol_slider_playback_left", "vol_slider_playback_right",
                                    "vol_slider_record_left", "vol_slider_record_right"};
const char* const hidBoxes[] = {"cb_phantom_left", "cb_phantom_right", "cb_loopback_left",
                                "cb_loopback_right"};

} // namespace

// The window driven end to end through the simulated device library, with the library's own
// hardware and delivery threads running.
class TestMixerWithSimulator : public QObject
{
    Q_OBJECT

private slots:
    void defaultDevicesAppearAndTheFirstIsApplied();
    void devicesReportedWithinRegistrationAreListedAtOnce();
    void pluggedDeviceAppearsAndTheFirstIsApplied();
    void pullingTheCurrentDeviceOutHandsOverToItsNeighbour();
    void levelsAndMutesChangedElsewhereReachTheWidgets();
    void switchFlippedOnTheDeviceReachesItsBoxWithinOnePoll();
    void keyboardAndMouseOnTheControlsReachTheDevice();
    void nonAsciiDeviceCanBePluggedSelectedAndUnplugged();
    void hostileRangesLeaveSaneWidgets_data();
    void hostileRangesLeaveSaneWidgets();
    void extremeLevelsChangedElsewhereLeaveSaneWidgets_data();
    void extremeLevelsChangedElsewhereLeaveSaneWidgets();
    void deletingTheLibraryFirstWithNotificationsQueuedCallsNothingAfterwards();

private:
    static void verifySaneWidgets(const SimulatedMixer& mixer);
};

void TestMixerWithSimulator::verifySaneWidgets(const SimulatedMixer& mixer)
{
    for (const char* name : levelLabels) {
        const QString text = mixer.label(name)->text();
        QVERIFY2(!text.contains(QLatin1String("nan"), Qt::CaseInsensitive) &&
                     !text.contains(QLatin1String("inf"), Qt::CaseInsensitive),
                 qPrintable(QString::fromLatin1(name) + QLatin1String(": ") + text));
        QVERIFY2(text.size() <= 12, qPrintable(text));
    }
    for (const char* name : levelSliders) {
        const QSlider* slider = mixer.slider(name);
        QVERIFY2(slider->minimum() <= slider->value() && slider->value() <= slider->maximum(),
                 name);
    }
}

void TestMixerWithSimulator::defaultDevicesAppearAndTheFirstIsApplied()
{
    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices);
    // The library reports its devices from its delivery thread: nothing is listed until the
    // window's queued handlers have run.
    QCOMPARE(mixer.deviceList()->count(), 0);
    QVERIFY(!mixer.group("gb_playback")->isEnabled());

    QTRY_COMPARE(mixer.itemIds(), QStringList({"TVX-DUO-0001", "TVX-SOLO-0002"}));
    QCOMPARE(mixer.deviceList()->itemText(0), QStringLiteral("Tarvix Duo USB"));
    QCOMPARE(mixer.deviceList()->itemText(1), QStringLiteral("Tarvix Solo USB"));
    QCOMPARE(mixer.deviceList()->currentIndex(), 0);
    QVERIFY(mixer.settle());

    for (const char* name : {"gb_playback", "gb_record", "gb_hid_control"})
        QVERIFY2(mixer.group(name)->isEnabled(), name);
    QVERIFY(mixer.button("StoreButton")->isEnabled());
    QVERIFY(mixer.button("LoadButton")->isEnabled());

    for (const char* name : {"vol_slider_playback_left", "vol_slider_playback_right"}) {
        QCOMPARE(mixer.slider(name)->minimum(), -144);
        QCOMPARE(mixer.slider(name)->maximum(), 0);
        QCOMPARE(mixer.slider(name)->value(), -40);
    }
    for (const char* name : {"vol_slider_record_left", "vol_slider_record_right"}) {
        QCOMPARE(mixer.slider(name)->minimum(), 0);
        QCOMPARE(mixer.slider(name)->maximum(), 10);
        QCOMPARE(mixer.slider(name)->value(), 4);
    }
    QCOMPARE(mixer.label("vol_label_playback_left")->text(), QStringLiteral("-20.0 dB"));
    QCOMPARE(mixer.label("vol_label_playback_right")->text(), QStringLiteral("-20.0 dB"));
    QCOMPARE(mixer.label("vol_label_record_left")->text(), QStringLiteral("18 dB"));
    QCOMPARE(mixer.label("vol_label_record_right")->text(), QStringLiteral("18 dB"));
    QVERIFY(!mixer.box("cb_playback_mute")->isChecked());
    QVERIFY(!mixer.box("cb_record_mute")->isChecked());

    // Applying a device shows its state and writes nothing back.
    QCOMPARE(mixer.left(duoId, Kind::Output), -20.0f);
    QCOMPARE(mixer.right(duoId, Kind::Output), -20.0f);
    QCOMPARE(mixer.left(duoId, Kind::Input), 8.0f);
    QCOMPARE(mixer.right(duoId, Kind::Input), 8.0f);
    QCOMPARE(mixer.library().counts().volumeChangesMade, 0u);
    QCOMPARE(mixer.library().counts().deviceArrivals, 2u);
}

void TestMixerWithSimulator::devicesReportedWithinRegistrationAreListedAtOnce()
{
    // The arrivals come on the GUI thread from within the constructor's registration, so the
    // handlers run at once, nested in it.
    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices,
                         SimulatedControl::ArrivalReporting::WithinRegistration);
    QCOMPARE(mixer.itemIds(), QStringList({"TVX-DUO-0001", "TVX-SOLO-0002"}));
    QCOMPARE(mixer.deviceList()->currentIndex(), 0);
    QVERIFY(mixer.group("gb_hid_control")->isEnabled());
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -40);
    QCOMPARE(mixer.label("vol_label_record_right")->text(), QStringLiteral("18 dB"));

    // Later events still come from the library's own threads.
    mixer.library().changeVolumeLeftElsewhere(duoId, Kind::Output, -7.0f);
    mixer.library().unplugDevice(soloId);
    QTRY_COMPARE(mixer.itemIds(), QStringList({"TVX-DUO-0001"}));
    QTRY_COMPARE(mixer.slider("vol_slider_playback_left")->value(), -14);
}

void TestMixerWithSimulator::pluggedDeviceAppearsAndTheFirstIsApplied()
{
    SimulatedMixer mixer(SimulatedControl::StartWith::NoDevices);
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.deviceList()->count(), 0);
    for (const char* name : {"gb_playback", "gb_record", "gb_hid_control"})
        QVERIFY2(!mixer.group(name)->isEnabled(), name);

    SimulatedDeviceConfig first =
        device("TVX-QUAD-0101", "Tarvix Quad USB", endpointConfig(-60.0f, 12.0f, 0.25f, -6.5f),
               endpointConfig(0.0f, 30.0f, 3.0f, 9.0f));
    first.hid->phantomRight = true;
    mixer.library().plugDevice(first);
    QTRY_COMPARE(mixer.itemIds(), QStringList({"TVX-QUAD-0101"}));
    QCOMPARE(mixer.deviceList()->currentIndex(), 0);
    QVERIFY(mixer.settle());
    QVERIFY(mixer.group("gb_playback")->isEnabled());
    QVERIFY(mixer.group("gb_hid_control")->isEnabled());
    QCOMPARE(mixer.slider("vol_slider_playback_left")->minimum(), -288);
    QCOMPARE(mixer.slider("vol_slider_playback_left")->maximum(), 48);
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -26);
    QCOMPARE(mixer.label("vol_label_playback_right")->text(), QStringLiteral("-6.5 dB"));
    QCOMPARE(mixer.slider("vol_slider_record_right")->maximum(), 10);
    QCOMPARE(mixer.slider("vol_slider_record_right")->value(), 3);
    QCOMPARE(mixer.label("vol_label_record_left")->text(), QStringLiteral("12 dB"));
    // The switches show once the next poll has read them.
    QTRY_VERIFY_WITH_TIMEOUT(mixer.box("cb_phantom_right")->isChecked(), pollTimeoutMs);
    QVERIFY(!mixer.box("cb_phantom_left")->isChecked());

    // A second device is appended; the first stays current.
    mixer.library().plugDevice(SimulatedDeviceConfig::solo());
    QTRY_COMPARE(mixer.itemIds(), QStringList({"TVX-QUAD-0101", "TVX-SOLO-0002"}));
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.currentId(), QStringLiteral("TVX-QUAD-0101"));
    QCOMPARE(mixer.slider("vol_slider_playback_left")->maximum(), 48);
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -26);
}

void TestMixerWithSimulator::pullingTheCurrentDeviceOutHandsOverToItsNeighbour()
{
    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices);
    QTRY_COMPARE(mixer.deviceList()->count(), 2);
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.currentId(), QString::fromStdString(duoId));

    mixer.library().changeVolumeLeftElsewhere(soloId, Kind::Output, -3.0f);
    mixer.library().unplugDevice(duoId);
    QTRY_COMPARE(mixer.itemIds(), QStringList({"TVX-SOLO-0002"}));
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.deviceList()->currentIndex(), 0);
    // The solo has no HID interface and goes up to +6 dB.
    QVERIFY(!mixer.group("gb_hid_control")->isEnabled());
    QVERIFY(!mixer.button("StoreButton")->isEnabled());
    QVERIFY(!mixer.button("LoadButton")->isEnabled());
    QVERIFY(mixer.group("gb_playback")->isEnabled());
    QCOMPARE(mixer.slider("vol_slider_playback_left")->maximum(), 12);
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -6);
    QCOMPARE(mixer.label("vol_label_playback_left")->text(), QStringLiteral("-3.0 dB"));
    QCOMPARE(mixer.slider("vol_slider_playback_right")->value(), -40);

    // The neighbour's endpoints now report to the window.
    mixer.library().changeVolumeRightElsewhere(soloId, Kind::Output, 4.5f);
    mixer.library().changeMuteElsewhere(soloId, Kind::Input, true);
    QTRY_COMPARE(mixer.slider("vol_slider_playback_right")->value(), 9);
    QTRY_VERIFY(mixer.box("cb_record_mute")->isChecked());
    QCOMPARE(mixer.label("vol_label_playback_right")->text(), QStringLiteral("4.5 dB"));

    mixer.library().unplugDevice(soloId);
    QTRY_COMPARE(mixer.deviceList()->count(), 0);
    QVERIFY(mixer.settle());
    for (const char* name : {"gb_playback", "gb_record", "gb_hid_control"})
        QVERIFY2(!mixer.group(name)->isEnabled(), name);
    QVERIFY(!mixer.button("StoreButton")->isEnabled());
    QVERIFY(!mixer.button("LoadButton")->isEnabled());
    // With nothing selected the controls reach no device, and the poll keeps running.
    mixer.slider("vol_slider_playback_left")->setValue(-10);
    mixer.window->update_hid_controls();
    QCOMPARE(mixer.library().counts().ignoredRequests, 0u);
    QCOMPARE(mixer.library().counts().deviceRemovals, 2u);
}

void TestMixerWithSimulator::levelsAndMutesChangedElsewhereReachTheWidgets()
{
    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices);
    QTRY_COMPARE(mixer.deviceList()->count(), 2);
    QVERIFY(mixer.settle());
    SimulatedControl& library = mixer.library();

    library.changeVolumeLeftElsewhere(duoId, Kind::Output, -30.5f);
    library.changeVolumeRightElsewhere(duoId, Kind::Output, -75.0f);
    QTRY_COMPARE(mixer.slider("vol_slider_playback_left")->value(), -61);
    QTRY_COMPARE(mixer.label("vol_label_playback_right")->text(), QStringLiteral("< 72 dB"));
    QCOMPARE(mixer.label("vol_label_playback_left")->text(), QStringLiteral("-30.5 dB"));
    QCOMPARE(mixer.slider("vol_slider_playback_right")->value(), -144);

    library.changeVolumeLeftElsewhere(duoId, Kind::Input, 12.0f);
    library.changeVolumeRightElsewhere(duoId, Kind::Input, 1.0f);
    QTRY_COMPARE(mixer.label("vol_label_record_right")->text(), QString::fromUtf8("-∞ dB"));
    QTRY_COMPARE(mixer.slider("vol_slider_record_left")->value(), 6);
    QCOMPARE(mixer.label("vol_label_record_left")->text(), QStringLiteral("30 dB"));
    QCOMPARE(mixer.slider("vol_slider_record_right")->value(), 0);

    library.changeMuteElsewhere(duoId, Kind::Output, true);
    QTRY_VERIFY(mixer.box("cb_playback_mute")->isChecked());
    QVERIFY(!mixer.box("cb_record_mute")->isChecked());
    library.changeMuteElsewhere(duoId, Kind::Input, true);
    library.changeMuteElsewhere(duoId, Kind::Output, false);
    QTRY_VERIFY(mixer.box("cb_record_mute")->isChecked());
    QTRY_VERIFY(!mixer.box("cb_playback_mute")->isChecked());

    // Showing a level the slider cannot reach does not write the slider's level back.
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.right(duoId, Kind::Output), -75.0f);
    QCOMPARE(mixer.right(duoId, Kind::Input), 1.0f);
    QCOMPARE(library.counts().volumeChangesMade, 7u);
    QCOMPARE(library.counts().volumeChangesDelivered, 7u);

    // Changes on a device that is not shown leave the widgets alone.
    library.changeVolumeLeftElsewhere(soloId, Kind::Output, -1.0f);
    library.changeMuteElsewhere(soloId, Kind::Output, true);
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -61);
    QVERIFY(!mixer.box("cb_playback_mute")->isChecked());
    QCOMPARE(library.counts().volumeChangesDelivered, 7u);
}

void TestMixerWithSimulator::switchFlippedOnTheDeviceReachesItsBoxWithinOnePoll()
{
    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices);
    QTRY_COMPARE(mixer.deviceList()->count(), 2);
    QVERIFY(mixer.settle());

    mixer.library().changeSwitchElsewhere(duoId, SimulatedSwitch::PhantomLeft, true);
    QTRY_VERIFY_WITH_TIMEOUT(mixer.box("cb_phantom_left")->isChecked(), pollTimeoutMs);
    QVERIFY(!mixer.box("cb_phantom_right")->isChecked());
    QVERIFY(!mixer.box("cb_loopback_left")->isChecked());
    QVERIFY(!mixer.box("cb_loopback_right")->isChecked());

    mixer.library().changeSwitchElsewhere(duoId, SimulatedSwitch::LoopbackRight, true);
    mixer.library().changeSwitchElsewhere(duoId, SimulatedSwitch::PhantomLeft, false);
    QTRY_VERIFY_WITH_TIMEOUT(mixer.box("cb_loopback_right")->isChecked() &&
                                 !mixer.box("cb_phantom_left")->isChecked(),
                             pollTimeoutMs);
    QVERIFY(!mixer.box("cb_loopback_left")->isChecked());
    // Rewriting the boxes sets no switch.
    QVERIFY(!mixer.hid(duoId)->getLoopbackLeft());
    QVERIFY(!mixer.hid(duoId)->getPhantomRight());
}

void TestMixerWithSimulator::keyboardAndMouseOnTheControlsReachTheDevice()
{
    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices);
    mixer.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(mixer.window.get()));
    QTRY_COMPARE(mixer.deviceList()->count(), 2);
    QVERIFY(mixer.settle());

    QSlider* playbackLeft = mixer.slider("vol_slider_playback_left");
    playbackLeft->setFocus();
    QTRY_VERIFY(playbackLeft->hasFocus());
    QTest::keyClick(playbackLeft, Qt::Key_Up);
    QCOMPARE(mixer.left(duoId, Kind::Output), -19.5f);
    // The link box starts checked: the right channel follows.
    QCOMPARE(mixer.right(duoId, Kind::Output), -19.5f);
    QCOMPARE(mixer.slider("vol_slider_playback_right")->value(), -39);
    QTest::keyClick(playbackLeft, Qt::Key_PageDown);
    QCOMPARE(mixer.left(duoId, Kind::Output), -24.5f);
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.label("vol_label_playback_left")->text(), QStringLiteral("-24.5 dB"));
    QCOMPARE(mixer.label("vol_label_playback_right")->text(), QStringLiteral("-24.5 dB"));
    QCOMPARE(playbackLeft->value(), -49);

    clickBox(mixer.box("cb_playback_link"));
    QVERIFY(!mixer.box("cb_playback_link")->isChecked());
    playbackLeft->setFocus();
    QTest::keyClick(playbackLeft, Qt::Key_Up);
    QCOMPARE(mixer.left(duoId, Kind::Output), -24.0f);
    QCOMPARE(mixer.right(duoId, Kind::Output), -24.5f);

    QSlider* recordRight = mixer.slider("vol_slider_record_right");
    recordRight->setFocus();
    QTest::keyClick(recordRight, Qt::Key_Home);
    QCOMPARE(mixer.right(duoId, Kind::Input), 0.0f);
    QCOMPARE(mixer.left(duoId, Kind::Input), 0.0f);
    QTest::keyClick(recordRight, Qt::Key_Up);
    QCOMPARE(mixer.right(duoId, Kind::Input), 2.8f);
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.label("vol_label_record_right")->text(), QStringLiteral("0 dB"));
    QCOMPARE(recordRight->value(), 1);
    QTest::keyClick(recordRight, Qt::Key_PageUp);
    QCOMPARE(recordRight->value(), 10);
    QCOMPARE(mixer.right(duoId, Kind::Input), 20.0f);
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.label("vol_label_record_left")->text(), QStringLiteral("54 dB"));

    clickBox(mixer.box("cb_record_mute"));
    QVERIFY(mixer.muted(duoId, Kind::Input));
    QVERIFY(!mixer.muted(duoId, Kind::Output));
    const std::uint64_t hidReportsBefore = mixer.library().counts().hidReports;
    clickBox(mixer.box("cb_loopback_left"));
    QVERIFY(mixer.hid(duoId)->getLoopbackLeft());
    QVERIFY(!mixer.hid(duoId)->getLoopbackRight());
    QVERIFY(mixer.settle());
    QVERIFY(mixer.box("cb_record_mute")->isChecked());
    // The next poll reads the switch back into the boxes.
    QTRY_VERIFY_WITH_TIMEOUT(mixer.library().counts().hidReports > hidReportsBefore, pollTimeoutMs);
    QVERIFY(mixer.box("cb_loopback_left")->isChecked());
    QVERIFY(!mixer.box("cb_loopback_right")->isChecked());
    QCOMPARE(mixer.library().counts().ignoredRequests, 0u);
}

void TestMixerWithSimulator::nonAsciiDeviceCanBePluggedSelectedAndUnplugged()
{
    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices);
    QTRY_COMPARE(mixer.deviceList()->count(), 2);
    const std::string id = "TVX-Ünïcødé-€-\xF0\x9F\x8E\x9A-0003";
    const std::string name = "Mischpult Größe ✓";
    mixer.library().plugDevice(device(id, name, endpointConfig(-96.0f, 0.0f, 0.5f, -33.0f),
                                      endpointConfig(0.0f, 20.0f, 2.0f, 4.0f)));
    const QString qid = QString::fromStdString(id);
    QTRY_COMPARE(mixer.deviceList()->count(), 3);
    QCOMPARE(mixer.itemIds().at(2), qid);
    QCOMPARE(mixer.deviceList()->itemText(2), QString::fromStdString(name));

    mixer.deviceList()->setCurrentIndex(2);
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), -66);
    QCOMPARE(mixer.label("vol_label_record_left")->text(), QStringLiteral("6 dB"));

    mixer.library().changeVolumeLeftElsewhere(id, Kind::Output, -1.5f);
    QTRY_COMPARE(mixer.slider("vol_slider_playback_left")->value(), -3);
    mixer.slider("vol_slider_playback_right")->setValue(-20);
    QCOMPARE(mixer.right(id, Kind::Output), -10.0f);
    QCOMPARE(mixer.left(duoId, Kind::Output), -20.0f);

    // Unplugging the current last item hands over to the item before it.
    mixer.library().unplugDevice(id);
    QTRY_COMPARE(mixer.itemIds(), QStringList({"TVX-DUO-0001", "TVX-SOLO-0002"}));
    QVERIFY(mixer.settle());
    QCOMPARE(mixer.currentId(), QStringLiteral("TVX-SOLO-0002"));
    QCOMPARE(mixer.slider("vol_slider_playback_left")->maximum(), 12);
    QCOMPARE(mixer.library().counts().ignoredRequests, 0u);
}

void TestMixerWithSimulator::hostileRangesLeaveSaneWidgets_data()
{
    QTest::addColumn<float>("minDb");
    QTest::addColumn<float>("maxDb");
    QTest::addColumn<float>("stepDb");
    QTest::addColumn<bool>("usableStep");

    QTest::newRow("step 0") << -96.0f << 0.0f << 0.0f << false;
    QTest::newRow("step -0") << -96.0f << 0.0f << -0.0f << false;
    QTest::newRow("negative step") << -96.0f << 0.0f << -0.5f << false;
    QTest::newRow("NaN everywhere") << notANumber << notANumber << notANumber << false;
    QTest::newRow("infinite step and bounds") << -infinity << infinity << infinity << false;
    QTest::newRow("infinite bounds") << -infinity << infinity << 0.5f << true;
    QTest::newRow("tiny step, huge bounds") << -1e30f << 1e30f << 1e-30f << true;
    QTest::newRow("denormal step") << -96.0f << 0.0f << 1e-45f << true;
    QTest::newRow("minimum above maximum") << 10.0f << -10.0f << 0.5f << true;
}

void TestMixerWithSimulator::hostileRangesLeaveSaneWidgets()
{
    QFETCH(float, minDb);
    QFETCH(float, maxDb);
    QFETCH(float, stepDb);
    QFETCH(bool, usableStep);

    SimulatedMixer mixer(SimulatedControl::StartWith::NoDevices);
    const std::string id = "TVX-HOSTILE-0666";
    mixer.library().plugDevice(device(id, "Hostile", endpointConfig(minDb, maxDb, stepDb, -20.0f),
                                      endpointConfig(minDb, maxDb, stepDb, 8.0f)));
    QTRY_COMPARE(mixer.deviceList()->count(), 1);
    QVERIFY(mixer.settle());
    verifySaneWidgets(mixer);

    // The user's keys: the level slots write only what they can compute.
    for (const char* name : levelSliders) {
        QTest::keyClick(mixer.slider(name), Qt::Key_Up);
        QTest::keyClick(mixer.slider(name), Qt::Key_PageDown);
    }
    QVERIFY(mixer.settle());
    verifySaneWidgets(mixer);
    for (Kind kind : {Kind::Output, Kind::Input}) {
        QVERIFY(!std::isnan(mixer.left(id, kind)));
        QVERIFY(!std::isnan(mixer.right(id, kind)));
    }
    if (!usableStep) {
        QCOMPARE(mixer.left(id, Kind::Output), -20.0f);
        QCOMPARE(mixer.right(id, Kind::Input), 8.0f);
    }

    // The same range reaching a device already shown, through a change notification.
    mixer.library().plugDevice(SimulatedDeviceConfig::duo());
    QTRY_COMPARE(mixer.deviceList()->count(), 2);
    mixer.deviceList()->setCurrentIndex(1);
    QVERIFY(mixer.settle());
    for (Kind kind : {Kind::Output, Kind::Input})
        mixer.library().changeVolumeRangeElsewhere(duoId, kind, minDb, maxDb, stepDb);
    mixer.library().sendDeviceChange(duoId);
    mixer.library().changeVolumeLeftElsewhere(duoId, Kind::Output, -infinity);
    mixer.library().changeVolumeRightElsewhere(duoId, Kind::Input, notANumber);
    QVERIFY(mixer.settle());
    verifySaneWidgets(mixer);
    QCOMPARE(mixer.library().counts().ignoredRequests, 0u);
}

void TestMixerWithSimulator::extremeLevelsChangedElsewhereLeaveSaneWidgets_data()
{
    QTest::addColumn<float>("levelDb");
    QTest::addColumn<int>("playbackPosition");
    QTest::addColumn<QString>("playbackText");
    QTest::addColumn<int>("recordPosition");
    QTest::addColumn<QString>("recordText");

    const QString silence = QString::fromUtf8("-∞ dB");
    QTest::newRow("+inf") << infinity << 0 << "> 999 dB" << 10 << "> 999 dB";
    QTest::newRow("-inf") << -infinity << -144 << "< 72 dB" << 0 << silence;
    QTest::newRow("NaN") << notANumber << 0 << "? dB" << 0 << "? dB";
    QTest::newRow("1e30") << 1e30f << 0 << "> 999 dB" << 10 << "> 999 dB";
    QTest::newRow("-1e30") << -1e30f << -144 << "< 72 dB" << 0 << silence;
    QTest::newRow("largest float")
        << std::numeric_limits<float>::max() << 0 << "> 999 dB" << 10 << "> 999 dB";
}

void TestMixerWithSimulator::extremeLevelsChangedElsewhereLeaveSaneWidgets()
{
    QFETCH(float, levelDb);
    QFETCH(int, playbackPosition);
    QFETCH(QString, playbackText);
    QFETCH(int, recordPosition);
    QFETCH(QString, recordText);

    SimulatedMixer mixer(SimulatedControl::StartWith::DefaultDevices);
    QTRY_COMPARE(mixer.deviceList()->count(), 2);
    QVERIFY(mixer.settle());
    SimulatedControl& library = mixer.library();
    for (Kind kind : {Kind::Output, Kind::Input}) {
        library.changeVolumeLeftElsewhere(duoId, kind, levelDb);
        library.changeVolumeRightElsewhere(duoId, kind, levelDb);
    }
    QVERIFY(mixer.settle());
    verifySaneWidgets(mixer);
    QCOMPARE(mixer.slider("vol_slider_playback_left")->value(), playbackPosition);
    QCOMPARE(mixer.slider("vol_slider_playback_right")->value(), playbackPosition);
    QCOMPARE(mixer.label("vol_label_playback_left")->text(), playbackText);
    QCOMPARE(mixer.slider("vol_slider_record_right")->value(), recordPosition);
    QCOMPARE(mixer.label("vol_label_record_right")->text(), recordText);
    // Shown, not written back.
    QVERIFY(sameFloat(mixer.left(duoId, Kind::Output), levelDb));
    QVERIFY(sameFloat(mixer.right(duoId, Kind::Input), levelDb));

    // The next move of a slider writes a level the device can take.
    const bool atBottom = playbackPosition == mixer.slider("vol_slider_playback_left")->minimum();
    QTest::keyClick(mixer.slider("vol_slider_playback_left"), atBottom ? Qt::Key_Up : Qt::Key_Down);
    const float written = (playbackPosition + (atBottom ? 1 : -1)) * 0.5f;
    QCOMPARE(mixer.left(duoId, Kind::Output), written);
    QCOMPARE(mixer.right(duoId, Kind::Output), written);
    QVERIFY(mixer.settle());
    verifySaneWidgets(mixer);
}

void TestMixerWithSimulator::deletingTheLibraryFirstWithNotificationsQueuedCallsNothingAfterwards()
{
    auto mixer = std::make_unique<SimulatedMixer>(SimulatedControl::StartWith::DefaultDevices);
    QTRY_COMPARE(mixer->deviceList()->count(), 2);
    QVERIFY(mixer->settle());

    std::atomic<bool> deletionBegun{false};
    std::atomic<bool> libraryGone{false};
    std::atomic<int> emitted{0};
    std::atomic<int> emittedAfterDeletion{0};
    const auto count = [&] {
        ++emitted;
        if (libraryGone)
            ++emittedAfterDeletion;
    };
    QObject::connect(mixer->window.get(), &TarvixMixer::VolumeChangedCallbackGUI, count);
    QObject::connect(mixer->window.get(), &TarvixMixer::TarvixDeviceCallbackGUI, count);

    SimulatedControl& library = mixer->library();
    for (int i = 0; i < 2000; ++i) {
        library.changeVolumeLeftElsewhere(duoId, Kind::Output, -0.5f * static_cast<float>(i % 100));
        if (i % 100 == 0) {
            library.plugDevice(device("TVX-EXTRA-" + std::to_string(i), "Extra",
                                      SimulatedDeviceConfig::defaultOutput(0.0f),
                                      SimulatedDeviceConfig::defaultInput()));
            library.sendDeviceChange(duoId);
            library.unplugDevice(duoId);
            library.plugDevice(SimulatedDeviceConfig::duo());
        }
    }
    // No event is handled from here on: whatever the library delivers stays queued.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (emitted.load() < 50 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    QVERIFY(emitted.load() >= 50);

    mixer->forwarding.deleteLibrary([&] { deletionBegun = true; });
    libraryGone = true;
    QVERIFY(deletionBegun);
    const int emittedBeforeDeletion = emitted.load();
    mixer->window.reset();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(mixer->forwarding.callsAfterDeletion.load(), 0);
    QCOMPARE(emittedAfterDeletion.load(), 0);
    QCOMPARE(emitted.load(), emittedBeforeDeletion);
    mixer.reset();
}

QTEST_MAIN(TestMixerWithSimulator)
#include "tst_mixerwithsimulator.moc"
