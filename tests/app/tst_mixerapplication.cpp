#include "mixerapplication.h"
#include "recordinglibrary.h"
#include "systemservices.h"
#include "tarvixmixer.h"
#include "windowsversionerrordialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QErrorMessage>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <algorithm>

namespace {

// Records every call start-up and shutdown make into the system, and the window's end, in order.
class FakeSystem : public SystemServices
{
public:
    FakeSystem(int version, long comResult, bool supplyControl)
        : version(version), comResult(comResult), supplyControl(supplyControl)
    {
    }
    int windowsVersion() const override { return version; }
    long coInitialize() override
    {
        log << "coInitialize";
        return comResult;
    }
    void coUninitialize() override
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        const bool windowAlive = std::any_of(windows.begin(), windows.end(), [](QWidget* window) {
            return qobject_cast<TarvixMixer*>(window) != nullptr;
        });
        log << (windowAlive ? "coUninitialize, window alive" : "coUninitialize");
    }
    TarvixControl* createControl() override
    {
        log << "createControl";
        return supplyControl ? new LoggedLibrary(log) : nullptr;
    }

    const int version;
    const long comResult;
    const bool supplyControl;
    QStringList log;

private:
    struct LoggedLibrary : RecordingLibrary
    {
        explicit LoggedLibrary(QStringList& log) : log(log) {}
        ~LoggedLibrary() override { log << "control deleted"; }
        QStringList& log;
    };
};

} // namespace

// Versions and COM results are written as the system reports them, not through the seam's
// named constants, so that a wrong constant is caught too.
class TestMixerApplication : public QObject
{
    Q_OBJECT

private slots:
    void eachPathShowsOneWindowAndEndsInOrder_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<long>("comResult");
        QTest::addColumn<bool>("supplyControl");
        QTest::addColumn<QString>("how"); // how the shown window is closed
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("expectedLog");
        const QString dialog = "WindowsVersionErrorDialog", box = "QErrorMessage";
        const QStringList ran{"coInitialize", "createControl", "control deleted",
                              "coUninitialize, window alive", "window destroyed"};
        const auto row = [](const char* name, int version, long com, const char* how,
                            const QString& shown, const QStringList& log, bool control = true) {
            QTest::newRow(name) << version << com << control << QString(how) << shown << log;
        };
        row("XP, Close", 0x0030, 0, "button", dialog, {});
        row("2003, Escape", 0x0040, 0, "escape", dialog, {});
        row("above Vista", 0x0081, 0, "close", dialog, {});
        row("below 7", 0x008f, 0, "close", dialog, {});
        row("8, exit 7", 0x00a0, 0, "exit", dialog, {});
        row("Vista, S_OK", 0x0080, 0, "close", "TarvixMixer", ran);
        row("7, S_FALSE", 0x0090, 1, "close", "TarvixMixer", ran);
        row("7, exit 7", 0x0090, 0, "exit", "TarvixMixer", ran);
        row("RPC_E_CHANGED_MODE", 0x0090, std::int32_t(0x80010106u), "close", box,
            {"coInitialize"});
        row("COM 2, exit 7", 0x0090, 2, "exit", box, {"coInitialize"});
        row("no control", 0x0090, 0, "close", box,
            {"coInitialize", "createControl", "coUninitialize"}, false);
    }

    // Runs the program until it shows something, closes that, and checks the calls made in order.
    // A watchdog ends a loop the code under test fails to end (result -1).
    void eachPathShowsOneWindowAndEndsInOrder()
    {
        QFETCH(int, version);
        QFETCH(long, comResult);
        QFETCH(bool, supplyControl);
        QFETCH(QString, how);
        QFETCH(QString, shown);
        QFETCH(QStringList, expectedLog);
        FakeSystem system(version, comResult, supplyControl);
        QStringList shownNames, texts;
        QObject timers;
        QTimer::singleShot(60000, &timers, [] { QCoreApplication::exit(-1); });
        QTimer::singleShot(0, &timers, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (!window->isVisible())
                    continue;
                shownNames << window->metaObject()->className()
                           << QString::number(window->isModal());
                if (qobject_cast<TarvixMixer*>(window))
                    QObject::connect(window, &QObject::destroyed,
                                     [&system] { system.log << "window destroyed"; });
                if (auto* box = qobject_cast<QErrorMessage*>(window))
                    texts << box->windowTitle() << box->findChild<QTextEdit*>()->toPlainText();
                if (how == "exit")
                    QCoreApplication::exit(7);
                else if (how == "button")
                    window->findChild<QDialogButtonBox*>()
                        ->button(QDialogButtonBox::Close)
                        ->click();
                else if (how == "escape")
                    QTest::keyClick(window, Qt::Key_Escape);
                else
                    window->close();
            }
        });

        QCOMPARE(runMixerApplication(system), how == "exit" ? 7 : 0);
        QCOMPARE(shownNames, (QStringList{shown, "0"}));
        QCOMPARE(system.log, expectedLog);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        if (shown == "QErrorMessage")
            QCOMPARE(texts, (QStringList{"TarvixMixer - Error",
                                         supplyControl ? "Failed to initialize COM Library."
                                                       : "Failed to open the device library."}));
    }
};

QTEST_MAIN(TestMixerApplication)
#include "tst_mixerapplication.moc"
