#pragma once

// What the window tests share: scripted file dialogs, the window around the recording fake
// library, and the "window shows the library" check for the simulated one.
// Everything here runs on the GUI thread.

#include "levellabels.h"
#include "levelscale.h"
#include "presetfiledialogs.h"
#include "recordinglibrary.h"
#include "simulatedcontrol.h"
#include "simulatordriver.h"
#include "windowparts.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

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

inline FakeDeviceConfig fakeDevice(const QByteArray& id, bool hid = true, bool input = true,
                                   bool output = true)
{
    return {id, "Device " + id, hid, input, output};
}

// A window built around a recording fake library that holds `devices` and reports the arrival
// of `arrivalsOnRegister` from within the registration.
struct MixerFixture : WindowParts
{
    explicit MixerFixture(const QList<FakeDeviceConfig>& devices = {fakeDevice("a")},
                          const QList<QByteArray>& arrivalsOnRegister = {"a"})
    {
        for (const FakeDeviceConfig& config : devices)
            library.plug(config);
        library.arrivalsOnRegister = arrivalsOnRegister;
        window = std::make_unique<TarvixMixer>(&library);
    }
    ~MixerFixture() { window.reset(); }

    FakeDevice* device(const char* id) const { return library.device(id); }
    QStringList calls() const { return library.log.calls(); }
    bool called(const QString& prefix) const { return library.log.contains(prefix); }

    RecordingLibrary library;
};

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

// What differs between the window and the library, empty when none does: the list holds the
// present devices in order, by id and name; the groups, sliders, labels, mute and switch boxes show
// the current device (or are disabled when there is none). Usable steps only.
inline QString differenceFromLibrary(const QWidget* window, SimulatedControl& library)
{
    library.lock();
    const auto unlock = qScopeGuard([&] { library.unlock(); });
    QStringList differences, shown, expected;
    for (const SimulatedDeviceConfig& present : library.presentDevices())
        expected.append(QString::fromStdString(present.id + " / " + present.name));
    for (int i = 0; i < deviceList(window)->count(); ++i)
        shown.append(itemIds(window).at(i) + " / " + deviceList(window)->itemText(i));
    if (shown != expected)
        differences.append("list " + shown.join(", "));
    const auto expect = [&](const QString& name, const char* property, const QVariant& value) {
        const QVariant actual = widget(window, name)->property(property);
        if (actual != value)
            differences.append(name + '.' + property + ' ' + actual.toString());
    };
    TarvixDevice* device = library.getDevice(currentId(window).toUtf8().constData());
    for (const char* name : {"gb_playback", "gb_record"})
        expect(name, "enabled", device != nullptr);
    for (const char* name : {"gb_hid_control", "StoreButton", "LoadButton"})
        expect(name, "enabled", device && device->hid);
    for (int i = 0; device && i < 2; ++i) {
        const bool output = i == 0;
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
            const int position = LevelScale::positionForLevel(level, stepDb);
            expect("vol_slider_" + side, "minimum", lowest);
            expect("vol_slider_" + side, "maximum", highest);
            expect("vol_slider_" + side, "value", std::clamp(position, lowest, highest));
            expect("vol_label_" + side, "text",
                   output ? LevelLabels::outputRefreshText(level)
                          : LevelLabels::inputRefreshText(level, stepDb));
        }
        expect("cb_" + prefix + "mute", "checked", endpoint->getMute());
    }
    if (TarvixHID* hid = device ? device->hid : nullptr) { // shown once the next poll read them
        expect("cb_phantom_left", "checked", hid->getPhantomLeft());
        expect("cb_phantom_right", "checked", hid->getPhantomRight());
        expect("cb_loopback_left", "checked", hid->getLoopbackLeft());
        expect("cb_loopback_right", "checked", hid->getLoopbackRight());
    }
    return differences.join("; ");
}
