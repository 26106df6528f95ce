#include "hostsystem.h"
#include "mixerapplication.h"
#include "tarvixcontrol.h"
#include "tarvixmixer.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QtTest>

#include <memory>

// The real seam on this system, and the program's whole start-up path through it with the
// default device library behind it.
class TestHostSystem : public QObject
{
    Q_OBJECT

private slots:
    void passesTheVersionGate();
    void comStandInSucceedsEveryTime();
    void suppliesAControlOfTheDeviceLibrary();
    void runsTheMixerWithTheDefaultLibrary();
};

void TestHostSystem::passesTheVersionGate()
{
    const HostSystem system;
    const int version = system.windowsVersion();
    QVERIFY(version == SystemServices::WindowsVista || version == SystemServices::Windows7);
}

void TestHostSystem::comStandInSucceedsEveryTime()
{
    HostSystem system;
    QCOMPARE(system.coInitialize(), SystemServices::ComOk);
    system.coUninitialize();
    QCOMPARE(system.coInitialize(), SystemServices::ComOk);
    system.coUninitialize();
}

void TestHostSystem::suppliesAControlOfTheDeviceLibrary()
{
    HostSystem system;
    std::unique_ptr<TarvixControl> first(system.createControl());
    QVERIFY(first);
    QVERIFY(first->backendName());
    QVERIFY(qstrlen(first->backendName()) > 0);
    first->lock();
    first->lock();
    first->unlock();
    first->unlock();
    // Every call makes a control of its own.
    std::unique_ptr<TarvixControl> second(system.createControl());
    QVERIFY(second);
    QVERIFY(second.get() != first.get());
}

void TestHostSystem::runsTheMixerWithTheDefaultLibrary()
{
    HostSystem system;
    int devicesListed = 0;
    QTimer watch;
    // Closes the mixer once it lists the devices that the library reports at start.
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<TarvixMixer*>(widget);
            if (!window || !window->isVisible())
                continue;
            auto* devices = window->findChild<QComboBox*>(QStringLiteral("combo_device_select"));
            if (devices && devices->count() > 0) {
                devicesListed = devices->count();
                window->close();
            }
        }
    });
    watch.start(10);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        qWarning("The mixer listed no device; stopping the event loop.");
        QCoreApplication::exit(-1);
    });
    watchdog.start(60000);

    QCOMPARE(runMixerApplication(system), 0);
    QVERIFY(devicesListed > 0);
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TarvixMixer*>(widget));
}

QTEST_MAIN(TestHostSystem)
#include "tst_hostsystem.moc"
