#pragma once

// What the window tests share: widget lookup, scripted file dialogs, the window around the
// recording fake library, and the "window shows the library" checks for the simulated one.
// Everything here runs on the GUI thread.

#include "levellabels.h"
#include "levelscale.h"
#include "presetfiledialogs.h"
#include "recordinglibrary.h"
#include "simulatedcontrol.h"
#include "simulatordriver.h"
#include "tarvixmixer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

template <typename T = QWidget> T* widget(const QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no widget %s", qPrintable(name));
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
        ids.append(deviceList(window)->itemData(i).toString());
    return ids;
}

inline QString currentId(const QWidget* window)
{
    return deviceList(window)->currentData().toString();
}

// Answers the preset commands' file dialogs and records how they were asked.
class ScriptedDialogs : public PresetFileDialogs
{
public:
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override
    {
        return answer({"save", parent->objectName(), caption, directory, filter});
    }
    QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter) override
    {
        return answer({"open", parent->objectName(), caption, directory, filter});
    }

    QString fileName;
    std::function<void()> whileOpen; // runs while the dialog is "open"
    QStringList asked;

private:
    QString answer(const QStringList& question)
    {
        asked.append(question.join('|'));
        if (whileOpen)
            whileOpen();
        return fileName;
    }
};

// A window built around a recording fake library.
class MixerFixture
{
public:
    ~MixerFixture() { window.reset(); }

    // Plugs the devices, has the library report `arrivalsOnRegister` from within the
    // registration, and builds the window.
    TarvixMixer* open(const QList<FakeDeviceConfig>& devices = {},
                      const QList<QByteArray>& arrivalsOnRegister = {})
    {
        for (const FakeDeviceConfig& config : devices)
            library.plug(config);
        library.arrivalsOnRegister = arrivalsOnRegister;
        window = std::make_unique<TarvixMixer>(&library);
        return window.get();
    }

    QSlider* slider(const QString& name) const { return widget<QSlider>(window.get(), name); }
    QLabel* label(const QString& name) const { return widget<QLabel>(window.get(), name); }
    QCheckBox* box(const QString& name) const { return widget<QCheckBox>(window.get(), name); }
    FakeDevice* device(const char* id) const { return library.device(id); }
    QStringList ids() const { return itemIds(window.get()); }

    RecordingLibrary library;
    std::unique_ptr<TarvixMixer> window;
};

inline FakeDeviceConfig fakeDevice(const QByteArray& id, bool hid = true, bool input = true,
                                   bool output = true)
{
    FakeDeviceConfig config;
    config.id = id;
    config.name = "Device " + id;
    config.hasHid = hid;
    config.hasInput = input;
    config.hasOutput = output;
    return config;
}

// True once the library has carried out and delivered everything and the window has handled
// what reached it, with nothing more arising from the handling. The window's notifications are
// counted on the GUI thread, through queued connections, so that no test code runs on the
// library's threads.
inline bool settle(SimulatedControl& library, TarvixMixer* window, int timeoutMs)
{
    QObject counter;
    int notified = 0;
    const auto count = [&notified] { ++notified; };
    QObject::connect(window, &TarvixMixer::TarvixDeviceCallbackGUI, &counter, count,
                     Qt::QueuedConnection);
    QObject::connect(window, &TarvixMixer::VolumeChangedCallbackGUI, &counter, count,
                     Qt::QueuedConnection);
    for (int round = 0; round < 50; ++round) {
        if (!SimulatorDriver::waitUntilDelivered(library, timeoutMs))
            return false;
        const int before = notified;
        QCoreApplication::sendPostedEvents();
        if (notified == before)
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
        expected.append(QString::fromStdString(present.id + " / " + present.name));
    for (int i = 0; i < deviceList(window)->count(); ++i)
        shown.append(deviceList(window)->itemData(i).toString() + " / " +
                     deviceList(window)->itemText(i));
    QCOMPARE(shown, expected);

    TarvixDevice* device = library.getDevice(currentId(window).toUtf8().constData());
    QCOMPARE(device == nullptr, expected.isEmpty());
    const bool hasHid = device && device->hid;
    for (const char* name : {"gb_playback", "gb_record"})
        QCOMPARE(widget(window, name)->isEnabled(), device != nullptr);
    for (const char* name : {"gb_hid_control", "StoreButton", "LoadButton"})
        QCOMPARE(widget(window, name)->isEnabled(), hasHid);
    if (!device)
        return;
    for (const bool output : {true, false}) {
        TarvixMixerDevice* endpoint = output ? device->output : device->input;
        float minDb = 0.0f, maxDb = 0.0f, stepDb = 0.0f;
        endpoint->getVolumeRange(&minDb, &maxDb, &stepDb);
        const int lowest =
            LevelScale::positionForLevel(output ? LevelScale::kOutputFloorDb : minDb, stepDb);
        const int highest = LevelScale::positionForLevel(maxDb, stepDb);
        const QString prefix = output ? "playback_" : "record_";
        for (const bool left : {true, false}) {
            const float level = left ? endpoint->getVolumeLeft() : endpoint->getVolumeRight();
            const QString side = prefix + (left ? "left" : "right");
            const QSlider* slider = widget<QSlider>(window, "vol_slider_" + side);
            QCOMPARE(slider->minimum(), lowest);
            QCOMPARE(slider->maximum(), highest);
            QVERIFY2(slider->value() ==
                         std::clamp(LevelScale::positionForLevel(level, stepDb), lowest, highest),
                     qPrintable(side + " for " + QString::number(level) + " dB"));
            QCOMPARE(widget<QLabel>(window, "vol_label_" + side)->text(),
                     output ? LevelLabels::outputRefreshText(level)
                            : LevelLabels::inputRefreshText(level, stepDb));
        }
        QCOMPARE(widget<QCheckBox>(window, "cb_" + prefix + "mute")->isChecked(),
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
    TarvixHID* hid = device->hid;
    const auto shows = [window](const char* name, bool on) {
        return widget<QCheckBox>(window, name)->isChecked() == on;
    };
    return shows("cb_phantom_left", hid->getPhantomLeft()) &&
           shows("cb_phantom_right", hid->getPhantomRight()) &&
           shows("cb_loopback_left", hid->getLoopbackLeft()) &&
           shows("cb_loopback_right", hid->getLoopbackRight());
}
