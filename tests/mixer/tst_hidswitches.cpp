#include "mixerfixture.h"

#include <QTest>

// The four HID switch boxes, the poll that keeps them in step, and "Always on top".
class TestHidSwitches : public QObject
{
    Q_OBJECT

private slots:
    void eachBoxSetsItsOwnSwitch_data();
    void eachBoxSetsItsOwnSwitch();
    void switchChangedOnTheDeviceReachesTheBoxesThroughThePoll();
    void hidRefreshWritesAllFourBoxesWithoutSettingAnything();
    void nothingHappensWithoutHidInterface();
    void pollTimerPollsTheCurrentDevice();
    void alwaysOnTopChangesOnlyItsFlag();
};

void TestHidSwitches::eachBoxSetsItsOwnSwitch_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("call");
    QTest::newRow("phantom left") << "cb_phantom_left"
                                  << "setPhantomLeft";
    QTest::newRow("phantom right") << "cb_phantom_right"
                                   << "setPhantomRight";
    QTest::newRow("loopback left") << "cb_loopback_left"
                                   << "setLoopbackLeft";
    QTest::newRow("loopback right") << "cb_loopback_right"
                                    << "setLoopbackRight";
}

void TestHidSwitches::eachBoxSetsItsOwnSwitch()
{
    QFETCH(QString, box);
    QFETCH(QString, call);
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    fixture.library.log.clear();
    QCheckBox* checkBox = fixture.box(box.toLatin1().constData());
    checkBox->click();
    checkBox->click();
    QCOMPARE(fixture.library.log.calls(),
             QStringList({"lock", "a.hid." + call + "(true)", "unlock", "lock",
                          "a.hid." + call + "(false)", "unlock"}));
}

void TestHidSwitches::switchChangedOnTheDeviceReachesTheBoxesThroughThePoll()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    FakeHid* hid = fixture.library.device("a")->hid.get();
    hid->loopbackLeft = true;
    hid->phantomRight = true;
    hid->changePending = true;
    fixture.library.log.clear();

    fixture.window->update_hid_controls();

    QCOMPARE(
        fixture.library.log.calls(),
        QStringList({"lock", "a.hid.poll", "lock", "a.hid.getPhantomLeft", "a.hid.getPhantomRight",
                     "a.hid.getLoopbackLeft", "a.hid.getLoopbackRight", "unlock", "unlock"}));
    QVERIFY(!fixture.box("cb_phantom_left")->isChecked());
    QVERIFY(fixture.box("cb_phantom_right")->isChecked());
    QVERIFY(fixture.box("cb_loopback_left")->isChecked());
    QVERIFY(!fixture.box("cb_loopback_right")->isChecked());
}

void TestHidSwitches::hidRefreshWritesAllFourBoxesWithoutSettingAnything()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    FakeHid* hid = fixture.library.device("a")->hid.get();
    for (const char* name :
         {"cb_phantom_left", "cb_phantom_right", "cb_loopback_left", "cb_loopback_right"})
        fixture.box(name)->setChecked(true);
    hid->phantomLeft = hid->phantomRight = hid->loopbackLeft = hid->loopbackRight = false;
    fixture.library.log.clear();

    fixture.hidListener()->onHIDChanged();

    QVERIFY(!fixture.library.log.contains("a.hid.set"));
    for (const char* name :
         {"cb_phantom_left", "cb_phantom_right", "cb_loopback_left", "cb_loopback_right"}) {
        QVERIFY2(!fixture.box(name)->isChecked(), name);
        QVERIFY2(!fixture.box(name)->signalsBlocked(), name);
    }
}

void TestHidSwitches::nothingHappensWithoutHidInterface()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a", false)}, {"a"});
    fixture.box("cb_phantom_left")->setChecked(true);
    fixture.library.log.clear();
    fixture.window->setPhantomLeft(false);
    fixture.window->setLoopbackRight(true);
    fixture.window->update_hid_controls();
    fixture.window->onHIDChanged();
    QCOMPARE(fixture.library.log.deviceCalls(), QStringList{});
    QVERIFY(fixture.box("cb_phantom_left")->isChecked());
}

void TestHidSwitches::pollTimerPollsTheCurrentDevice()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    FakeHid* hid = fixture.library.device("a")->hid.get();
    hid->phantomLeft = true;
    hid->changePending = true;
    QTRY_VERIFY(fixture.box("cb_phantom_left")->isChecked());
    QVERIFY(fixture.library.log.contains("a.hid.poll"));
}

void TestHidSwitches::alwaysOnTopChangesOnlyItsFlag()
{
    MixerFixture fixture;
    TarvixMixer* window = fixture.open();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const Qt::WindowFlags before = window->windowFlags();
    QVERIFY(!before.testFlag(Qt::WindowStaysOnTopHint));

    fixture.box("checkBox")->click();
    QCOMPARE(window->windowFlags(), before | Qt::WindowStaysOnTopHint);
    QVERIFY(window->isVisible());

    fixture.box("checkBox")->click();
    QCOMPARE(window->windowFlags(), before);
    QVERIFY(window->isVisible());

    // The option never reaches the library.
    QCOMPARE(fixture.library.log.deviceCalls(), QStringList{"registerTarvixDeviceCallback"});
}

QTEST_MAIN(TestHidSwitches)
#include "tst_hidswitches.moc"
