#include "presetexample.h"
#include "windowtesting.h"

#include <QAccessible>
#include <QTemporaryDir>
#include <QtTest>

// The window as a desktop program uses it: a screen reader's default action on the check
// boxes, the switch poll that rests while nobody can see the window, and a preset file named on
// the command line.
class TestDesktopWindow : public QObject
{
    Q_OBJECT

private slots:
    void defaultActionOfACheckBoxDoesWhatAClickDoes_data()
    {
        QTest::addColumn<QByteArray>("box");
        QTest::addColumn<bool>("hasSwitches");
        QTest::addColumn<QString>("deviceCall"); // empty: none may reach the device
        QTest::newRow("phantom left")
            << QByteArray("cb_phantom_left") << true << "a.hid.setPhantomLeft(true)";
        QTest::newRow("loopback right")
            << QByteArray("cb_loopback_right") << true << "a.hid.setLoopbackRight(true)";
        QTest::newRow("input mute")
            << QByteArray("cb_record_mute") << true << "a.input.setMute(true)";
        QTest::newRow("switch of a device without switches")
            << QByteArray("cb_phantom_left") << false << QString();
    }

    void defaultActionOfACheckBoxDoesWhatAClickDoes()
    {
        QFETCH(QByteArray, box);
        QFETCH(bool, hasSwitches);
        QFETCH(QString, deviceCall);
        MixerFixture f;
        f.open({fakeDevice("a", hasSwitches)}, {"a"});
        QCheckBox* checkBox = f.box(box.constData());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(checkBox);
        QVERIFY(accessible && accessible->actionInterface());
        QAccessibleActionInterface* actions = accessible->actionInterface();
        // AT-SPI's default action is the first one.
        QCOMPARE(actions->actionNames().value(0), QAccessibleActionInterface::toggleAction());
        f.library.log.clear();
        actions->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(checkBox->isChecked(), !deviceCall.isEmpty());
        QCOMPARE(accessible->state().checked, checkBox->isChecked());
        if (deviceCall.isEmpty())
            QVERIFY(!f.library.log.contains(QStringLiteral("a.hid.set")));
        else
            QVERIFY2(f.library.log.calls().contains(deviceCall),
                     qPrintable(f.library.log.calls().join(' ')));
    }

    void pageKeysMoveALevelBySixDecibels()
    {
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"}); // output in 0.5 dB steps at 0 dB; input in 2 dB steps
        QTest::keyClick(f.slider("vol_slider_playback_left"), Qt::Key_PageDown);
        QCOMPARE(f.device("a")->output->left, -6.0f);
        // Every input position is one 6 dB gain step of the read-out.
        QSlider* input = f.slider("vol_slider_record_left");
        const int position = input->value();
        QTest::keyClick(input, Qt::Key_PageUp);
        QCOMPARE(input->value(), position + 1);
    }

    void switchPollRestsWhileTheWindowCannotBeSeen()
    {
        MixerFixture f;
        TarvixMixer* window = f.open({fakeDevice("a")}, {"a"});
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->isPollingSwitches());
        for (const bool minimise : {true, false}) {
            minimise ? window->showMinimized() : window->hide();
            QVERIFY(!window->isPollingSwitches());
            // A switch flipped on the device meanwhile shows the moment the window is back.
            f.device("a")->hid->phantomLeft = !f.device("a")->hid->phantomLeft;
            f.device("a")->hid->changePending = true;
            window->showNormal();
            QVERIFY(window->isPollingSwitches());
            QCOMPARE(f.box("cb_phantom_left")->isChecked(), f.device("a")->hid->phantomLeft);
        }
    }

    void presetFileWaitsForTheFirstDeviceWithSwitches()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("start.tarvix")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kExampleDocument) > 0);
        file.close();
        MixerFixture f;
        TarvixMixer* window = f.open({fakeDevice("a", false), fakeDevice("b")}, {"a"});
        window->loadPresetFileWhenReady(file.fileName());
        QCoreApplication::processEvents();
        QVERIFY(!f.library.log.contains(QStringLiteral("a.output.setVolume")));
        f.library.notify(DeviceArrival, "b");
        deviceList(f.window.get())->setCurrentIndex(1);
        QTRY_VERIFY(f.device("b")->hid->phantomLeft);
        QCOMPARE(f.device("b")->output->left, -20.5f);
        QVERIFY(f.box("cb_phantom_left")->isChecked());
        // Loaded once: choosing the device again leaves its state alone.
        f.device("b")->hid->phantomLeft = false;
        deviceList(f.window.get())->setCurrentIndex(0);
        deviceList(f.window.get())->setCurrentIndex(1);
        QCoreApplication::processEvents();
        QVERIFY(!f.device("b")->hid->phantomLeft);
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
