#include "mixerfixture.h"

#include <QTest>

#include <cmath>
#include <limits>

// The level sliders, their read-outs, linking, mute, and the refresh from the device.
class TestLevelControls : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void outputSliderSendsPositionTimesStepAndShowsTheReadBack();
    void outputLabelShowsWhatTheDeviceKept();
    void linkedOutputSlidersMoveTogetherThroughNestedSlots();
    void unlinkedOutputSliderLeavesTheOtherChannel();
    void partiallyCheckedLinkStillLinks();
    void tickingLinkAloneChangesNothing();
    void inputSliderUsesTheSteppedScale_data();
    void inputSliderUsesTheSteppedScale();
    void linkedInputSlidersMoveTogether();
    void muteBoxesSetTheirEndpointOnly();
    void refreshShowsOutputLevels_data();
    void refreshShowsOutputLevels();
    void refreshShowsInputLevels_data();
    void refreshShowsInputLevels();
    void refreshSetsChannelsIndependentlyAndMutes();
    void refreshNeverWritesBack();
    void refreshSkipsMissingEndpoints();
    void slotsWithoutEndpointLeaveEverythingAlone();
    void extremeLevelsGiveSaneWidgets_data();
    void extremeLevelsGiveSaneWidgets();

private:
    void openWith(const FakeDeviceConfig& config);
    FakeEndpoint* output() const { return fixture->library.device("a")->output.get(); }
    FakeEndpoint* input() const { return fixture->library.device("a")->input.get(); }
    QString text(const char* label) const { return fixture->label(label)->text(); }
    int value(const char* slider) const { return fixture->slider(slider)->value(); }

    std::unique_ptr<MixerFixture> fixture;
};

void TestLevelControls::init()
{
    fixture = std::make_unique<MixerFixture>();
}

void TestLevelControls::cleanup()
{
    fixture.reset();
}

void TestLevelControls::openWith(const FakeDeviceConfig& config)
{
    fixture->open({config}, {config.id});
    fixture->library.log.clear();
}

void TestLevelControls::outputSliderSendsPositionTimesStepAndShowsTheReadBack()
{
    openWith(fakeDevice("a"));
    fixture->box("cb_playback_link")->setChecked(false);
    fixture->slider("vol_slider_playback_left")->setValue(-20);
    QCOMPARE(fixture->library.log.calls(),
             QStringList({"lock", "a.output.getVolumeRange", "a.output.setVolumeLeft(-10)",
                          "a.output.getVolumeLeft", "unlock"}));
    QCOMPARE(text("vol_label_playback_left"), QStringLiteral("-10.0 dB"));
}

void TestLevelControls::outputLabelShowsWhatTheDeviceKept()
{
    // A device that keeps only whole dB: the label shows its value, not the slider's.
    openWith(fakeDevice("a"));
    output()->keep = [](float db) { return std::round(db); };
    fixture->box("cb_playback_link")->setChecked(false);
    fixture->slider("vol_slider_playback_right")->setValue(-3);
    QVERIFY(fixture->library.log.contains("a.output.setVolumeRight(-1.5)"));
    QCOMPARE(text("vol_label_playback_right"), QStringLiteral("-2.0 dB"));

    // Below the sliders' floor the slot still shows the number.
    output()->keep = [](float) { return -80.0f; };
    fixture->slider("vol_slider_playback_right")->setValue(-7);
    QCOMPARE(text("vol_label_playback_right"), QStringLiteral("-80.0 dB"));
}

void TestLevelControls::linkedOutputSlidersMoveTogetherThroughNestedSlots()
{
    openWith(fakeDevice("a"));
    fixture->slider("vol_slider_playback_left")->setValue(-8);
    QCOMPARE(fixture->library.log.calls(),
             QStringList({"lock", "a.output.getVolumeRange", "a.output.setVolumeLeft(-4)",
                          "a.output.getVolumeLeft", "lock", "a.output.getVolumeRange",
                          "a.output.setVolumeRight(-4)", "a.output.getVolumeRight", "unlock",
                          "unlock"}));
    QCOMPARE(value("vol_slider_playback_right"), -8);
    QCOMPARE(text("vol_label_playback_left"), QStringLiteral("-4.0 dB"));
    QCOMPARE(text("vol_label_playback_right"), QStringLiteral("-4.0 dB"));
}

