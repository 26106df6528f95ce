// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedcontrol.h"
#include "simulatedhardwarepanel.h"
#include "simulatordriver.h"
#include "tarvixmixerdevice.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QtTest>

#include <limits>

// The "Simulated hardware" window drives the simulator as a person at the device would, reads
// the devices back while it is shown, and plugs a device in again as it was left. How the main
// window follows a device, the window's own tests check.
class TestSimulatedHardwarePanel : public QObject
{
    Q_OBJECT

private slots:
    void thePanelActsOnTheDeviceAndShowsIt()
    {
        SimulatedControl library;
        SimulatedHardwarePanel panel(library, nullptr);
        auto* duo = panel.findChild<QGroupBox*>("TVX-DUO-0001");
        QVERIFY(duo);
        const auto device = [&library] { return library.getDevice("TVX-DUO-0001"); };
        duo->findChild<QCheckBox*>("phantom_left")->click();
        duo->findChild<QSlider*>("output_left")->setValue(-20);
        duo->findChild<QSlider*>("input_right")->setValue(3);
        QVERIFY(SimulatorDriver::waitUntilDelivered(library));
        QVERIFY(device()->hid->getPhantomLeft());
        QCOMPARE(device()->output->getVolumeLeft(), -10.0f);
        QCOMPARE(device()->input->getVolumeRight(), 3 * SimulatedDeviceConfig::duo().input->stepDb);

        // What is changed elsewhere, the panel shows while it is shown.
        panel.show();
        const auto texts = [duo] {
            QStringList texts;
            for (const QLabel* label : duo->findChildren<QLabel*>())
                texts << label->text();
            return texts;
        };
        QVERIFY(texts().contains("-10.0 / -20.0 dB"));
        library.changeSwitch("TVX-DUO-0001", TarvixHID::Switch::LoopbackRight, true);
        QTRY_VERIFY(duo->findChild<QCheckBox*>("loopback_right")->isChecked());

        // Pulled out, its controls rest; plugged in again, it comes back as it was left, with
        // what was changed while the panel was hidden and read nothing.
        panel.hide();
        library.changeVolumeLeft("TVX-DUO-0001", SimulatedEndpointKind::Output, -15.0f);
        QVERIFY(SimulatorDriver::waitUntilDelivered(library));
        auto* plugged = duo->findChild<QCheckBox*>("plugged");
        plugged->click();
        QVERIFY(SimulatorDriver::waitUntilDelivered(library) && !device());
        panel.show();
        QVERIFY(!duo->findChild<QSlider*>("output_left")->isEnabled());
        plugged->click();
        QVERIFY(SimulatorDriver::waitUntilDelivered(library) && device());
        QVERIFY(device()->hid->getPhantomLeft() && device()->hid->getLoopbackRight());
        QCOMPARE(device()->output->getVolumeLeft(), -15.0f);
    }

    void slidersWithoutAUsableStepStayDisabled()
    {
        SimulatedDeviceConfig odd = SimulatedDeviceConfig::solo();
        odd.output->stepDb = std::numeric_limits<float>::quiet_NaN();
        SimulatedControl library({odd});
        SimulatedHardwarePanel panel(library, nullptr);
        QVERIFY(!panel.findChild<QSlider*>("output_left")->isEnabled());
        QVERIFY(!panel.findChild<QSlider*>("output_right")->isEnabled());
        QVERIFY(panel.findChild<QSlider*>("input_right")->isEnabled());
    }
};

QTEST_MAIN(TestSimulatedHardwarePanel)
#include "tst_simulatedhardwarepanel.moc"
