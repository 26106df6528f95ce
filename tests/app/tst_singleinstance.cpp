// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDialog>
#include <QErrorMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// One window per session bus and backend options, on a bus of the test's own: the test owns the
// name as a running panel would, and starts the program as a second start would.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    static QString name(const QStringList& options) { return SingleInstance::serviceName(options); }

    // Starts the program in `folder` with `arguments` and the launcher's activation token.
    static void start(QProcess& program, const QString& folder, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("token-1"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(folder);
        program.start(QStringLiteral(TARVIXMIXER_PATH), arguments);
    }

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("No session bus: run under dbus-run-session.");
    }

    // A second start with the same options hands its file over as a whole path, with its
    // activation token, and ends; one with other options claims a name of its own.
    void aSecondStartHandsOverToTheFirst()
    {
        SingleInstance first(name({"backend=simulator"}));
        QCOMPARE(first.claim(), SingleInstance::Claim::Owned);
        QSignalSpy requests(&first, &SingleInstance::requested);
        QTemporaryDir folder;
        QFile preset(folder.filePath("studio.tarvix"));
        QVERIFY(preset.open(QIODevice::WriteOnly) && preset.write("<Tarvix/>") > 0);
        QProcess second;
        start(second, folder.path(), {"--backend", "simulator", "studio.tarvix"});
        QSignalSpy finished(&second, &QProcess::finished);
        QVERIFY(finished.wait(60000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(requests.size(), 1);
        QCOMPARE(requests.takeFirst(), (QVariantList{preset.fileName(), "token-1"}));

        QProcess other;
        start(other, folder.path(), {"--backend", "simulator", "--simulator-panel"});
        const QString otherName = name({"backend=simulator", "simulator-panel"});
        QVERIFY(otherName != name({"backend=simulator"}) && otherName != name({}));
        QTRY_VERIFY_WITH_TIMEOUT(
            QDBusConnection::sessionBus().interface()->isServiceRegistered(otherName), 60000);
        QVERIFY(SingleInstance::handOver(QDBusConnection::sessionBus(), otherName, "", ""));
        other.kill();
        other.waitForFinished();
        QCOMPARE(requests.size(), 0);
    }

    // A request waits while an error box or a modal dialog is open, and only a whole path is a
    // file to load.
    void aRequestWaitsForOpenBoxes()
    {
        SingleInstance instance(name({"backend=test"}));
        QSignalSpy requests(&instance, &SingleInstance::requested);
        QErrorMessage box;
        box.showMessage("busy");
        QDialog dialog;
        dialog.setModal(true);
        dialog.show();
        instance.Open("/presets/a.tarvix", "");
        instance.Open("relative.tarvix", "t");
        for (QWidget* open : std::initializer_list<QWidget*>{&box, &dialog}) {
            QCoreApplication::processEvents();
            QCOMPARE(requests.size(), 0);
            open->close();
        }
        QTRY_COMPARE(requests.size(), 2);
        QCOMPARE(requests[0], (QVariantList{"/presets/a.tarvix", ""}));
        QCOMPARE(requests[1], (QVariantList{"", "t"}));
    }

    void withoutABusEachStartRunsAlone()
    {
        const QDBusConnection none = QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none"));
        QCOMPARE(SingleInstance(name({})).claim(none), SingleInstance::Claim::NoBus);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
