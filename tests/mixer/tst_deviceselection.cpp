#include "mixerfixture.h"

#include <QTest>

// Device arrival, removal and change, the selection in the device list, and what applying a
// device does to the window.
class TestDeviceSelection : public QObject
{
    Q_OBJECT

private slots:
    void firstArrivalIsListedSelectedAndApplied();
    void laterArrivalsAreAppendedWithoutChangingTheSelection();
    void repeatedArrivalIsListedTwice();
    void arrivalOfUnknownDeviceListsNothing();
    void removalOfCurrentDeviceSelectsItsNeighbour_data();
    void removalOfCurrentDeviceSelectsItsNeighbour();
    void removalOfOnlyDeviceDisablesEverything();
    void removalBeforeCurrentReappliesTheSameDevice();
    void removalOfUnlistedDeviceStillApplies();
    void removalClearsCurrentDeviceAtNotificationTime();
    void changeReappliesOnlyTheCurrentDevice();
    void selectingAnotherDeviceMovesTheListeners();
    void selectionThatFindsNoDeviceDisablesEverything();
    void groupsAndPresetButtonsFollowWhatTheDeviceHas_data();
    void groupsAndPresetButtonsFollowWhatTheDeviceHas();
    void sliderRangesAreInEndpointSteps_data();
    void sliderRangesAreInEndpointSteps();
    void unusableStepLeavesRangesAlone_data();
    void unusableStepLeavesRangesAlone();
    void rangeChangeThatMovesASliderWritesTheLevelBeforeTheRefresh();
    void nonAsciiIdentifiersTravelBothWays();
};

namespace {
const QStringList applyCallsOfA = {
    "lock",
    "a.hid.registerChangedCallback",
    "a.output.getVolumeRange",
    "a.output.registerCallback",
    "a.input.getVolumeRange",
    "a.input.registerCallback",
    "unlock",
};
} // namespace

void TestDeviceSelection::firstArrivalIsListedSelectedAndApplied()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")});
    fixture.library.notify(DeviceArrival, "a");

    QCOMPARE(fixture.deviceList()->count(), 1);
    QCOMPARE(fixture.deviceList()->itemText(0), QStringLiteral("Device a"));
    QCOMPARE(fixture.deviceList()->itemData(0, Qt::UserRole), QVariant(QStringLiteral("a")));
    QVERIFY(fixture.deviceList()->itemIcon(0).isNull());
    QCOMPARE(fixture.deviceList()->currentIndex(), 0);

    // Selection and application run inside the locked insertion.
    // The listener looks at its current device under the lock before passing the news on.
    QStringList expected = {"registerTarvixDeviceCallback",
                            "lock",
                            "unlock",
                            "lock",
                            "getDevice(a)",
                            "lock",
                            "getDevice(a)",
                            "unlock"};
    expected += applyCallsOfA;
    QStringList log = fixture.library.log.calls();
    QCOMPARE(log.mid(0, expected.size()), expected);
    QCOMPARE(log.last(), QStringLiteral("unlock"));
    QCOMPARE(fixture.library.maxLockDepth.load(), 2);
    QCOMPARE(fixture.library.lockDepth.load(), 0);
}

void TestDeviceSelection::laterArrivalsAreAppendedWithoutChangingTheSelection()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a"), fakeDevice("b")}, {"a"});
    fixture.library.log.clear();
    fixture.library.notify(DeviceArrival, "b");

    QCOMPARE(fixture.itemIds(), QStringList({"a", "b"}));
    QCOMPARE(fixture.deviceList()->currentIndex(), 0);
    QCOMPARE(fixture.library.log.calls(),
             QStringList({"lock", "unlock", "lock", "getDevice(b)", "unlock"}));
}

void TestDeviceSelection::repeatedArrivalIsListedTwice()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a", "a"});
    QCOMPARE(fixture.itemIds(), QStringList({"a", "a"}));
}

void TestDeviceSelection::arrivalOfUnknownDeviceListsNothing()
{
    MixerFixture fixture;
    fixture.open();
    fixture.library.log.clear();
    fixture.library.notify(DeviceArrival, "ghost");
    QCOMPARE(fixture.deviceList()->count(), 0);
    QCOMPARE(fixture.library.log.calls(),
             QStringList({"lock", "unlock", "lock", "getDevice(ghost)", "unlock"}));
}

void TestDeviceSelection::removalOfCurrentDeviceSelectsItsNeighbour_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("expectedId");
    QTest::newRow("first of three: the next one moves up") << 0 << "b";
    QTest::newRow("middle: the next one moves up") << 1 << "c";
    QTest::newRow("last: the one before") << 2 << "b";
}

