// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostsystem.h"
#include "mixerapplication.h"
#include "recordinglibrary.h"
#include "startupfailure.h"
#include "tarvixcontrol.h"
#include "tarvixmixer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QErrorMessage>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

namespace {

struct LoggedLibrary : RecordingLibrary
{
    explicit LoggedLibrary(QStringList& log) : log(log) {}
    ~LoggedLibrary() override { log << "control deleted"; }
    QStringList& log;
};

// Records every call start-up and shutdown make into the system, in order, and whether a window
// was still there when COM was uninitialised.
struct FakeSystem : SystemServices
{
    FakeSystem(int version, long com, bool control) : version(version), com(com), control(control)
    {
    }
    int windowsVersion() const override { return version; }
    long coInitialize() override
    {
        log << "coInitialize";
        return com;
    }
    void coUninitialize() override
    {
        log << (QApplication::topLevelWidgets().isEmpty() ? "coUninitialize"
                                                          : "coUninitialize, window alive");
    }
    TarvixControl* createControl() override
    {
        log << "createControl";
        return control ? new LoggedLibrary(log) : nullptr;
    }

    const int version;
    const long com;
    const bool control;
    QStringList log;
};

} // namespace

// The program's start-up and shutdown, through a recording seam and through the real one.
class TestMixerApplication : public QObject
{
    Q_OBJECT

private slots:
    // Versions and COM results are written as the system reports them, not through the seam's
    // named constants, so that a wrong constant is caught too.
    void eachPathShowsOneWindowAndEndsInOrder_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<long>("com");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("how");   // how the shown window is closed
        QTest::addColumn<QString>("shown"); // class, modality, and an error box's texts
        QTest::addColumn<QString>("log");   // entries separated by '|'
        const QString dialog = "WindowsVersionErrorDialog|0", mixer = "TarvixMixer|0",
                      box = "QErrorMessage|0|TarvixMixer - Error|",
                      comBox = box + "Failed to initialize COM Library.",
                      ran = "coInitialize|createControl|control deleted|"
                            "coUninitialize, window alive|window destroyed";
        const auto row = [](const char* name, int version, long com, const char* how,
                            const QString& shown, const QString& log, bool control = true) {
            QTest::newRow(name) << version << com << control << QString(how) << shown << log;
        };
        row("XP, Close", 0x0030, 0, "button", dialog, "");
        row("8, exit 7", 0x00a0, 0, "exit", dialog, "");
        row("Vista, S_FALSE", 0x0080, 1, "close", mixer, ran);
        row("7, S_OK, exit 7", 0x0090, 0, "exit", mixer, ran);
        row("RPC_E_CHANGED_MODE", 0x0090, std::int32_t(0x80010106u), "close", comBox,
            "coInitialize");
        row("COM 2, exit 7", 0x0090, 2, "exit", comBox, "coInitialize");
        row("no control", 0x0090, 0, "close", box + "Failed to open the device library.",
            "coInitialize|createControl|coUninitialize", false);
    }

    // Runs the program until it shows something, closes that, and checks the calls made in order.
    // A watchdog ends a loop the code under test fails to end (result -1).
    void eachPathShowsOneWindowAndEndsInOrder()
    {
        QFETCH(int, version);
        QFETCH(long, com);
        QFETCH(bool, control);
        QFETCH(QString, how);
        FakeSystem system(version, com, control);
        QStringList shown;
        QObject timers;
        QTimer::singleShot(60000, &timers, [] { QCoreApplication::exit(-1); });
        QTimer::singleShot(0, &timers, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (!window->isVisible())
                    continue;
                shown << window->metaObject()->className() << QString::number(window->isModal());
                if (qobject_cast<TarvixMixer*>(window))
                    connect(window, &QObject::destroyed, [&] { system.log << "window destroyed"; });
                if (auto* box = qobject_cast<QErrorMessage*>(window))
                    shown << box->windowTitle() << box->findChild<QTextEdit*>()->toPlainText();
                if (how == "exit")
                    QCoreApplication::exit(7);
                else if (how == "button")
                    window->findChild<QDialogButtonBox*>()
                        ->button(QDialogButtonBox::Close)
                        ->click();
                else
                    window->close();
            }
        });
        // Without its device library the program has failed, whatever ended the loop.
        QCOMPARE(runMixerApplication(system), !control ? 1 : how == "exit" ? 7 : 0);
        QTEST(shown.join('|'), "shown");
        QTEST(system.log.join('|'), "log");
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // A start-up failure shows in the error box only for a program whose standard error nobody
    // reads and whose window system a person can see; the box runs until it is closed.
    void startupFailureIsShownWhereNobodyReadsStandardError()
    {
        if (::isatty(STDERR_FILENO))
            QSKIP("Standard error is a terminal: the box is never wanted.");
        qputenv("DISPLAY", ":9");
        qputenv("WAYLAND_DISPLAY", "");
        QVERIFY(StartupFailure::wantsBox("xcb") && !StartupFailure::wantsBox("wayland") &&
                !StartupFailure::wantsBox("offscreen"));
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QErrorMessage*>(window); box && box->isVisible()) {
                    shown = box->windowTitle() + "|" + box->findChild<QTextEdit*>()->toPlainText();
                    box->close();
                }
            }
        });
        QCOMPARE(StartupFailure::showBox("Cannot open preset file 'a': No such file.", 1), 1);
        QCOMPARE(shown, "TarvixMixer - Error|Cannot open preset file 'a': No such file.");
    }

    // The real seam, with the backend left to its default on a system without sound cards, runs
    // the mixer on the simulator, and the window's companions with it. Backends are found by
    // their exact name only.
    void runsTheMixerWithTheDefaultLibrary()
    {
        qputenv("TARVIX_ALSA_DEVICE_DIR", "/nonexistent");
        QVERIFY(!HostSystem("Simulator").createControl());
        HostSystem system;
        QString backend;
        const auto companion = [&backend](TarvixMixer& window, TarvixControl& control) {
            backend = control.backendName();
            QTimer::singleShot(0, &window, &QWidget::close);
            return std::make_unique<QObject>();
        };
        QCOMPARE(runMixerApplication(system, companion), 0);
        QCOMPARE(backend, "Simulated devices");
    }
};

QTEST_MAIN(TestMixerApplication)
#include "tst_mixerapplication.moc"
