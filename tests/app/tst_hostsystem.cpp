#include "hostsystem.h"
#include "mixerapplication.h"
#include "tarvixcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QtTest>

#include <memory>

// The real seam on this system, and the program's whole start-up through it with the default
// device library behind it.
class TestHostSystem : public QObject
{
    Q_OBJECT

private slots:
    void reportsASupportedSystemWithWorkingCom()
    {
        HostSystem system;
        QVERIFY(system.windowsVersion() == 0x0080 || system.windowsVersion() == 0x0090);
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(system.coInitialize(), 0L);
            system.coUninitialize();
        }
        // Every call makes a control of its own.
        std::unique_ptr<TarvixControl> first(system.createControl());
        std::unique_ptr<TarvixControl> second(system.createControl());
        QVERIFY(first && second && first != second);
    }

    void runsTheMixerWithTheDefaultLibrary()
    {
        HostSystem system;
        int devicesListed = 0;
        QTimer watch;
        // Closes the mixer once it lists the devices that the library reports at start.
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* devices =
                    window->findChild<QComboBox*>(QStringLiteral("combo_device_select"));
                if (window->isVisible() && devices && devices->count() > 0) {
                    devicesListed = devices->count();
                    window->close();
                }
            }
        });
        watch.start(10);
        QTimer::singleShot(60000, &watch, [] {
            qWarning("The mixer listed no device; stopping the event loop.");
            QCoreApplication::exit(-1);
        });

        QCOMPARE(runMixerApplication(system), 0);
        QVERIFY(devicesListed > 0);
    }
};

QTEST_MAIN(TestHostSystem)
#include "tst_hostsystem.moc"