void TestDeviceSelection::removalOfCurrentDeviceSelectsItsNeighbour()
{
    QFETCH(int, current);
    QFETCH(QString, expectedId);
    MixerFixture fixture;
    fixture.open({fakeDevice("a"), fakeDevice("b"), fakeDevice("c")}, {"a", "b", "c"});
    fixture.deviceList()->setCurrentIndex(current);
    const QByteArray removed = fixture.itemIds().at(current).toUtf8();
    fixture.library.unplug(removed);
    fixture.library.log.clear();

    fixture.library.notify(DeviceRemoval, removed);

    QCOMPARE(fixture.deviceList()->currentData().toString(), expectedId);
    QVERIFY(!fixture.itemIds().contains(QString::fromUtf8(removed)));
    const QStringList log = fixture.library.log.calls();
    // The removed device is forgotten without a call to it; the neighbour is applied twice:
    // by the selection and by the removal handler.
    QVERIFY(!fixture.library.log.contains(QString::fromUtf8(removed) + '.'));
    const QString neighbourRegistration = expectedId + ".output.registerCallback";
    QCOMPARE(log.count(neighbourRegistration), 2);
    QCOMPARE(log.first(), QStringLiteral("lock"));
    QVERIFY(fixture.group("gb_playback")->isEnabled());
}

void TestDeviceSelection::removalOfOnlyDeviceDisablesEverything()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    fixture.library.unplug("a");
    fixture.library.log.clear();

    fixture.library.notify(DeviceRemoval, "a");

    QCOMPARE(fixture.deviceList()->count(), 0);
    QCOMPARE(fixture.deviceList()->currentIndex(), -1);
    for (const char* name : {"gb_hid_control", "gb_playback", "gb_record"})
        QVERIFY2(!fixture.group(name)->isEnabled(), name);
    QVERIFY(!fixture.button("StoreButton")->isEnabled());
    QVERIFY(!fixture.button("LoadButton")->isEnabled());
    QCOMPARE(fixture.library.log.deviceCalls(), QStringList{});

    // With no device, moving a slider or ticking a box leaves the library alone.
    fixture.slider("vol_slider_playback_left")->setValue(-3);
    fixture.box("cb_playback_mute")->click();
    fixture.window->update_hid_controls();
    QCOMPARE(fixture.library.log.deviceCalls(), QStringList{});
}

void TestDeviceSelection::removalBeforeCurrentReappliesTheSameDevice()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a"), fakeDevice("b")}, {"a", "b"});
    fixture.deviceList()->setCurrentIndex(1);
    fixture.library.unplug("a");
    fixture.library.log.clear();

    fixture.library.notify(DeviceRemoval, "a");

    QCOMPARE(fixture.itemIds(), QStringList{"b"});
    QCOMPARE(fixture.deviceList()->currentIndex(), 0);
    const QStringList calls = fixture.library.log.deviceCalls();
    // Withdrawn (hid, input, output) and registered again, then applied once more.
    const QStringList withdrawal = {"b.hid.registerChangedCallback(null)",
                                    "b.input.registerCallback(null)",
                                    "b.output.registerCallback(null)", "getDevice(b)"};
    QCOMPARE(calls.mid(0, withdrawal.size()), withdrawal);
    QCOMPARE(calls.count("b.output.registerCallback"), 2);
}

void TestDeviceSelection::removalOfUnlistedDeviceStillApplies()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    fixture.library.log.clear();
    fixture.library.notify(DeviceRemoval, "ghost");
    QCOMPARE(fixture.itemIds(), QStringList{"a"});
    QCOMPARE(fixture.library.log.calls().mid(2, applyCallsOfA.size()), applyCallsOfA);
}

void TestDeviceSelection::removalClearsCurrentDeviceAtNotificationTime()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    fixture.library.unplug("a");
    fixture.library.notifyFromThread(DeviceRemoval, "a");
    fixture.library.log.clear();

    // The handler has not run yet, but no slot may touch the removed device any more.
    QCOMPARE(fixture.deviceList()->count(), 1);
    fixture.slider("vol_slider_playback_left")->setValue(-5);
    fixture.box("cb_phantom_left")->click();
    fixture.window->update_hid_controls();
    fixture.window->onHIDChanged();
    fixture.window->VolumeChangedCallbackGUIHandle();
    QCOMPARE(fixture.library.log.deviceCalls(), QStringList{});

    QTRY_COMPARE(fixture.deviceList()->count(), 0);
    QVERIFY(!fixture.group("gb_playback")->isEnabled());
}