void TestLevelControls::unlinkedOutputSliderLeavesTheOtherChannel()
{
    openWith(fakeDevice("a"));
    fixture->box("cb_playback_link")->click();
    fixture->slider("vol_slider_playback_left")->setValue(-8);
    QCOMPARE(value("vol_slider_playback_right"), 0);
    QVERIFY(!fixture->library.log.contains("a.output.setVolumeRight"));
    QCOMPARE(text("vol_label_playback_right"), QStringLiteral("0.0 dB"));
}

void TestLevelControls::partiallyCheckedLinkStillLinks()
{
    openWith(fakeDevice("a"));
    fixture->box("cb_record_link")->setTristate(true);
    fixture->box("cb_record_link")->setCheckState(Qt::PartiallyChecked);
    fixture->slider("vol_slider_record_right")->setValue(4);
    QCOMPARE(value("vol_slider_record_left"), 4);
}

void TestLevelControls::tickingLinkAloneChangesNothing()
{
    openWith(fakeDevice("a"));
    fixture->box("cb_playback_link")->click(); // off
    fixture->slider("vol_slider_playback_left")->setValue(-10);
    fixture->library.log.clear();
    fixture->box("cb_playback_link")->click(); // on again
    QCOMPARE(fixture->library.log.calls(), QStringList{});
    QCOMPARE(value("vol_slider_playback_left"), -10);
    QCOMPARE(value("vol_slider_playback_right"), 0);
}

void TestLevelControls::inputSliderUsesTheSteppedScale_data()
{
    QTest::addColumn<float>("step");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("label");
    QTest::newRow("off") << 2.0f << 0 << "0" << QString::fromUtf8("-\u221E dB");
    QTest::newRow("first position, step 2") << 2.0f << 1 << "2.8"
                                            << "0 dB";
    QTest::newRow("first position, step 5") << 5.0f << 1 << "2.8"
                                            << "0 dB";
    QTest::newRow("second position") << 2.0f << 2 << "4"
                                     << "6 dB";
    QTest::newRow("third position") << 2.0f << 3 << "6"
                                    << "12 dB";
    QTest::newRow("eighth position") << 2.0f << 8 << "16"
                                     << "42 dB";
}

void TestLevelControls::inputSliderUsesTheSteppedScale()
{
    QFETCH(float, step);
    QFETCH(int, position);
    QFETCH(QString, sent);
    QFETCH(QString, label);
    FakeDeviceConfig config = fakeDevice("a");
    config.inputStep = step;
    openWith(config);
    fixture->box("cb_record_link")->setChecked(false);
    fixture->slider("vol_slider_record_left")->setValue(5); // away from the position under test
    fixture->library.log.clear();

    fixture->slider("vol_slider_record_left")->setValue(position);
    QCOMPARE(fixture->library.log.calls(),
             QStringList({"lock", "a.input.getVolumeRange", "a.input.setVolumeLeft(" + sent + ')',
                          "unlock"}));
    QCOMPARE(text("vol_label_record_left"), label);
}

void TestLevelControls::linkedInputSlidersMoveTogether()
{
    openWith(fakeDevice("a"));
    fixture->slider("vol_slider_record_left")->setValue(1);
    QCOMPARE(input()->left, 2.8f);
    QCOMPARE(input()->right, 2.8f);
    QCOMPARE(value("vol_slider_record_right"), 1);
    QCOMPARE(text("vol_label_record_right"), QStringLiteral("0 dB"));
}

