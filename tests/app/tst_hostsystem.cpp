#include "backendtable.h"
#include "hostsystem.h"
#include "mixerapplication.h"
#include "tarvixcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QtTest>

#include <memory>

// The real seam on this system and the backend table behind it, and the program's whole
// start-up through them.
class TestHostSystem : public QObject
{
    Q_OBJECT

private slots:
    void backendsAreChosenByNameOrByDefault()
    {
        HostSystem system;
        QVERIFY(system.windowsVersion() == 0x0080 || system.windowsVersion() == 0x0090);
        QCOMPARE(system.coInitialize(), 0L);
        QCOMPARE(BackendTable::defaultEntry(), BackendTable::find("simulator"));
        QVERIFY(!BackendTable::find("Simulator") && !BackendTable::find(""));
        // Every call makes a control of its own.
        std::unique_ptr<TarvixControl> first(system.createControl());
        std::unique_ptr<TarvixControl> second(HostSystem("simulator").createControl());
        QVERIFY(first && second && first != second);
        QCOMPARE(QByteArray(second->backendName()), QByteArray("Simulated devices"));
        QVERIFY(!HostSystem("no such backend").createControl());
    }

    void runsTheMixerWithTheDefaultLibrary()
    {
        HostSystem system;
        QStringList listed;
        QTimer watch;
        // Closes the mixer once it lists the devices that the library reports at start.
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* devices = window->findChild<QComboBox*>("combo_device_select");
                for (int i = 0; devices && i < devices->count(); ++i)
                    listed << devices->itemText(i);
                if (window->isVisible() && devices && devices->count() == 2)
                    window->close();
            }
        });
        watch.start(10);
        QTimer::singleShot(60000, &watch, [] { QCoreApplication::exit(-1); });
        QCOMPARE(runMixerApplication(system), 0);
        QCOMPARE(listed.mid(listed.size() - 2), (QStringList{"Tarvix Duo USB", "Tarvix Solo USB"}));
    }
};

QTEST_MAIN(TestHostSystem)
#include "tst_hostsystem.moc"
