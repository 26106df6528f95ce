#include "simulatedcontrol.h"
#include "simulatedhardwarepanel.h"
#include "tarvixmixer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QtTest>

// The "Simulated hardware" window drives the simulator as a person at the device would, and the
// main window follows: switches through its poll, levels and hot-plug through notifications.
class TestSimulatedHardwarePanel : public QObject
{
    Q_OBJECT

private slots:
    void theWindowFollowsWhatIsDoneOnTheDevice()
    {
        constexpr int timeoutMs = 10000; // polls run every 500 ms; room for sanitizer builds
        SimulatedControl library;
        TarvixMixer window(&library);
        SimulatedHardwarePanel panel(library, &window);
        auto* list = window.findChild<QComboBox*>(QStringLiteral("combo_device_select"));
        auto* windowPhantom = window.findChild<QCheckBox*>(QStringLiteral("cb_phantom_left"));
        auto* windowReadOut = window.findChild<QLabel*>(QStringLiteral("vol_label_playback_left"));
        QTRY_COMPARE(list->count(), 2);
        auto* duo = panel.findChild<QGroupBox*>(QStringLiteral("TVX-DUO-0001"));
        QVERIFY(duo && list->currentData().toString() == duo->objectName());

        duo->findChild<QCheckBox*>(QStringLiteral("phantom_left"))->click();
        duo->findChild<QSlider*>(QStringLiteral("output_left"))->setValue(-20);
        QTRY_VERIFY_WITH_TIMEOUT(windowPhantom->isChecked(), timeoutMs);
        QTRY_COMPARE(windowReadOut->text(), QStringLiteral("-10.0 dB"));

        // Pulled out, the device leaves the list and its controls on the panel rest; plugged in
        // again, it comes back as it was left.
        auto* plugged = duo->findChild<QCheckBox*>(QStringLiteral("plugged"));
        plugged->click();
        QTRY_COMPARE(list->count(), 1);
        plugged->click();
        QTRY_COMPARE(list->count(), 2);
        list->setCurrentIndex(list->findData(duo->objectName()));
        QTRY_VERIFY_WITH_TIMEOUT(windowPhantom->isChecked(), timeoutMs);
        QTRY_COMPARE(windowReadOut->text(), QStringLiteral("-10.0 dB"));
    }
};

QTEST_MAIN(TestSimulatedHardwarePanel)
#include "tst_simulatedhardwarepanel.moc"
