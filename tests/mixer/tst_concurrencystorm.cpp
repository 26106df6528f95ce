// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedcontrol.h"
#include "simulatordriver.h"
#include "windowtesting.h"

#include <atomic>
#include <map>
#include <random>
#include <thread>

namespace {

// 1,200 plug-and-unplug cycles and 220,000 changes made on the devices, half of them on a device
// that stays plugged. Sanitizer builds run several times slower and do half.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int size = 1;
#else
constexpr int size = 2;
#endif
constexpr int plugCycles = 600 * size;
constexpr int changesPerThread = 55000 * size;
constexpr int timeoutMs = 60000;

// True once the library has carried out and delivered everything and the window has handled
// what reached it, with nothing more arising from the handling. The window's notifications are
// counted on the GUI thread, through queued connections, so that no test code runs on the
// library's threads.
bool settle(SimulatedControl& library, TarvixMixer* window)
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

// What the window shows of the device: the device list and, by object name, whether each part
// is enabled, each slider's limits and value, each label's text and each box's tick. The links
// and the always-on-top box are the person's choice, and error boxes are windows of their own.
QString shownState(const WindowParts& mixer)
{
    QStringList state = mixer.ids();
    for (const QWidget* part : mixer.window->findChildren<QWidget*>()) {
        const QString name = part->objectName();
        if (name.isEmpty() || name.endsWith("_link") || name == "checkBox" ||
            part->window() != mixer.window.get())
            continue;
        state << name + (part->isEnabled() ? " on" : " off");
        if (const auto* slider = qobject_cast<const QSlider*>(part))
            state.last() += QString(" %1..%2 %3")
                                .arg(slider->minimum())
                                .arg(slider->maximum())
                                .arg(slider->value());
        else if (const auto* label = qobject_cast<const QLabel*>(part))
            state.last() += ' ' + label->text();
        else if (const auto* box = qobject_cast<const QCheckBox*>(part))
            state.last() += box->isChecked() ? " ticked" : "";
    }
    return state.join('\n');
}

} // namespace

// Plugging, unplugging and changes made elsewhere from several threads at once, carried out by
// the library's hardware thread and reported from its delivery thread, while the GUI thread
// keeps using the window and taking the library lock in its slots.
class TestConcurrencyStorm : public QObject
{
    Q_OBJECT

private slots:
    void stormKeepsEveryNotificationAndEndsInStep()
    {
        SimulatedControl library(SimulatorDriver::noDevices);
        WindowParts mixer;
        mixer.window = std::make_unique<TarvixMixer>(&library);
        TarvixMixer& window = *mixer.window;
        window.show();
        // Each device's notifications as handled on the GUI thread, and as asked for.
        std::map<std::string, QString> handled, issued;
        connect(
            &window, &TarvixMixer::TarvixDeviceCallbackGUI, this,
            [&handled](CallbackType type, const QString& id) {
                handled[id.toStdString()] += QLatin1Char(type >= 0 && type < 3 ? "arc"[type] : '?');
            },
            Qt::QueuedConnection);
        const char* const ids[] = {"steady", "A", "B", "\xCE\xA9-C"};
        std::vector<SimulatedDeviceConfig> devices(4, SimulatedDeviceConfig::duo());
        for (int i = 0; i < 4; ++i)
            devices[i].id = ids[i];
        devices[2].hid.reset(); // "B" has no switches
        std::atomic<int> running{3};
        std::thread plugging([&] {
            std::mt19937 random(7);
            bool present[4] = {};
            const auto toggle = [&](int i) {
                present[i] ? library.unplugDevice(devices[i].id) : library.plugDevice(devices[i]);
                issued[devices[i].id] += QLatin1Char(present[i] ? 'r' : 'a');
                present[i] = !present[i];
            };
            for (int step = -1; step < 2 * plugCycles; ++step) {
                toggle(step < 0 ? 0 : 1 + random() % 3);
                if (const int i = random() % 4; step % 5 == 0 && present[i]) {
                    library.sendDeviceChange(devices[i].id);
                    issued[devices[i].id] += QLatin1Char('c');
                }
                if (step % 4 == 0) // lets the GUI thread catch up now and then
                    SimulatorDriver::waitUntilDelivered(library, timeoutMs);
            }
            --running;
        });
        const auto change = [&](unsigned seed) {
            std::mt19937 random(seed);
            for (int i = 0; i < changesPerThread; ++i) {
                const std::string& id = devices[random() % 2 ? 0 : random() % 4].id;
                const auto kind = SimulatedEndpointKind(random() % 2);
                // Whole and half steps across each endpoint's range.
                const float level = kind == SimulatedEndpointKind::Output
                                        ? -0.5f * static_cast<float>(random() % 190)
                                        : 0.5f * static_cast<float>(random() % 41);
                const unsigned what = random() % 6;
                if (what == 0)
                    library.changeVolumeLeft(id, kind, level);
                else if (what == 1)
                    library.changeVolumeRight(id, kind, level);
                else if (what < 4)
                    library.changeMute(id, kind, random() % 2);
                else
                    library.changeSwitch(id, allSwitches[random() % 4], random() % 2);
                if (i % 256 == 0)
                    SimulatorDriver::waitUntilDelivered(library, timeoutMs);
            }
            --running;
        };
        std::thread changing[] = {std::thread(change, 100), std::thread(change, 101)};
        // The GUI thread moves sliders, clicks boxes and picks devices.
        const char* const names[] = {"vol_slider_playback_left", "vol_slider_record_right",
                                     "cb_playback_mute",         "cb_record_link",
                                     "cb_phantom_left",          "cb_loopback_right"};
        std::mt19937 random(1);
        while (running > 0 || !SimulatorDriver::waitUntilDelivered(library, 200)) {
            if (QWidget* target = mixer.get(names[random() % 6]); random() % 2)
                QTest::keyClick(target, random() % 2 ? Qt::Key_PageUp : Qt::Key_Down);
            else
                QTest::mouseClick(target, Qt::LeftButton);
            if (mixer.list()->count() > 0 && random() % 10 == 0)
                mixer.list()->setCurrentIndex(random() % mixer.list()->count());
            QCoreApplication::processEvents();
        }
        for (std::thread* thread : {&plugging, &changing[0], &changing[1]})
            thread->join();
        QVERIFY(settle(library, &window));

        // Every device notification reached the GUI thread once, per device in the order asked
        // for. The window ends in step with the library: it shows, after a poll of the switches,
        // what a window made now shows.
        QCOMPARE(handled, issued);
        window.update_hid_controls();
        const QString stormed = shownState(mixer);
        window.detachFromLibrary();
        WindowParts fresh;
        fresh.window = std::make_unique<TarvixMixer>(&library);
        QVERIFY(settle(library, fresh.window.get()));
        fresh.list()->setCurrentIndex(fresh.list()->findData(mixer.list()->currentData()));
        fresh.window->update_hid_controls();
        QCOMPARE(shownState(fresh), stormed);
        fresh.window->detachFromLibrary();
    }
};

QTEST_MAIN(TestConcurrencyStorm)
#include "tst_concurrencystorm.moc"