void TestLevelControls::muteBoxesSetTheirEndpointOnly()
{
    openWith(fakeDevice("a"));
    fixture->box("cb_playback_mute")->click();
    QCOMPARE(fixture->library.log.calls(),
             QStringList({"lock", "a.output.setMute(true)", "unlock"}));
    fixture->library.log.clear();
    fixture->box("cb_record_mute")->click();
    fixture->box("cb_record_mute")->click();
    QCOMPARE(fixture->library.log.deviceCalls(),
             QStringList({"a.input.setMute(true)", "a.input.setMute(false)"}));
    // Not read back: the box keeps the clicked state until the next refresh.
    QVERIFY(fixture->box("cb_playback_mute")->isChecked());
}

void TestLevelControls::refreshShowsOutputLevels_data()
{
    QTest::addColumn<float>("level");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("position");
    QTest::newRow("on a step") << -10.0f << "-10.0 dB" << -20;
    QTest::newRow("between steps truncates toward zero") << -6.46f << "-6.5 dB" << -12;
    QTest::newRow("at the floor") << -72.0f << "-72.0 dB" << -144;
    QTest::newRow("below the floor") << -72.5f << "< 72 dB" << -144;
    QTest::newRow("above the top") << 3.0f << "3.0 dB" << 0;
}

void TestLevelControls::refreshShowsOutputLevels()
{
    QFETCH(float, level);
    QFETCH(QString, label);
    QFETCH(int, position);
    openWith(fakeDevice("a"));
    output()->left = level;
    fixture->window->VolumeChangedCallbackGUIHandle();
    QCOMPARE(text("vol_label_playback_left"), label);
    QCOMPARE(value("vol_slider_playback_left"), position);
}

void TestLevelControls::refreshShowsInputLevels_data()
{
    QTest::addColumn<float>("step");
    QTest::addColumn<float>("level");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("position");
    const QString off = QString::fromUtf8("-\u221E dB");
    QTest::newRow("zero") << 2.0f << 0.0f << off << 0;
    QTest::newRow("below one step") << 2.0f << 1.9f << off << 0;
    QTest::newRow("exactly one step") << 2.0f << 2.0f << "0 dB" << 1;
    QTest::newRow("2.8 on step 2") << 2.0f << 2.8f << "0 dB" << 1;
    QTest::newRow("two steps") << 2.0f << 4.0f << "6 dB" << 2;
    QTest::newRow("2.8 on step 3") << 3.0f << 2.8f << off << 0;
}

void TestLevelControls::refreshShowsInputLevels()
{
    QFETCH(float, step);
    QFETCH(float, level);
    QFETCH(QString, label);
    QFETCH(int, position);
    FakeDeviceConfig config = fakeDevice("a");
    config.inputStep = step;
    openWith(config);
    fixture->slider("vol_slider_record_left")->setValue(7);
    input()->left = level;
    fixture->window->VolumeChangedCallbackGUIHandle();
    QCOMPARE(text("vol_label_record_left"), label);
    QCOMPARE(value("vol_slider_record_left"), position);
}

void TestLevelControls::refreshSetsChannelsIndependentlyAndMutes()
{
    openWith(fakeDevice("a")); // both link boxes ticked
    output()->left = -1.0f;
    output()->right = -20.0f;
    output()->muted = true;
    input()->left = 8.0f;
    input()->right = 0.0f;
    input()->muted = true;
    fixture->library.notifyFromThread(DeviceChange, "a"); // any library thread news
    fixture->volumeListener()->onVolumeChanged(0);
    QCOMPARE(value("vol_slider_playback_left"), -2);
    QCOMPARE(value("vol_slider_playback_right"), -40);
    QCOMPARE(value("vol_slider_record_left"), 4);
    QCOMPARE(value("vol_slider_record_right"), 0);
    QVERIFY(fixture->box("cb_playback_mute")->isChecked());
    QVERIFY(fixture->box("cb_record_mute")->isChecked());

    output()->muted = false;
    fixture->window->VolumeChangedCallbackGUIHandle();
    QVERIFY(!fixture->box("cb_playback_mute")->isChecked());
}

