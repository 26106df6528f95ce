// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelscale.h"
#include "windowimages.h"
#include "windowtesting.h"

#include <QAccessible>
#include <QApplication>
#include <QPalette>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The parts of the window that applying a device enables.
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

QImage argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The contrast ratio of WCAG 2, 1 to 21.
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        double sum = 0;
        const double weights[] = {0.2126, 0.7152, 0.0722};
        const float channels[] = {c.redF(), c.greenF(), c.blueF()};
        for (int i = 0; i < 3; ++i) {
            const double s = channels[i];
            sum += weights[i] * (s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// The main window against a fake library that records every call: its wiring, device
// selection, level controls, switches, and what a desktop user reaches it with.
class TestMixerWindow : public QObject
{
    Q_OBJECT

private slots:
    // The library reports a device from within the registration: it is listed, selected and
    // applied, with the locks nested, before the constructor returns. Without a device the parts
    // that need one start disabled; the links start ticked.
    void arrivalDuringRegistrationIsAppliedBeforeTheConstructorReturns()
    {
        QCOMPARE(enabledParts(MixerFixture({}, {})), "");
        MixerFixture f;
        QVERIFY(f.box("cb_playback_link")->isChecked() && f.box("cb_record_link")->isChecked());
        QCOMPARE(f.list()->itemText(0), QStringLiteral("Gerät a"));
        QVERIFY(f.device("a")->output->callback && f.device("a")->hid->callback);
        QCOMPARE(f.library.maxLockDepth.load(), 2);
        // An output of -96..0 dB in 0.5 dB steps stops at -72 dB; the input starts at its own 0.
        QCOMPARE(
            QList<int>({f.slider("playback_left")->minimum(), f.slider("record_left")->minimum()}),
            QList<int>({-144, 0}));
        QCOMPARE(enabledParts(f), "gb_hid_control gb_playback gb_record StoreButton LoadButton");
    }

    // Each image is read once, with the device pixels of the screen: the @2x twin where a point
    // has more than one.
    void imagesAreReadForTheScreen_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("logoWidth");
        QTest::addColumn<QColor>("window");
        QTest::newRow("one pixel to a point") << 1.0 << 122 << QColor(Qt::white);
        QTest::newRow("a little more") << 1.25 << 244 << QColor(Qt::white);
        QTest::newRow("dark, a little more") << 1.25 << 244 << QColor(Qt::black);
    }
    void imagesAreReadForTheScreen()
    {
        QFETCH(qreal, ratio);
        QFETCH(int, logoWidth);
        QFETCH(QColor, window);
        MixerFixture f; // its window has registered the resources
        const WindowImages images = WindowImages::read(ratio, window);
        QCOMPARE(images.logo.width(), logoWidth);
        QCOMPARE(images.logo.deviceIndependentSize(), QSizeF(122, 91));
        QCOMPARE(images.loadIcon.deviceIndependentSize(), images.storeIcon.deviceIndependentSize());
        QCOMPARE(images.storeIcon.deviceIndependentSize(), QSizeF(16, 16));
    }

    // The logo follows the palette's window colour, at start and when the palette changes. On a
    // dark window every colour it is drawn in, the swoosh's and the shadow's among them, keeps a
    // contrast of 3:1 against the window, at both sizes, and none is drawn faint.
    void logoKeepsItsContrastOnThePalette_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QString>("logo");
        QTest::newRow("Fusion") << QColor(0xef, 0xef, 0xef) << "Tarvix";
        QTest::newRow("Adwaita") << QColor(0xf6, 0xf5, 0xf4) << "Tarvix";
        QTest::newRow("Adwaita-dark") << QColor(0x35, 0x35, 0x35) << "Tarvix-dark";
        QTest::newRow("Breeze Dark") << QColor(0x2a, 0x2e, 0x32) << "Tarvix-dark";
        QTest::newRow("libadwaita dark") << QColor(0x24, 0x24, 0x24) << "Tarvix-dark";
        QTest::newRow("black") << QColor(Qt::black) << "Tarvix-dark";
    }
    void logoKeepsItsContrastOnThePalette()
    {
        QFETCH(QColor, window);
        QFETCH(QString, logo);
        const QPalette standard = QApplication::palette();
        QPalette palette = standard;
        palette.setColor(QPalette::Window, window);
        MixerFixture changed;
        QApplication::setPalette(palette); // as a desktop switching to dark does
        const auto restore = qScopeGuard([&] { QApplication::setPalette(standard); });
        MixerFixture atStart;
        QCoreApplication::sendPostedEvents(); // the change reaches the widgets as posted events
        const QString path = ":/Images/Images/" + logo;
        for (const MixerFixture* f : {&atStart, &changed})
            QCOMPARE(argb(f->get<QLabel>("label")->pixmap().toImage()),
                     argb(QImage(path + ".png")));
        if (logo == "Tarvix")
            return;
        for (const char* size : {".png", "@2x.png"}) {
            const QImage image = argb(QImage(path + size));
            double lowest = 21;
            int visible = 0, faint = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    QColor pixel = image.pixelColor(x, y);
                    visible += pixel.alphaF() > 0.05f;
                    faint += pixel.alphaF() > 0.05f && pixel.alphaF() < 0.9f;
                    if (pixel.alphaF() >= 0.5f) {
                        pixel.setAlphaF(1);
                        lowest = std::min(lowest, contrast(pixel, window));
                    }
                }
            }
            QVERIFY2(lowest >= 3.0,
                     qPrintable(QLatin1String(size) + ": " + QString::number(lowest)));
            // Anti-aliased edges aside, nothing is drawn faint: at twice the size the edges are
            // a small part of the mark.
            const bool twice = size[0] == '@';
            QVERIFY2(!twice || faint * 5 <= visible, qPrintable(QString::number(faint)));
        }
    }

    void deviceListFollowsArrivalsAndRemovals_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QString>("ids"); // afterwards, the shown one first
        QTest::newRow("arrival appended")
            << 0 << int(DeviceArrival) << QByteArray("c") << "a a b c";
        QTest::newRow("same arrival twice")
            << 1 << int(DeviceArrival) << QByteArray("a") << "b a b a";
        QTest::newRow("unknown arrival") << 0 << int(DeviceArrival) << QByteArray("x") << "a a b";
        QTest::newRow("first removed") << 0 << int(DeviceRemoval) << QByteArray("a") << "b b";
        QTest::newRow("last removed") << 1 << int(DeviceRemoval) << QByteArray("b") << "a a";
        QTest::newRow("one before removed") << 1 << int(DeviceRemoval) << QByteArray("a") << "b b";
        QTest::newRow("unlisted removed") << 1 << int(DeviceRemoval) << QByteArray("x") << "b a b";
        QTest::newRow("other kind") << 1 << 7 << QByteArray("a") << "b a b";
        QTest::newRow("shown changed") << 1 << int(DeviceChange) << QByteArray("b") << "b a b";
        QTest::newRow("other changed") << 1 << int(DeviceChange) << QByteArray("a") << "b a b";
    }

    // The device shown is the current item's and is applied, whatever happened to the list; a
    // change is applied again when it is the shown device's.
    void deviceListFollowsArrivalsAndRemovals()
    {
        QFETCH(int, current);
        QFETCH(int, type);
        QFETCH(QByteArray, id);
        QFETCH(QString, ids);
        MixerFixture f({fakeDevice("a"), fakeDevice("b"), fakeDevice("c", false, false)},
                       {"a", "b"});
        f.list()->setCurrentIndex(current);
        if (type == DeviceRemoval)
            f.library.unplug(id);
        f.library.log.clear();
        f.library.notify(CallbackType(type), id);
        QCOMPARE(f.list()->currentData().toString() + ' ' + f.ids().join(' '), ids);
        if (type == DeviceRemoval) // a removed device is forgotten without a call to it
            QVERIFY(!f.called(id + "."));
        if (type == DeviceChange)
            QCOMPARE(f.called(id + ".output.getVolumeRange"), id == ids.left(1));
        for (const char* other : {"a", "b"}) // listeners on the device shown only
            QVERIFY((type == DeviceRemoval && other == id) ||
                    bool(f.device(other)->output->callback) == (other == ids.left(1)));
        QCOMPARE(f.library.lockDepth.load(), 0);
    }

    void removalOfTheShownDeviceForgetsItAtOnce()
    {
        MixerFixture f;
        f.library.unplug("a");
        f.library.notifyFromThread(DeviceRemoval, "a");
        f.library.log.clear();
        // Before the handler has run, the window no longer reaches the device.
        f.slider("playback_left")->setValue(-3);
        f.box("cb_playback_mute")->click();
        f.box("cb_phantom_left")->click();
        f.window->update_hid_controls();
        f.window->onHIDChanged();
        QTRY_COMPARE(f.list()->count(), 0);
        QCOMPARE(enabledParts(f), "");
        QCOMPARE(f.library.log.deviceCalls(), QStringList{});
    }

    // A drag or a held key begun on one device ends with it; the next device starts without its
    // ticks.
    void leavingADeviceEndsItsDragAndClearsItsSwitches()
    {
        MixerFixture f({fakeDevice("a"), fakeDevice("b", false)}, {"a", "b"});
        f.device("a")->hid->phantomLeft = true;
        f.window->update_hid_controls();
        QVERIFY(f.box("cb_phantom_left")->isChecked());
        f.window->show();
        QSlider* slider = f.slider("playback_left");
        const QPoint centre = slider->rect().center();
        // The middle button sets the handle where it is pressed and drags it from there.
        QTest::mousePress(slider, Qt::MiddleButton, {}, centre);
        QTest::mouseMove(slider, centre + QPoint(0, 20));
        QVERIFY(slider->isSliderDown() && f.called("a.output.setVolumeLeft"));
        f.library.unplug("a");
        f.library.notify(DeviceRemoval, "a");
        QVERIFY(!f.box("cb_phantom_left")->isChecked());
        f.library.log.clear();
        QTest::mouseMove(slider, centre + QPoint(0, -20));
        QKeyEvent heldKey(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(slider, &heldKey); // a key held down repeats
        QTest::mouseRelease(slider, Qt::MiddleButton, {}, centre + QPoint(0, -20));
        QCOMPARE(f.library.log.deviceCalls().filter(".set"), QStringList());
        QTest::mousePress(slider, Qt::MiddleButton, {}, centre); // a new drag reaches b
        QVERIFY(f.called("b.output.setVolumeLeft"));
    }

    void slidersSendTheirLevelAndShowIt_data()
    {
        QTest::addColumn<QString>("side");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("calls"); // "o." and "i." stand for the output and the input
        QTest::addColumn<QString>("label");
        const auto row = [](const char* name, const char* side, int position, Qt::CheckState link,
                            const char* calls, const char* label) {
            QTest::newRow(name) << side << position << int(link) << calls << label;
        };
        // A linked partner's slot runs nested in the first one's, under its lock.
        row("output linked", "playback_left", -3, Qt::Checked,
            "lock o.getVolumeRange o.setVolumeLeft(-1.5) o.getVolumeLeft lock o.getVolumeRange "
            "o.setVolumeRight(-1.5) o.getVolumeRight unlock unlock",
            "-1.5 dB");
        row("input partly linked", "record_left", 3, Qt::PartiallyChecked,
            "lock i.getVolumeRange i.setVolumeLeft(6) lock i.getVolumeRange i.setVolumeRight(6) "
            "unlock unlock",
            "12 dB");
        row("output unlinked", "playback_left", -20, Qt::Unchecked,
            "lock o.getVolumeRange o.setVolumeLeft(-10) o.getVolumeLeft unlock", "-10.0 dB");
        row("input first step", "record_right", 1, Qt::Unchecked,
            "lock i.getVolumeRange i.setVolumeRight(2.8) unlock", "0 dB");
        // The output's read-out shows what the device kept.
        row("output kept at -80 dB", "playback_left", -7, Qt::Unchecked,
            "lock o.getVolumeRange o.setVolumeLeft(-3.5) o.getVolumeLeft unlock", "-80.0 dB");
    }

    void slidersSendTheirLevelAndShowIt()
    {
        QFETCH(QString, side);
        QFETCH(int, position);
        QFETCH(int, link);
        QFETCH(QString, calls);
        MixerFixture f;
        const QString direction = side.startsWith('p') ? "playback" : "record";
        QCheckBox* linkBox = f.box("cb_" + direction + "_link");
        linkBox->setTristate(true);
        linkBox->setCheckState(Qt::CheckState(link));
        QCOMPARE(QAccessible::queryAccessibleInterface(linkBox)->state().checkStateMixed,
                 link == Qt::PartiallyChecked); // a screen reader tells "partly linked"
        f.slider(side)->setValue(position + 1);
        if (QTest::currentDataTag() == QLatin1String("output kept at -80 dB"))
            f.device("a")->output->keep = [](float) { return -80.0f; };
        f.library.log.clear();
        f.slider(side)->setValue(position);
        QCOMPARE(f.calls().join(' '), calls.replace("o.", "a.output.").replace("i.", "a.input."));
        QTEST(f.label(side)->text(), "label");
        const QString partner = side.endsWith("left") ? direction + "_right" : direction + "_left";
        QCOMPARE(f.slider(partner)->value(), link == Qt::Unchecked ? 0 : position);
    }

    void hostileRangesAndLevelsLeaveSaneWidgets_data()
    {
        QTest::addColumn<float>("minDb");
        QTest::addColumn<float>("maxDb");
        QTest::addColumn<float>("stepDb");
        QTest::addColumn<float>("levelDb");
        const float inf = std::numeric_limits<float>::infinity(), nan = qQNaN();
        QTest::newRow("step 0") << -96.0f << 0.0f << 0.0f << -20.0f;
        QTest::newRow("NaN range") << nan << nan << nan << -20.0f;
        QTest::newRow("infinite step and bounds") << -inf << inf << inf << -20.0f;
        QTest::newRow("tiny step, huge bounds") << -1e30f << 1e30f << 1e-30f << -20.0f;
        QTest::newRow("minimum above maximum") << 10.0f << -10.0f << 0.5f << -20.0f;
        QTest::newRow("level +inf") << -96.0f << 0.0f << 0.5f << inf;
        QTest::newRow("level -inf") << -96.0f << 0.0f << 0.5f << -inf;
        QTest::newRow("level NaN") << -96.0f << 0.0f << 0.5f << nan;
    }

    // No label shows NaN, infinity or a runaway number and every slider stands within its
    // limits; levels are shown, not written back; the level slots write a usable level or none.
    void hostileRangesAndLevelsLeaveSaneWidgets()
    {
        QFETCH(float, minDb);
        QFETCH(float, maxDb);
        QFETCH(float, stepDb);
        QFETCH(float, levelDb);
        FakeDeviceConfig config = fakeDevice("a");
        config.outputMin = config.inputMin = minDb;
        config.outputMax = config.inputMax = maxDb;
        config.outputStep = config.inputStep = stepDb;
        MixerFixture f({config});
        for (FakeEndpoint* endpoint : {f.device("a")->output.get(), f.device("a")->input.get()})
            endpoint->left = endpoint->right = levelDb;
        f.library.log.clear();
        f.window->VolumeChangedCallbackGUIHandle();
        const QString sides[] = {"playback_left", "playback_right", "record_left", "record_right"};
        const auto caseless = QRegularExpression::CaseInsensitiveOption;
        const auto verifySane = [&] {
            for (const QString& side : sides) {
                const QSlider* s = f.slider(side);
                const QString text = f.label(side)->text();
                QVERIFY2(s->minimum() <= s->value() && s->value() <= s->maximum() &&
                             !text.contains(QRegularExpression("nan|inf", caseless)) &&
                             text.size() <= 12,
                         qPrintable(side + ": " + text));
            }
        };
        verifySane();
        QCOMPARE(f.library.log.deviceCalls().filter(".set"), QStringList());
        for (const QString& side : sides) {
            QTest::keyClick(f.slider(side), Qt::Key_Up);
            QTest::keyClick(f.slider(side), Qt::Key_PageDown);
        }
        verifySane();
        const QString sent = f.library.log.deviceCalls().filter(".setVolume").join(' ');
        QVERIFY2(LevelScale::isUsableStep(stepDb) ? !sent.contains("nan)") && !sent.contains("inf)")
                                                  : sent.isEmpty(),
                 qPrintable(sent));
    }

    void checkBoxesSetOnlyTheirOwnByClickOrScreenReader_data()
    {
        QTest::addColumn<QString>("call");
        QTest::newRow("cb_playback_mute") << "a.output.setMute";
        QTest::newRow("cb_record_mute") << "a.input.setMute";
        QTest::newRow("cb_phantom_left") << "a.hid.setPhantomLeft";
        QTest::newRow("cb_phantom_right") << "a.hid.setPhantomRight";
        QTest::newRow("cb_loopback_left") << "a.hid.setLoopbackLeft";
        QTest::newRow("cb_loopback_right") << "a.hid.setLoopbackRight";
    }

    // A click and a screen reader's toggle reach the device; states set by code, and a screen
    // reader's toggle of a disabled box, do not. A box without an accessible name is read by its
    // text, without the mnemonic.
    void checkBoxesSetOnlyTheirOwnByClickOrScreenReader()
    {
        QFETCH(QString, call);
        MixerFixture f;
        QCheckBox* box = f.box(QTest::currentDataTag());
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(box);
        f.library.log.clear();
        box->click();
        reader->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        box->setChecked(true);
        box->setEnabled(false);
        reader->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(f.library.log.deviceCalls().filter(".set"),
                 QStringList({call + "(true)", call + "(false)"}));
        box->setAccessibleName(QString());
        box->setText("&Phantom && Left");
        QCOMPARE(reader->text(QAccessible::Name), "Phantom & Left");
    }

    // The 500 ms timer polls; the report comes from within the poll, nested under its lock. The
    // poll rests while the window cannot be seen and catches up when it shows again.
    void switchesChangedOnTheDeviceReachTheBoxesThroughThePoll()
    {
        MixerFixture f;
        f.window->show();
        FakeHid* hid = f.device("a")->hid.get();
        hid->phantomRight = hid->loopbackLeft = hid->changePending = true;
        f.library.log.clear();
        QTRY_VERIFY(f.box("cb_loopback_left")->isChecked());
        QCOMPARE(f.calls().mid(0, 7).join(' '),
                 "lock a.hid.poll lock a.hid.getPhantomLeft a.hid.getPhantomRight "
                 "a.hid.getLoopbackLeft a.hid.getLoopbackRight");
        QVERIFY(f.box("cb_phantom_right")->isChecked() && !f.box("cb_phantom_left")->isChecked());
        f.box("cb_loopback_right")->click();
        QVERIFY(hid->loopbackRight); // signals were unblocked again
        hid->loopbackRight = false;  // not reported: the poll compares the boxes with the device
        f.window->update_hid_controls();
        QVERIFY(!f.box("cb_loopback_right")->isChecked());
        for (const bool minimise : {true, false}) {
            minimise ? f.window->showMinimized() : f.window->hide();
            hid->phantomLeft = !hid->phantomLeft;
            hid->changePending = true;
            f.window->showNormal();
            QCOMPARE(f.box("cb_phantom_left")->isChecked(), hid->phantomLeft);
        }
    }

    // "Always on top" re-creates the shown window with the flag; the page keys step levels;
    // Ctrl+Q closes every window, a panel beside the mixer's too, which ends the program.
    void alwaysOnTopPageKeysAndQuit()
    {
        MixerFixture f;
        QWidget panel;
        panel.show();
        f.window->show();
        const Qt::WindowFlags before = f.window->windowFlags();
        for (const bool onTop : {true, false}) { // the window stays shown
            f.box("checkBox")->click();
            QCOMPARE(f.window->windowFlags(), onTop ? before | Qt::WindowStaysOnTopHint : before);
            QVERIFY(f.window->isVisible());
        }
        // The page keys move a level by 6 dB: 12 output steps of 0.5 dB, one input position.
        QTest::keyClick(f.slider("playback_left"), Qt::Key_PageDown);
        QCOMPARE(f.device("a")->output->left, -6.0f);
        QTest::keyClick(f.slider("record_left"), Qt::Key_PageUp);
        QCOMPARE(f.slider("record_left")->value(), 1);
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keyClick(f.slider("record_left"), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!f.window->isVisible() && !panel.isVisible());
    }

    void presetFileNamedAtStartWaitsForTheFirstDeviceWithSwitches()
    {
        MixerFixture f({fakeDevice("a", false), fakeDevice("b")}, {"a", "b"});
        f.window->loadPresetFileWhenReady(TARVIX_EXAMPLE_PRESET);
        QCoreApplication::processEvents();
        QVERIFY(!f.called(QStringLiteral("a.output.setVolume")));
        f.list()->setCurrentIndex(1);
        QTRY_COMPARE(f.device("b")->output->left, -20.5f);
        QVERIFY(f.box("cb_phantom_left")->isChecked());
        f.device("b")->output->left = 0.0f; // named while a device with switches is shown
        f.window->loadPresetFileWhenReady(TARVIX_EXAMPLE_PRESET);
        QTRY_COMPARE(f.device("b")->output->left, -20.5f);
    }

    // The listeners are withdrawn once, when the window detaches or else when it goes; news
    // still queued then, and the switch poll, reach no device.
    void destructionWithdrawsTheListenersUnlessDetached()
    {
        const QString withdrawal = "registerTarvixDeviceCallback lock "
                                   "a.hid.registerChangedCallback(null) "
                                   "a.input.registerCallback(null) "
                                   "a.output.registerCallback(null) unlock";
        for (const bool detachFirst : {false, true}) {
            MixerFixture f;
            f.library.log.clear();
            if (detachFirst) {
                f.window->detachFromLibrary();
                QCOMPARE(f.calls().join(' '), withdrawal);
                f.library.log.clear();
                f.window->VolumeChangedCallbackGUIHandle();
                f.window->update_hid_controls();
                f.window->setPlaybackVolumeLeft(-4);
                QCOMPARE(f.library.log.deviceCalls(), QStringList());
                f.library.log.clear();
            }
            f.window.reset();
            QCOMPARE(f.calls().join(' '), detachFirst ? QString() : withdrawal);
            QCOMPARE(f.library.deviceCallback, nullptr);
        }
    }
};

QTEST_MAIN(TestMixerWindow)
#include "tst_mixerwindow.moc"
