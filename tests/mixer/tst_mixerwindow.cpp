#include "windowtesting.h"

#include <QTest>

#include <array>
#include <cmath>
#include <thread>

namespace {

// The state of the window that applying a device decides.
QString enabledParts(const MixerFixture& f)
{
    QStringList parts;
    for (const char* name :
         {"gb_hid_control", "gb_playback", "gb_record", "StoreButton", "LoadButton"}) {
        if (widget(f.window.get(), name)->isEnabled())
            parts.append(name);
    }
    return parts.join(' ');
}

const QString allParts = "gb_hid_control gb_playback gb_record StoreButton LoadButton";

} // namespace

// The main window against a fake library that records every call: its wiring, device
// selection, level controls and switches.
class TestMixerWindow : public QObject
{
    Q_OBJECT

private slots:
    // Start-up: the library reports a device from within the registration; it is listed,
    // selected and applied, with the locks nested, before the constructor returns.
    void arrivalDuringRegistrationIsAppliedBeforeTheConstructorReturns()
    {
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        QCOMPARE(f.ids(), QStringList{"a"});
        QCOMPARE(deviceList(f.window.get())->itemText(0), "Device a");
        QCOMPARE(
            f.library.log.calls().mid(0, 18),
            QStringList({"registerTarvixDeviceCallback", "lock", "unlock", "lock", "getDevice(a)",
                         "lock", "getDevice(a)", "unlock", "lock", "a.hid.registerChangedCallback",
                         "a.output.getVolumeRange", "a.output.registerCallback",
                         "a.input.getVolumeRange", "a.input.registerCallback", "unlock", "lock",
                         "a.output.getVolumeRange", "a.output.getVolumeLeft"}));
        QCOMPARE(f.library.maxLockDepth.load(), 2);
        QCOMPARE(f.library.lockDepth.load(), 0);
        QCOMPARE(enabledParts(f), allParts);
    }

    void newsFromLibraryThreadsIsHandledQueuedOnceEachInOrder()
    {
        MixerFixture f;
        f.open({fakeDevice("a")});
        f.library.notifyFromThread(DeviceArrival, "a");
        QCOMPARE(deviceList(f.window.get())->count(), 0);
        QTRY_COMPARE(f.ids(), QStringList{"a"});
        f.library.log.clear();
        std::thread library([&] {
            for (int i = 1; i <= 10; ++i)
                f.device("a")->output->callback->onVolumeChanged(i);
        });
        library.join();
        QCOMPARE(f.library.log.calls(), QStringList{});
        QTRY_COMPARE(f.library.log.calls().count("a.output.getVolumeLeft"), 10);
        QCOMPARE(f.library.lockDepth.load(), 0);
    }