void TestDeviceSelection::changeReappliesOnlyTheCurrentDevice()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a"), fakeDevice("b")}, {"a", "b"});
    fixture.library.log.clear();

    fixture.library.notify(DeviceChange, "b");
    QCOMPARE(fixture.library.log.calls(),
             QStringList({"lock", "unlock", "getDevice(b)", "lock", "unlock"}));

    fixture.library.log.clear();
    fixture.library.notify(DeviceChange, "ghost");
    QCOMPARE(fixture.library.log.calls(), QStringList({"lock", "unlock", "getDevice(ghost)"}));

    fixture.library.log.clear();
    fixture.library.device("a")->output->maxDb = 6.0f;
    fixture.library.notify(DeviceChange, "a");
    QStringList expected = {"lock", "unlock", "getDevice(a)", "lock"};
    expected += applyCallsOfA;
    QCOMPARE(fixture.library.log.calls().mid(0, expected.size()), expected);
    QCOMPARE(fixture.slider("vol_slider_playback_left")->maximum(), 12);
}

void TestDeviceSelection::selectingAnotherDeviceMovesTheListeners()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a"), fakeDevice("b", false)}, {"a", "b"});
    fixture.library.log.clear();

    fixture.deviceList()->setCurrentIndex(1);
    QStringList expected = {"lock",
                            "a.hid.registerChangedCallback(null)",
                            "a.input.registerCallback(null)",
                            "a.output.registerCallback(null)",
                            "getDevice(b)",
                            "unlock",
                            "lock",
                            "b.output.getVolumeRange",
                            "b.output.registerCallback",
                            "b.input.getVolumeRange",
                            "b.input.registerCallback",
                            "unlock"};
    QCOMPARE(fixture.library.log.calls().mid(0, expected.size()), expected);
    QVERIFY(!fixture.group("gb_hid_control")->isEnabled());
}

void TestDeviceSelection::selectionThatFindsNoDeviceDisablesEverything()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a"), fakeDevice("b")}, {"a", "b"});
    fixture.library.unplug("b"); // gone, but its removal not yet reported
    fixture.deviceList()->setCurrentIndex(1);
    for (const char* name : {"gb_hid_control", "gb_playback", "gb_record"})
        QVERIFY2(!fixture.group(name)->isEnabled(), name);
    QVERIFY(!fixture.button("LoadButton")->isEnabled());

    // Choosing the first again finds it and withdraws nothing from the missing one.
    fixture.library.log.clear();
    fixture.deviceList()->setCurrentIndex(0);
    QCOMPARE(fixture.library.log.calls().mid(0, 3),
             QStringList({"lock", "getDevice(a)", "unlock"}));
    QVERIFY(fixture.group("gb_playback")->isEnabled());
}

void TestDeviceSelection::groupsAndPresetButtonsFollowWhatTheDeviceHas_data()
{
    QTest::addColumn<bool>("hid");
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("output");
    QTest::newRow("everything") << true << true << true;
    QTest::newRow("no HID") << false << true << true;
    QTest::newRow("HID only") << true << false << false;
    QTest::newRow("output only") << false << false << true;
    QTest::newRow("input only") << false << true << false;
    QTest::newRow("nothing") << false << false << false;
}

void TestDeviceSelection::groupsAndPresetButtonsFollowWhatTheDeviceHas()
{
    QFETCH(bool, hid);
    QFETCH(bool, input);
    QFETCH(bool, output);
    MixerFixture fixture;
    fixture.open({fakeDevice("a", hid, input, output)}, {"a"});
    QCOMPARE(fixture.group("gb_hid_control")->isEnabled(), hid);
    QCOMPARE(fixture.button("StoreButton")->isEnabled(), hid);
    QCOMPARE(fixture.button("LoadButton")->isEnabled(), hid);
    QCOMPARE(fixture.group("gb_record")->isEnabled(), input);
    QCOMPARE(fixture.group("gb_playback")->isEnabled(), output);
}

void TestDeviceSelection::sliderRangesAreInEndpointSteps_data()
{
    QTest::addColumn<float>("outputMax");
    QTest::addColumn<float>("outputStep");
    QTest::addColumn<int>("playbackMin");
    QTest::addColumn<int>("playbackMax");
    QTest::addColumn<float>("inputMin");
    QTest::addColumn<float>("inputMax");
    QTest::addColumn<float>("inputStep");
    QTest::addColumn<int>("recordMin");
    QTest::addColumn<int>("recordMax");
    QTest::newRow("half dB steps") << 0.0f << 0.5f << -144 << 0 << 0.0f << 60.0f << 2.0f << 0 << 30;
    QTest::newRow("inexact tenth")
        << 6.0f << 0.1f << -719 << 59 << -3.0f << 7.0f << 2.0f << -1 << 3;
}

