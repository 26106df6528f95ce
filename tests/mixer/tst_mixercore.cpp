#include "mixerfixture.h"

#include <QMetaMethod>
#include <QTest>

#include <thread>

// The window's class, its wiring to the library and the bridge of library notifications into
// the GUI thread.
class TestMixerCore : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectListsSignalsAndSlotsInOrder();
    void metaCastReachesEachListenerInterface();
    void constructionRegistersOnceAndTouchesNoDevice();
    void checkBoxesReachTheirSlotsOnlyWhenClicked();
    void arrivalFromWithinRegistrationIsHandledBeforeConstructorReturns();
    void arrivalFromLibraryThreadWaitsForTheEventLoop();
    void burstFromLibraryThreadIsHandledOnceEachInOrder();
    void pollTimerOnlyLocksWithoutDevice();
    void destructionWithdrawsTheListenersUnlessDetached_data();
    void destructionWithdrawsTheListenersUnlessDetached();
};

void TestMixerCore::metaObjectListsSignalsAndSlotsInOrder()
{
    const QMetaObject& meta = TarvixMixer::staticMetaObject;
    QCOMPARE(meta.className(), "TarvixMixer");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);

    struct Expected
    {
        QMetaMethod::MethodType kind;
        const char* signature;
        QList<QByteArray> names;
    };
    const QList<Expected> expected = {
        {QMetaMethod::Signal, "TarvixDeviceCallbackGUI(CallbackType,QString)", {"type", ""}},
        {QMetaMethod::Signal, "VolumeChangedCallbackGUI()", {}},
        {QMetaMethod::Slot, "setPhantomLeft(bool)", {"enable"}},
        {QMetaMethod::Slot, "setPhantomRight(bool)", {"enable"}},
        {QMetaMethod::Slot, "setLoopbackLeft(bool)", {"enable"}},
        {QMetaMethod::Slot, "setLoopbackRight(bool)", {"enable"}},
        {QMetaMethod::Slot, "setOnTop(bool)", {"enable"}},
        {QMetaMethod::Slot, "setPlaybackVolumeLeft(int)", {"a"}},
        {QMetaMethod::Slot, "setPlaybackVolumeRight(int)", {"a"}},
        {QMetaMethod::Slot, "setRecordVolumeLeft(int)", {"a"}},
        {QMetaMethod::Slot, "setRecordVolumeRight(int)", {"a"}},
        {QMetaMethod::Slot, "setPlaybackMute(bool)", {"enable"}},
        {QMetaMethod::Slot, "setRecordMute(bool)", {"enable"}},
        {QMetaMethod::Slot, "TarvixDeviceCallbackGUIHandle(CallbackType,QString)", {"type", ""}},
        {QMetaMethod::Slot, "comboBoxSelectionChanged(int)", {""}},
        {QMetaMethod::Slot, "VolumeChangedCallbackGUIHandle()", {}},
        {QMetaMethod::Slot, "update_hid_controls()", {}},
        {QMetaMethod::Slot, "StorePresetDialog()", {}},
        {QMetaMethod::Slot, "LoadPresetDialog()", {}},
    };
    QCOMPARE(meta.methodCount() - meta.methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.methodSignature(), QByteArray(expected[i].signature));
        QCOMPARE(method.methodType(), expected[i].kind);
        QCOMPARE(method.parameterNames(), expected[i].names);
        QCOMPARE(method.access(), QMetaMethod::Public);
    }
}

void TestMixerCore::metaCastReachesEachListenerInterface()
{
    MixerFixture fixture;
    TarvixMixer* window = fixture.open({fakeDevice("a")}, {"a"});
    QCOMPARE(window->qt_metacast(nullptr), nullptr);
    QCOMPARE(window->qt_metacast("TarvixMixer"), static_cast<void*>(window));
    QCOMPARE(window->qt_metacast("QMainWindow"), static_cast<void*>(window));
    QCOMPARE(window->qt_metacast("NoSuchClass"), nullptr);

    // Each interface pointer leads to the window's own implementation; called on the GUI
    // thread, the handlers have run before the call returns.
    FakeDevice* device = fixture.library.device("a");
    device->hid->phantomRight = true;
    fixture.hidListener()->onHIDChanged();
    QVERIFY(fixture.box("cb_phantom_right")->isChecked());

    device->output->left = -10.0f;
    fixture.volumeListener()->onVolumeChanged(12345);
    QCOMPARE(fixture.label("vol_label_playback_left")->text(), QStringLiteral("-10.0 dB"));

    fixture.library.plug(fakeDevice("b"));
    fixture.deviceListener()->onDeviceEvent(DeviceArrival, "b", nullptr);
    QCOMPARE(fixture.itemIds(), QStringList({"a", "b"}));
}

void TestMixerCore::constructionRegistersOnceAndTouchesNoDevice()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")});
    QCOMPARE(fixture.library.log.calls(), QStringList{"registerTarvixDeviceCallback"});
    QVERIFY(QMetaType::fromName("CallbackType").isValid());
    QCOMPARE(QMetaType::fromName("CallbackType"), QMetaType::fromType<CallbackType>());
    QCOMPARE(fixture.deviceList()->count(), 0);
}