void TestLevelControls::refreshNeverWritesBack()
{
    openWith(fakeDevice("a"));
    output()->left = -30.0f;
    output()->right = -31.0f;
    output()->muted = true;
    input()->left = 10.0f;
    input()->muted = true;
    fixture->window->VolumeChangedCallbackGUIHandle();
    const QStringList calls = fixture->library.log.deviceCalls();
    QVERIFY(!calls.join(' ').contains(".set"));
    QCOMPARE(calls,
             QStringList({"a.output.getVolumeRange", "a.output.getVolumeLeft",
                          "a.output.getVolumeRight", "a.output.getMute", "a.input.getVolumeRange",
                          "a.input.getVolumeLeft", "a.input.getVolumeRight", "a.input.getMute"}));
    // Blocking was switched off again: the user's next move reaches the device.
    fixture->slider("vol_slider_playback_left")->setValue(-2);
    QVERIFY(fixture->library.log.contains("a.output.setVolumeLeft(-1)"));
    fixture->box("cb_record_mute")->click();
    QVERIFY(fixture->library.log.contains("a.input.setMute(false)"));
}

void TestLevelControls::refreshSkipsMissingEndpoints()
{
    openWith(fakeDevice("a", true, false, true));
    fixture->label("vol_label_record_left")->setText("untouched");
    fixture->window->VolumeChangedCallbackGUIHandle();
    QCOMPARE(text("vol_label_record_left"), QStringLiteral("untouched"));
    QVERIFY(!fixture->library.log.contains("a.input"));
}

void TestLevelControls::slotsWithoutEndpointLeaveEverythingAlone()
{
    openWith(fakeDevice("a", true, false, false));
    // The groups are disabled, but a program can still move the sliders.
    fixture->slider("vol_slider_playback_left")->setValue(-4);
    fixture->slider("vol_slider_record_left")->setValue(4);
    fixture->window->setPlaybackMute(true);
    fixture->window->setRecordMute(true);
    QCOMPARE(fixture->library.log.deviceCalls(), QStringList{});
    QCOMPARE(text("vol_label_playback_left"), QString());
    QCOMPARE(value("vol_slider_playback_right"), 0);
    QCOMPARE(value("vol_slider_record_right"), 0);
}

void TestLevelControls::extremeLevelsGiveSaneWidgets_data()
{
    QTest::addColumn<float>("level");
    QTest::addColumn<QString>("outputLabel");
    QTest::addColumn<int>("outputPosition");
    QTest::addColumn<QString>("inputLabel");
    QTest::addColumn<int>("inputPosition");
    const float inf = std::numeric_limits<float>::infinity();
    const QString off = QString::fromUtf8("-\u221E dB");
    QTest::newRow("+inf") << inf << "> 999 dB" << 0 << "> 999 dB" << 30;
    QTest::newRow("-inf") << -inf << "< 72 dB" << -144 << off << 0;
    QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << "? dB" << 0 << "? dB" << 0;
    QTest::newRow("1e30") << 1e30f << "> 999 dB" << 0 << "> 999 dB" << 30;
    QTest::newRow("-1e30") << -1e30f << "< 72 dB" << -144 << off << 0;
    QTest::newRow("largest shown") << 999.9f << "999.9 dB" << 0 << "> 999 dB" << 30;
}

void TestLevelControls::extremeLevelsGiveSaneWidgets()
{
    QFETCH(float, level);
    QFETCH(QString, outputLabel);
    QFETCH(int, outputPosition);
    QFETCH(QString, inputLabel);
    QFETCH(int, inputPosition);
    openWith(fakeDevice("a"));
    output()->left = level;
    input()->left = level;
    fixture->window->VolumeChangedCallbackGUIHandle();
    QCOMPARE(text("vol_label_playback_left"), outputLabel);
    QCOMPARE(value("vol_slider_playback_left"), outputPosition);
    QCOMPARE(text("vol_label_record_left"), inputLabel);
    QCOMPARE(value("vol_slider_record_left"), inputPosition);
}

QTEST_MAIN(TestLevelControls)
#include "tst_levelcontrols.moc"
