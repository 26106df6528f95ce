#include "simulatedcontrol.h"
#include "simulatedhardwarepanel.h"
#include "windowparts.h"

#include <QGroupBox>
#include <QLayout>
#include <QtTest>

#include <limits>

// The "Simulated hardware" window drives the simulator as a person at the device would, and the
// main window follows: switches through its poll, levels and hot-plug through notifications.
// Polls run every 500 ms; the waits leave room for sanitizer builds.
class TestSimulatedHardwarePanel : public QObject
{
    Q_OBJECT

private slots:
    void theWindowFollowsWhatIsDoneOnTheDevice()
    {
        SimulatedControl library;
        WindowParts window;
        window.window = std::make_unique<TarvixMixer>(&library);
        SimulatedHardwarePanel panel(library, window.window.get());
        QComboBox* list = window.list();
        QCheckBox* windowPhantom = window.box("cb_phantom_left");
        QLabel* windowReadOut = window.label("playback_left");
        QTRY_COMPARE(list->count(), 2);
        auto* duo = panel.findChild<QGroupBox*>("TVX-DUO-0001");
        QVERIFY(duo && list->currentData().toString() == duo->objectName());
        QCOMPARE(panel.layout()->count(), 2); // a row for each device
        const auto texts = [duo] {
            QStringList texts;
            for (const QLabel* label : duo->findChildren<QLabel*>())
                texts << label->text();
            return texts;
        };
        QVERIFY(texts().contains("Output") && texts().contains("Input")); // each endpoint's title

        duo->findChild<QCheckBox*>("phantom_left")->click();
        duo->findChild<QSlider*>("output_left")->setValue(-20);
        duo->findChild<QSlider*>("input_right")->setValue(3);
        QTRY_VERIFY_WITH_TIMEOUT(windowPhantom->isChecked(), 10000);
        QTRY_COMPARE(windowReadOut->text(), "-10.0 dB");
        QTRY_COMPARE(window.label("record_right")->text(), "12 dB");
        // What the window changes, the panel shows while it is shown.
        panel.show();
        QVERIFY(texts().contains("-10.0 / -20.0 dB"));
        window.box("cb_loopback_right")->click();
        QTRY_VERIFY(duo->findChild<QCheckBox*>("loopback_right")->isChecked());

        // Pulled out, the device leaves the list and its controls on the panel rest; plugged in
        // again, it comes back as it was left, with what the window changed since the panel's
        // last reading.
        window.slider("playback_left")->setValue(-30);
        auto* plugged = duo->findChild<QCheckBox*>("plugged");
        plugged->click();
        QTRY_COMPARE(list->count(), 1);
        plugged->click();
        QTRY_COMPARE(list->count(), 2);
        list->setCurrentIndex(list->findData(duo->objectName()));
        QTRY_VERIFY_WITH_TIMEOUT(windowPhantom->isChecked(), 10000);
        QTRY_COMPARE(windowReadOut->text(), "-15.0 dB");
    }

    void slidersWithoutAUsableStepStayDisabled()
    {
        SimulatedDeviceConfig odd = SimulatedDeviceConfig::solo();
        odd.output->stepDb = std::numeric_limits<float>::quiet_NaN();
        SimulatedControl library({odd});
        SimulatedHardwarePanel panel(library, nullptr);
        QVERIFY(!panel.findChild<QSlider*>("output_right")->isEnabled());
        QVERIFY(panel.findChild<QSlider*>("input_right")->isEnabled());
    }
};

QTEST_MAIN(TestSimulatedHardwarePanel)
#include "tst_simulatedhardwarepanel.moc"