void TestMixerCore::checkBoxesReachTheirSlotsOnlyWhenClicked()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    fixture.library.log.clear();

    const QList<QPair<const char*, QString>> boxes = {
        {"cb_phantom_left", "a.hid.setPhantomLeft(true)"},
        {"cb_phantom_right", "a.hid.setPhantomRight(true)"},
        {"cb_loopback_left", "a.hid.setLoopbackLeft(true)"},
        {"cb_loopback_right", "a.hid.setLoopbackRight(true)"},
        {"cb_playback_mute", "a.output.setMute(true)"},
        {"cb_record_mute", "a.input.setMute(true)"},
    };
    for (const auto& [name, call] : boxes) {
        QCheckBox* box = fixture.box(name);
        box->setChecked(true);
        box->setChecked(false);
        box->setCheckState(Qt::Checked);
        QVERIFY2(fixture.library.log.deviceCalls().isEmpty(), name);
        box->setChecked(false);
        box->click();
        QCOMPARE(fixture.library.log.deviceCalls(), QStringList{call});
        fixture.library.log.clear();
    }
}

void TestMixerCore::arrivalFromWithinRegistrationIsHandledBeforeConstructorReturns()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    QCOMPARE(fixture.itemIds(), QStringList{"a"});
    QCOMPARE(fixture.deviceList()->currentIndex(), 0);
    QVERIFY(fixture.group("gb_playback")->isEnabled());
    QVERIFY(fixture.library.log.contains("a.output.registerCallback"));
    QCOMPARE(fixture.label("vol_label_playback_left")->text(), QStringLiteral("0.0 dB"));
}

void TestMixerCore::arrivalFromLibraryThreadWaitsForTheEventLoop()
{
    MixerFixture fixture;
    fixture.open({fakeDevice("a")});
    fixture.window->show();
    fixture.library.notifyFromThread(DeviceArrival, "a");
    QCOMPARE(fixture.deviceList()->count(), 0);
    QTRY_COMPARE(fixture.deviceList()->count(), 1);
    QVERIFY(fixture.group("gb_playback")->isEnabled());
}

void TestMixerCore::burstFromLibraryThreadIsHandledOnceEachInOrder()
{
    MixerFixture fixture;
    QList<FakeDeviceConfig> devices;
    QStringList ids;
    for (int i = 0; i < 10; ++i) {
        devices.append(fakeDevice(QByteArray::number(i)));
        ids.append(QString::number(i));
    }
    fixture.open(devices, {"0"});
    fixture.library.log.clear();

    std::thread library([&] {
        for (int i = 0; i < 10; ++i)
            fixture.volumeListener()->onVolumeChanged(i);
        for (int i = 1; i < 10; ++i)
            fixture.deviceListener()->onDeviceEvent(DeviceArrival, ids[i].toUtf8().constData(),
                                                    nullptr);
    });
    library.join();
    // On the library thread the window only took the lock to look at its current device.
    QCOMPARE(fixture.library.log.deviceCalls(), QStringList{});

    QTRY_COMPARE(fixture.deviceList()->count(), 10);
    QCOMPARE(fixture.itemIds(), ids);
    // One refresh per notification: each reads the output range once.
    QCOMPARE(fixture.library.log.calls().count("0.output.getVolumeRange"), 10);
    QCOMPARE(fixture.library.log.calls().count("0.output.getMute"), 10);
}

void TestMixerCore::pollTimerOnlyLocksWithoutDevice()
{
    MixerFixture fixture;
    fixture.open();
    fixture.library.log.clear();
    QTRY_VERIFY(fixture.library.log.calls().contains("lock"));
    QTRY_VERIFY(fixture.library.log.calls().contains("unlock"));
    QVERIFY(fixture.library.log.deviceCalls().isEmpty());
}

void TestMixerCore::destructionWithdrawsTheListenersUnlessDetached_data()
{
    QTest::addColumn<bool>("detachFirst");
    QTest::newRow("destroyed while the library lives") << false;
    QTest::newRow("detached before the library is deleted") << true;
}

void TestMixerCore::destructionWithdrawsTheListenersUnlessDetached()
{
    QFETCH(bool, detachFirst);
    const QStringList withdrawal{"lock",
                                 "registerTarvixDeviceCallback",
                                 "a.hid.registerChangedCallback(null)",
                                 "a.input.registerCallback(null)",
                                 "a.output.registerCallback(null)",
                                 "unlock"};
    MixerFixture fixture;
    fixture.open({fakeDevice("a")}, {"a"});
    fixture.library.log.clear();
    if (detachFirst) {
        fixture.window->detachFromLibrary();
        QCOMPARE(fixture.library.log.calls(), withdrawal);
        fixture.library.log.clear();
        // Queued news handled after detaching reach no device.
        fixture.window->VolumeChangedCallbackGUIHandle();
        fixture.window->setPlaybackVolumeLeft(-4);
        QVERIFY(fixture.library.log.deviceCalls().isEmpty());
        fixture.library.log.clear();
    }
    fixture.window.reset();
    QCOMPARE(fixture.library.log.calls(), detachFirst ? QStringList{} : withdrawal);
    QCOMPARE(fixture.library.deviceCallback, nullptr);
    // The poll timer went with the window: nothing calls into the library afterwards.
    fixture.library.log.clear();
    QTest::qWait(600);
    QCOMPARE(fixture.library.log.calls(), QStringList{});
}

QTEST_MAIN(TestMixerCore)
#include "tst_mixercore.moc"
