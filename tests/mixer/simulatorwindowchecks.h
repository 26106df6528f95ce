#pragma once

// Widget lookup, user input and the "window shows the library" checks shared by the tests that
// drive the window through the simulated library.

#include "levellabels.h"
#include "levelscale.h"
#include "simulatedcontrol.h"
#include "simulatordriver.h"
#include "tarvixdevice.h"
#include "tarvixhid.h"
#include "tarvixmixer.h"
#include "tarvixmixerdevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <memory>

namespace SimulatorWindow {

template <typename T> T* widget(const QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

inline QComboBox* deviceList(const QWidget* window)
{
    return widget<QComboBox>(window, "combo_device_select");
}

inline QStringList itemIds(const QWidget* window)
{
    QStringList ids;
    for (int i = 0; i < deviceList(window)->count(); ++i)
        ids.append(deviceList(window)->itemData(i, Qt::UserRole).toString());
    return ids;
}

inline QString currentId(const QWidget* window)
{
    return deviceList(window)->currentData(Qt::UserRole).toString();
}

// Clicks a check box on its indicator, as a user would.
inline void clickBox(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

// True once the library has carried out and delivered everything and the window has handled
// what reached it, with nothing more arising from the handling.
inline bool settle(SimulatedControl& library, TarvixMixer* window, int timeoutMs)
{
    const auto notified = std::make_shared<std::atomic<int>>(0);
    const auto count = [notified] { ++*notified; };
    const QMetaObject::Connection connections[] = {
        QObject::connect(window, &TarvixMixer::TarvixDeviceCallbackGUI, count),
        QObject::connect(window, &TarvixMixer::VolumeChangedCallbackGUI, count)};
    const auto disconnect = qScopeGuard([&connections] {
        for (const QMetaObject::Connection& connection : connections)
            QObject::disconnect(connection);
    });
    for (int round = 0; round < 50; ++round) {
        const int before = *notified;
        if (!SimulatorDriver::waitUntilDelivered(library, timeoutMs))
            return false;
        QCoreApplication::sendPostedEvents();
        if (!SimulatorDriver::waitUntilDelivered(library, timeoutMs))
            return false;
        if (*notified == before)
            return true;
    }
    return false;
}

// The list holds the present devices in order, by id and name, and the groups, sliders, labels
// and mute boxes show the current device (or are disabled when there is none). Usable steps only.
inline void verifyWindowShowsLibrary(const QWidget* window, SimulatedControl& library)
{
    library.lock();
    const auto unlock = qScopeGuard([&] { library.unlock(); });
    QStringList shown, expected;
    for (const SimulatedDeviceConfig& present : library.presentDevices())
        expected.append(QString::fromStdString(present.id) + " / " +
                        QString::fromStdString(present.name));
    for (int i = 0; i < deviceList(window)->count(); ++i)
        shown.append(deviceList(window)->itemData(i).toString() + " / " +
                     deviceList(window)->itemText(i));
    QCOMPARE(shown, expected);

    TarvixDevice* device = library.getDevice(currentId(window).toUtf8().constData());
    QCOMPARE(device == nullptr, expected.isEmpty());
    const bool hasHid = device && device->hid;
    for (const char* name : {"gb_playback", "gb_record"})
        QCOMPARE(widget<QGroupBox>(window, name)->isEnabled(), device != nullptr);
    QCOMPARE(widget<QGroupBox>(window, "gb_hid_control")->isEnabled(), hasHid);
    QCOMPARE(widget<QPushButton>(window, "StoreButton")->isEnabled(), hasHid);
    QCOMPARE(widget<QPushButton>(window, "LoadButton")->isEnabled(), hasHid);
    if (!device)
        return;
    for (const bool output : {true, false}) {
        TarvixMixerDevice* endpoint = output ? device->output : device->input;
        float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
        endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
        const int lowest =
            LevelScale::positionForLevel(output ? LevelScale::kOutputFloorDb : minDb, stepDb);
        const int highest = LevelScale::positionForLevel(maxDb, stepDb);
        const QString prefix = output ? QStringLiteral("playback_") : QStringLiteral("record_");
        for (const bool left : {true, false}) {
            const float level = left ? endpoint->getVolumeLeft() : endpoint->getVolumeRight();
            const QString side = prefix + (left ? "left" : "right");
            const QSlider* slider =
                widget<QSlider>(window, qPrintable(QStringLiteral("vol_slider_") + side));
            QCOMPARE(slider->minimum(), lowest);
            QCOMPARE(slider->maximum(), highest);
            QVERIFY2(slider->value() ==
                         std::clamp(LevelScale::positionForLevel(level, stepDb), lowest, highest),
                     qPrintable(side + " for " + QString::number(level) + " dB"));
            QCOMPARE(
                widget<QLabel>(window, qPrintable(QStringLiteral("vol_label_") + side))->text(),
                output ? LevelLabels::outputRefreshText(level)
                       : LevelLabels::inputRefreshText(level, stepDb));
        }
        QCOMPARE(widget<QCheckBox>(window, qPrintable(QStringLiteral("cb_%1mute").arg(prefix)))
                     ->isChecked(),
                 endpoint->getMute());
    }
}

// The switch boxes show the current device's switches; true without a HID interface.
inline bool switchesShowDevice(const QWidget* window, SimulatedControl& library)
{
    library.lock();
    const auto unlock = qScopeGuard([&] { library.unlock(); });
    TarvixDevice* device = library.getDevice(currentId(window).toUtf8().constData());
    if (!device || !device->hid)
        return true;
    const auto shows = [window](const char* name, bool on) {
        return widget<QCheckBox>(window, name)->isChecked() == on;
    };
    return shows("cb_phantom_left", device->hid->getPhantomLeft()) &&
           shows("cb_phantom_right", device->hid->getPhantomRight()) &&
           shows("cb_loopback_left", device->hid->getLoopbackLeft()) &&
           shows("cb_loopback_right", device->hid->getLoopbackRight());
}

} // namespace SimulatorWindow