    void deviceListFollowsArrivalsAndRemovals_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("shown");
        QTest::newRow("arrival appended")
            << 0 << int(DeviceArrival) << QByteArray("c") << QStringList{"a", "b", "c"} << "a";
        QTest::newRow("same arrival twice")
            << 1 << int(DeviceArrival) << QByteArray("a") << QStringList{"a", "b", "a"} << "b";
        QTest::newRow("unknown arrival")
            << 0 << int(DeviceArrival) << QByteArray("x") << QStringList{"a", "b"} << "a";
        QTest::newRow("first removed")
            << 0 << int(DeviceRemoval) << QByteArray("a") << QStringList{"b"} << "b";
        QTest::newRow("last removed")
            << 1 << int(DeviceRemoval) << QByteArray("b") << QStringList{"a"} << "a";
        QTest::newRow("one before removed")
            << 1 << int(DeviceRemoval) << QByteArray("a") << QStringList{"b"} << "b";
        QTest::newRow("unlisted removed")
            << 1 << int(DeviceRemoval) << QByteArray("x") << QStringList{"a", "b"} << "b";
        QTest::newRow("other kind") << 1 << 7 << QByteArray("a") << QStringList{"a", "b"} << "b";
    }

    // The device shown is the current item's and is applied, whatever happened to the list.
    void deviceListFollowsArrivalsAndRemovals()
    {
        QFETCH(int, current);
        QFETCH(int, type);
        QFETCH(QByteArray, id);
        QFETCH(QStringList, ids);
        QFETCH(QString, shown);
        MixerFixture f;
        f.open({fakeDevice("a"), fakeDevice("b"), fakeDevice("c", false, false, true)}, {"a", "b"});
        deviceList(f.window.get())->setCurrentIndex(current);
        if (type == DeviceRemoval)
            f.library.unplug(id);
        f.library.log.clear();
        f.library.notify(CallbackType(type), id);
        QCOMPARE(f.ids(), ids);
        QCOMPARE(deviceList(f.window.get())->currentData().toString(), shown);
        if (type == DeviceRemoval) // a removed device is forgotten without a call to it
            QVERIFY(!f.library.log.contains(QString::fromLatin1(id + ".")));
        QVERIFY(f.device(shown.toLatin1())->output->callback);
        QCOMPARE(f.library.lockDepth.load(), 0);
    }

    void removalOfTheShownDeviceForgetsItAtOnce()
    {
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        f.library.unplug("a");
        f.library.notifyFromThread(DeviceRemoval, "a");
        f.library.log.clear();
        // Before the handler has run, the window no longer reaches the device.
        f.slider("vol_slider_playback_left")->setValue(-3);
        f.box("cb_playback_mute")->click();
        f.box("cb_phantom_left")->click();
        f.window->update_hid_controls();
        f.window->onHIDChanged();
        QCOMPARE(f.library.log.deviceCalls(), QStringList{});
        QTRY_COMPARE(deviceList(f.window.get())->count(), 0);
        QCOMPARE(deviceList(f.window.get())->currentIndex(), -1);
        QCOMPARE(enabledParts(f), "");
        QCOMPARE(f.library.log.deviceCalls(), QStringList{});
    }

    void changeReappliesOnlyTheShownDevice()
    {
        MixerFixture f;
        f.open({fakeDevice("a"), fakeDevice("b")}, {"a", "b"});
        f.library.log.clear();
        f.library.notify(DeviceChange, "b");
        f.library.notify(DeviceChange, "x");
        QCOMPARE(f.library.log.deviceCalls(), QStringList({"getDevice(b)", "getDevice(x)"}));
        f.library.notify(DeviceChange, "a");
        QCOMPARE(f.library.log.calls().count("a.output.registerCallback"), 1);
    }

    void choosingAnotherDeviceMovesTheListeners()
    {
        MixerFixture f;
        f.open({fakeDevice("a"), fakeDevice("b", false, true, false), fakeDevice("c")},
               {"a", "b", "c"});
        f.library.unplug("c");
        deviceList(f.window.get())->setCurrentIndex(1);
        FakeDevice* a = f.device("a");
        QVERIFY(!a->hid->callback && !a->input->callback && !a->output->callback);
        QVERIFY(f.device("b")->input->callback);
        QCOMPARE(enabledParts(f), "gb_record");
        deviceList(f.window.get())->setCurrentIndex(2); // gone from the library: nothing is shown
        QVERIFY(!f.device("b")->input->callback);
        QCOMPARE(enabledParts(f), "");
    }

    void slidersSpanTheEndpointInSteps_data()
    {
        QTest::addColumn<float>("outputStep");
        QTest::addColumn<float>("outputMax");
        QTest::addColumn<float>("inputStep");
        QTest::addColumn<QList<int>>("ranges"); // output min, max, input min, max
        QTest::newRow("0.5 dB, floor -72") << 0.5f << 0.0f << 2.0f << QList<int>{-144, 0, 0, 30};
        QTest::newRow("0.1 dB is not exact") << 0.1f << 6.0f << 3.0f << QList<int>{-719, 59, 0, 20};
        QTest::newRow("unusable steps")
            << 0.0f << 6.0f << std::nanf("") << QList<int>{0, 1000, 0, 1000};
    }

    void slidersSpanTheEndpointInSteps()
    {
        QFETCH(float, outputStep);
        QFETCH(float, outputMax);
        QFETCH(float, inputStep);
        QFETCH(QList<int>, ranges);
        FakeDeviceConfig config = fakeDevice("a");
        config.outputStep = outputStep;
        config.outputMax = outputMax;
        config.inputStep = inputStep;
        MixerFixture f;
        f.open({config}, {"a"});
        for (const char* side : {"left", "right"}) {
            QSlider* output = f.slider(QString("vol_slider_playback_") + side);
            QSlider* input = f.slider(QString("vol_slider_record_") + side);
            QCOMPARE((QList<int>{output->minimum(), output->maximum(), input->minimum(),
                                 input->maximum()}),
                     ranges);
        }
    }

    // A new range that moves a slider writes its level, nested in the application, before the
    // refresh reads the device back.
    void rangeThatMovesASliderWritesTheLevelFirst()
    {
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        f.device("a")->output->maxDb = -10.0f;
        f.library.log.clear();
        f.library.notify(DeviceChange, "a");
        const QStringList calls = f.library.log.deviceCalls();
        QCOMPARE(calls.mid(calls.indexOf("a.output.registerCallback") - 7, 8),
                 QStringList({"a.output.getVolumeRange", "a.output.getVolumeRange",
                              "a.output.setVolumeLeft(-10)", "a.output.getVolumeLeft",
                              "a.output.getVolumeRange", "a.output.setVolumeRight(-10)",
                              "a.output.getVolumeRight", "a.output.registerCallback"}));
        QCOMPARE(f.label("vol_label_playback_right")->text(), "-10.0 dB");
    }

    void slidersSendTheirScaleAndShowIt_data()
    {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("label");
        QTest::newRow("output left") << "playback_left" << -20 << "output.setVolumeLeft(-10)"
                                     << "-10.0 dB";
        QTest::newRow("output right") << "playback_right" << -3 << "output.setVolumeRight(-1.5)"
                                      << "-1.5 dB";
        QTest::newRow("input off") << "record_left" << 0 << "input.setVolumeLeft(0)"
                                   << "-∞ dB";
        QTest::newRow("input first step") << "record_right" << 1 << "input.setVolumeRight(2.8)"
                                          << "0 dB";
        QTest::newRow("input second step") << "record_left" << 2 << "input.setVolumeLeft(4)"
                                           << "6 dB";
    }

    void slidersSendTheirScaleAndShowIt()
    {
        QFETCH(QString, slider);
        QFETCH(int, position);
        QFETCH(QString, call);
        QFETCH(QString, label);
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        f.box("cb_playback_link")->setChecked(false);
        f.box("cb_record_link")->setChecked(false);
        f.slider("vol_slider_" + slider)->setValue(position + 1);
        f.library.log.clear();
        f.slider("vol_slider_" + slider)->setValue(position);
        QVERIFY(f.library.log.contains("a." + call));
        QCOMPARE(f.label("vol_label_" + slider)->text(), label);
        QCOMPARE(f.library.log.deviceCalls().filter(".set").size(), 1);
    }

    void outputReadOutShowsWhatTheDeviceKept()
    {
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        f.device("a")->output->keep = [](float) { return -80.0f; };
        f.slider("vol_slider_playback_left")->setValue(-7);
        QCOMPARE(f.label("vol_label_playback_left")->text(), "-80.0 dB");
    }

    void linkedSlidersNestOneSlotInTheOther_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<int>("link");
        QTest::newRow("output linked") << "playback" << int(Qt::Checked);
        QTest::newRow("input partly linked") << "record" << int(Qt::PartiallyChecked);
        QTest::newRow("output unlinked") << "playback" << int(Qt::Unchecked);
    }

    void linkedSlidersNestOneSlotInTheOther()
    {
        QFETCH(QString, direction);
        QFETCH(int, link);
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        QCheckBox* linkBox = f.box("cb_" + direction + "_link");
        linkBox->setTristate(true);
        linkBox->setCheckState(Qt::CheckState(link));
        QSlider* right = f.slider("vol_slider_" + direction + "_right");
        const bool output = direction == "playback";
        f.library.log.clear();
        f.slider("vol_slider_" + direction + "_left")->setValue(output ? -3 : 3);
        const QString e = output ? "a.output." : "a.input.";
        QStringList expected = {"lock", e + "getVolumeRange",
                                e + (output ? "setVolumeLeft(-1.5)" : "setVolumeLeft(6)")};
        if (output)
            expected << e + "getVolumeLeft";
        if (link != Qt::Unchecked) {
            expected << "lock" << e + "getVolumeRange"
                     << e + (output ? "setVolumeRight(-1.5)" : "setVolumeRight(6)");
            if (output)
                expected << e + "getVolumeRight";
            expected << "unlock";
        }
        expected << "unlock";
        QCOMPARE(f.library.log.calls(), expected);
        QCOMPARE(right->value(), link == Qt::Unchecked ? 0 : output ? -3 : 3);
    }

    void muteBoxesAndSwitchBoxesSetOnlyTheirOwn_data()
    {
        QTest::addColumn<QString>("call");
        for (const auto& row : {std::array{"cb_playback_mute", "a.output.setMute"},
                                std::array{"cb_record_mute", "a.input.setMute"},
                                std::array{"cb_phantom_left", "a.hid.setPhantomLeft"},
                                std::array{"cb_phantom_right", "a.hid.setPhantomRight"},
                                std::array{"cb_loopback_left", "a.hid.setLoopbackLeft"},
                                std::array{"cb_loopback_right", "a.hid.setLoopbackRight"}})
            QTest::newRow(row[0]) << QString(row[1]);
    }

    // Clicks reach the device; states set by code do not.
    void muteBoxesAndSwitchBoxesSetOnlyTheirOwn()
    {
        const QString box = QTest::currentDataTag();
        QFETCH(QString, call);
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        f.library.log.clear();
        f.box(box)->click();
        f.box(box)->click();
        f.box(box)->setChecked(true);
        QCOMPARE(f.library.log.deviceCalls(), QStringList({call + "(true)", call + "(false)"}));
    }

    void refreshShowsTheDeviceWithoutWritingBack_data()
    {
        QTest::addColumn<float>("output");
        QTest::addColumn<float>("input");
        QTest::addColumn<QStringList>("shown"); // output label, slider, input label, slider
        QTest::newRow("at the floor")
            << -72.0f << 4.0f << QStringList{"-72.0 dB", "-144", "6 dB", "2"};
        QTest::newRow("below the floor")
            << -72.5f << 0.0f << QStringList{"< 72 dB", "-144", "-∞ dB", "0"};
        QTest::newRow("truncated toward zero")
            << -6.3f << 2.8f << QStringList{"-6.3 dB", "-12", "0 dB", "1"};
        QTest::newRow("just below a step")
            << 0.0f << 1.9f << QStringList{"0.0 dB", "0", "-∞ dB", "0"};
        QTest::newRow("not a number")
            << std::nanf("") << std::nanf("") << QStringList{"? dB", "0", "? dB", "0"};
    }

    void refreshShowsTheDeviceWithoutWritingBack()
    {
        QFETCH(float, output);
        QFETCH(float, input);
        QFETCH(QStringList, shown);
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        FakeDevice* a = f.device("a");
        a->output->left = output;
        a->output->right = -1.0f;
        a->input->left = input;
        a->output->muted = true;
        f.library.log.clear();
        a->input->callback->onVolumeChanged(0);
        QCOMPARE((QStringList{f.label("vol_label_playback_left")->text(),
                              QString::number(f.slider("vol_slider_playback_left")->value()),
                              f.label("vol_label_record_left")->text(),
                              QString::number(f.slider("vol_slider_record_left")->value())}),
                 shown);
        QCOMPARE(f.slider("vol_slider_playback_right")->value(), -2);
        QVERIFY(f.box("cb_playback_mute")->isChecked());
        QVERIFY(!f.box("cb_record_mute")->isChecked());
        QVERIFY(!f.library.log.contains("a.output.set") && !f.library.log.contains("a.input.set"));
        // The sliders and mute boxes reach their slots again afterwards.
        f.box("cb_record_mute")->click();
        f.slider("vol_slider_record_right")->setValue(3);
        QVERIFY(f.library.log.contains("a.input.setMute(true)"));
        QVERIFY(f.library.log.contains("a.input.setVolumeRight(6)"));
    }

    void missingEndpointsLeaveTheirWidgetsAlone()
    {
        MixerFixture f;
        f.open({fakeDevice("a", false, false, false)}, {"a"});
        f.label("vol_label_playback_left")->setText("as it was");
        f.library.log.clear();
        f.window->VolumeChangedCallbackGUIHandle();
        f.window->setPlaybackVolumeLeft(4);
        f.window->setRecordVolumeRight(4);
        f.window->setRecordMute(true);
        f.window->setLoopbackRight(true);
        f.window->update_hid_controls();
        f.window->onHIDChanged();
        QCOMPARE(f.library.log.deviceCalls(), QStringList{});
        QCOMPARE(f.label("vol_label_playback_left")->text(), "as it was");
        QCOMPARE(f.slider("vol_slider_playback_right")->value(), 0);
    }

    void switchesChangedOnTheDeviceReachTheBoxesThroughThePoll()
    {
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        FakeHid* hid = f.device("a")->hid.get();
        hid->phantomRight = hid->loopbackLeft = true;
        hid->changePending = true;
        f.library.log.clear();
        QTRY_VERIFY(f.box("cb_loopback_left")->isChecked()); // the 500 ms timer polls
        // The report comes from within the poll, nested under its lock.
        QCOMPARE(f.library.log.calls().mid(0, 7),
                 QStringList({"lock", "a.hid.poll", "lock", "a.hid.getPhantomLeft",
                              "a.hid.getPhantomRight", "a.hid.getLoopbackLeft",
                              "a.hid.getLoopbackRight"}));
        QVERIFY(f.box("cb_phantom_right")->isChecked() && !f.box("cb_phantom_left")->isChecked());
        QVERIFY(!f.library.log.contains("a.hid.set"));
        f.box("cb_loopback_right")->click();
        QVERIFY(hid->loopbackRight); // signals were unblocked again
    }

    void alwaysOnTopChangesOnlyItsFlag()
    {
        MixerFixture f;
        f.open();
        f.window->show();
        const Qt::WindowFlags before = f.window->windowFlags();
        f.box("checkBox")->click();
        QCOMPARE(f.window->windowFlags(), before | Qt::WindowStaysOnTopHint);
        QVERIFY(f.window->isVisible());
        f.box("checkBox")->click();
        QCOMPARE(f.window->windowFlags(), before);
        QVERIFY(f.window->isVisible());
    }

    void destructionWithdrawsTheListenersUnlessDetached_data()
    {
        QTest::addColumn<bool>("detachFirst");
        QTest::newRow("destroyed while the library lives") << false;
        QTest::newRow("detached before the library is deleted") << true;
    }

    void destructionWithdrawsTheListenersUnlessDetached()
    {
        QFETCH(bool, detachFirst);
        const QStringList withdrawal{
            "registerTarvixDeviceCallback",        "lock",
            "a.hid.registerChangedCallback(null)", "a.input.registerCallback(null)",
            "a.output.registerCallback(null)",     "unlock"};
        MixerFixture f;
        f.open({fakeDevice("a")}, {"a"});
        f.library.log.clear();
        if (detachFirst) {
            f.window->detachFromLibrary();
            QCOMPARE(f.library.log.calls(), withdrawal);
            f.library.log.clear();
            // News still queued when the window detached reaches no device.
            f.window->VolumeChangedCallbackGUIHandle();
            f.window->setPlaybackVolumeLeft(-4);
            QVERIFY(f.library.log.deviceCalls().isEmpty());
            f.library.log.clear();
        }
        f.window.reset();
        QCOMPARE(f.library.log.calls(), detachFirst ? QStringList{} : withdrawal);
        QCOMPARE(f.library.deviceCallback, nullptr);
        // The poll timer went with the window: nothing calls into the library afterwards.
        f.library.log.clear();
        QTest::qWait(600);
        QCOMPARE(f.library.log.calls(), QStringList{});
    }
};

QTEST_MAIN(TestMixerWindow)
#include "tst_mixerwindow.moc"
