#include "presetexample.h"
#include "windowtesting.h"

#include <QAccessible>
#include <QTemporaryDir>
#include <QtTest>

// The window as a desktop program uses it: a screen reader's default action on the check
// boxes, the page keys, the switch poll that rests while nobody can see the window, and a preset
// file named on the command line.
class TestDesktopWindow : public QObject
{
    Q_OBJECT

private slots:
    void defaultActionOfACheckBoxDoesWhatAClickDoes_data()
    {
        QTest::addColumn<QByteArray>("box");
        QTest::addColumn<bool>("hasSwitches");
        QTest::addColumn<QString>("deviceCall"); // empty: nothing may change
        QTest::newRow("phantom") << QByteArray("cb_phantom_left") << true
                                 << "a.hid.setPhantomLeft(true)";
        QTest::newRow("mute") << QByteArray("cb_record_mute") << true << "a.input.setMute(true)";
        QTest::newRow("disabled switch") << QByteArray("cb_phantom_left") << false << QString();
    }

    void defaultActionOfACheckBoxDoesWhatAClickDoes()
    {
        QFETCH(QByteArray, box);
        QFETCH(bool, hasSwitches);
        QFETCH(QString, deviceCall);
        MixerFixture f;
        f.open({fakeDevice("a", hasSwitches)}, {"a"});
        QCheckBox* checkBox = f.box(box.constData());
        QAccessibleActionInterface* actions =
            QAccessible::queryAccessibleInterface(checkBox)->actionInterface();
        // AT-SPI's default action is the first one.
        QCOMPARE(actions->actionNames().value(0), QAccessibleActionInterface::toggleAction());
        f.library.log.clear();
        actions->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(checkBox->isChecked(), !deviceCall.isEmpty());
        QCOMPARE(f.library.log.calls().contains(deviceCall), !deviceCall.isEmpty());
    }

    void pageKeysMoveALevelBySixDecibels()
    {
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"}); // output in 0.5 dB steps at 0 dB; input in 2 dB steps
        QTest::keyClick(f.slider("vol_slider_playback_left"), Qt::Key_PageDown);
        QCOMPARE(f.device("a")->output->left, -6.0f);
        // Every input position is one 6 dB gain step of the read-out.
        QTest::keyClick(f.slider("vol_slider_record_left"), Qt::Key_PageUp);
        QCOMPARE(f.slider("vol_slider_record_left")->value(), 1);
    }

    void switchPollRestsWhileTheWindowCannotBeSeen()
    {
        MixerFixture f;
        TarvixMixer* window = f.open({fakeDevice("a")}, {"a"});
        window->show();
        QVERIFY(window->isPollingSwitches());
        FakeHid* hid = f.device("a")->hid.get();
        for (const bool minimise : {true, false}) {
            minimise ? window->showMinimized() : window->hide();
            QVERIFY(!window->isPollingSwitches());
            // A switch flipped on the device meanwhile shows the moment the window is back.
            hid->phantomLeft = !hid->phantomLeft;
            hid->changePending = true;
            window->showNormal();
            QVERIFY(window->isPollingSwitches());
            QCOMPARE(f.box("cb_phantom_left")->isChecked(), hid->phantomLeft);
        }
    }

    void presetFileWaitsForTheFirstDeviceWithSwitches()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("start.tarvix")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kExampleDocument) > 0);
        file.close();
        MixerFixture f;
        f.open({fakeDevice("a", false), fakeDevice("b")}, {"a", "b"});
        f.window->loadPresetFileWhenReady(file.fileName());
        QCoreApplication::processEvents();
        QVERIFY(!f.library.log.contains(QStringLiteral("a.output.setVolume")));
        deviceList(f.window.get())->setCurrentIndex(1);
        QTRY_COMPARE(f.device("b")->output->left, -20.5f);
        QVERIFY(f.box("cb_phantom_left")->isChecked());
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