void TestDeviceSelection::sliderRangesAreInEndpointSteps()
{
    QFETCH(float, outputMax);
    QFETCH(float, outputStep);
    QFETCH(int, playbackMin);
    QFETCH(int, playbackMax);
    QFETCH(float, inputMin);
    QFETCH(float, inputMax);
    QFETCH(float, inputStep);
    QFETCH(int, recordMin);
    QFETCH(int, recordMax);
    FakeDeviceConfig config = fakeDevice("a");
    config.outputMin = -120.0f; // below the floor: never used
    config.outputMax = outputMax;
    config.outputStep = outputStep;
    config.inputMin = inputMin;
    config.inputMax = inputMax;
    config.inputStep = inputStep;
    MixerFixture fixture;
    fixture.open({config}, {"a"});
    for (const char* name : {"vol_slider_playback_left", "vol_slider_playback_right"}) {
        QCOMPARE(fixture.slider(name)->minimum(), playbackMin);
        QCOMPARE(fixture.slider(name)->maximum(), playbackMax);
    }
    for (const char* name : {"vol_slider_record_left", "vol_slider_record_right"}) {
        QCOMPARE(fixture.slider(name)->minimum(), recordMin);
        QCOMPARE(fixture.slider(name)->maximum(), recordMax);
    }
}

void TestDeviceSelection::unusableStepLeavesRangesAlone_data()
{
    QTest::addColumn<float>("step");
    QTest::newRow("zero") << 0.0f;
    QTest::newRow("negative") << -0.5f;
    QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("infinite") << std::numeric_limits<float>::infinity();
}

void TestDeviceSelection::unusableStepLeavesRangesAlone()
{
    QFETCH(float, step);
    FakeDeviceConfig config = fakeDevice("a");
    config.outputStep = step;
    config.inputStep = step;
    config.outputMax = std::numeric_limits<float>::infinity();
    MixerFixture fixture;
    fixture.open({config}, {"a"});
    for (const char* name : {"vol_slider_playback_left", "vol_slider_playback_right",
                             "vol_slider_record_left", "vol_slider_record_right"}) {
        QCOMPARE(fixture.slider(name)->minimum(), 0);
        QCOMPARE(fixture.slider(name)->maximum(), 1000);
    }
    // The groups still work as far as they can, and nothing is sent for a slider move.
    QVERIFY(fixture.group("gb_playback")->isEnabled());
    fixture.library.log.clear();
    fixture.slider("vol_slider_playback_left")->setValue(10);
    fixture.slider("vol_slider_record_left")->setValue(10);
    QVERIFY(!fixture.library.log.contains("a.output.setVolume"));
    QVERIFY(!fixture.library.log.contains("a.input.setVolume"));
}

void TestDeviceSelection::rangeChangeThatMovesASliderWritesTheLevelBeforeTheRefresh()
{
    FakeDeviceConfig config = fakeDevice("a");
    config.outputMax = 6.0f;
    MixerFixture fixture;
    fixture.open({config}, {"a"});
    fixture.slider("vol_slider_playback_left")->setValue(12); // +6 dB, both linked
    QCOMPARE(fixture.library.device("a")->output->right, 6.0f);

    fixture.library.device("a")->output->maxDb = 0.0f;
    fixture.library.log.clear();
    fixture.library.notify(DeviceChange, "a");

    const QStringList calls = fixture.library.log.deviceCalls();
    const int write = calls.indexOf("a.output.setVolumeLeft(0)");
    const int refresh = calls.lastIndexOf("a.output.getMute");
    QVERIFY(write >= 0);
    QVERIFY(write < refresh);
    QVERIFY(calls.contains("a.output.setVolumeRight(0)"));
    QCOMPARE(fixture.slider("vol_slider_playback_left")->value(), 0);
    QCOMPARE(fixture.label("vol_label_playback_left")->text(), QStringLiteral("0.0 dB"));
}

void TestDeviceSelection::nonAsciiIdentifiersTravelBothWays()
{
    const QByteArray id = QStringLiteral("Straße-µ-\u00e9-\u6771").toUtf8();
    FakeDeviceConfig config = fakeDevice(id);
    config.name = QStringLiteral("Gerät \u00fc").toUtf8();
    MixerFixture fixture;
    fixture.open({fakeDevice("a"), config}, {"a"});

    fixture.library.notifyFromThread(DeviceArrival, id);
    QTRY_COMPARE(fixture.deviceList()->count(), 2);
    QCOMPARE(fixture.deviceList()->itemText(1), QStringLiteral("Gerät \u00fc"));

    fixture.deviceList()->setCurrentIndex(1);
    QVERIFY(fixture.group("gb_playback")->isEnabled());
    QVERIFY(fixture.library.log.contains(QString::fromUtf8(id) + ".output.registerCallback"));

    fixture.library.unplug(id);
    fixture.library.notifyFromThread(DeviceRemoval, id);
    QTRY_COMPARE(fixture.deviceList()->count(), 1);
    QCOMPARE(fixture.itemIds(), QStringList{"a"});
}

QTEST_MAIN(TestDeviceSelection)
#include "tst_deviceselection.moc"
