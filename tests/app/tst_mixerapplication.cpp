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

#include <functional>

namespace {

const QString coInit = QStringLiteral("coInitialize");
const QString create = QStringLiteral("createControl");
const QString controlDeleted = QStringLiteral("control deleted");
const QString uninitWithWindow = QStringLiteral("coUninitialize, window alive");
const QString uninitNoWindow = QStringLiteral("coUninitialize, no window");
// RPC_E_CHANGED_MODE: the thread's apartment has another concurrency model.
const long changedMode = long(std::int32_t(0x80010106u));

// A device library with no devices whose destruction is written to the shared log.
class LoggedLibrary : public RecordingLibrary
{
public:
    explicit LoggedLibrary(QStringList& log) : log(log) {}
    ~LoggedLibrary() override { log << controlDeleted; }

private:
    QStringList& log;
};

template <typename Window> QList<Window*> topLevelsOfType()
{
    QList<Window*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget))
            found << window;
    }
    return found;
}

// Records every call start-up and shutdown make into the system.
class FakeSystem : public SystemServices
{
public:
    explicit FakeSystem(int version, long comResult = 0, bool supplyControl = true)
        : version(version), comResult(comResult), supplyControl(supplyControl)
    {
    }

    const int version;
    const long comResult;
    const bool supplyControl;
    QStringList log;

    int windowsVersion() const override { return version; }
    long coInitialize() override
    {
        log << coInit;
        return comResult;
    }
    void coUninitialize() override
    {
        log << (topLevelsOfType<TarvixMixer>().isEmpty() ? uninitNoWindow : uninitWithWindow);
    }
    TarvixControl* createControl() override
    {
        log << create;
        return supplyControl ? new LoggedLibrary(log) : nullptr;
    }
};

QList<QWidget*> visibleTopLevels()
{
    QList<QWidget*> visible;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            visible << widget;
    }
    return visible;
}

// Closes the visible top-level windows and returns their class names.
QStringList closeVisibleTopLevels()
{
    QStringList names;
    for (QWidget* window : visibleTopLevels()) {
        names << QString::fromLatin1(window->metaObject()->className());
        window->close();
    }
    return names;
}

// Runs the program, calling `onShown` once its event loop runs. A watchdog ends a loop the code
// under test fails to end, so that a fault fails the test instead of hanging it (result -1).
int runWhileShown(FakeSystem& system, const std::function<void()>& onShown)
{
    QObject timers;
    QTimer::singleShot(60000, &timers, [] {
        qWarning("The event loop did not end; stopping it.");
        QCoreApplication::exit(-1);
    });
    QTimer::singleShot(0, &timers, onShown);
    return runMixerApplication(system);
}

} // namespace

// Versions and COM results are written as the system reports them, not through the seam's
// named constants, so that a wrong constant is caught too.
class TestMixerApplication : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        // Every path destroys what it showed before it returns.
        QVERIFY(topLevelsOfType<TarvixMixer>().isEmpty());
        QVERIFY(topLevelsOfType<WindowsVersionErrorDialog>().isEmpty());
        QVERIFY(topLevelsOfType<QErrorMessage>().isEmpty());
    }

    void unsupportedVersionShowsOnlyTheDialog_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("how");
        QTest::newRow("XP, Close button") << 0x0030 << QStringLiteral("button");
        QTest::newRow("Server 2003, Escape") << 0x0040 << QStringLiteral("escape");
        QTest::newRow("Windows 8, window closed") << 0x00a0 << QStringLiteral("close");
        QTest::newRow("one above Vista") << 0x0081 << QStringLiteral("close");
        QTest::newRow("one below Windows 7") << 0x008f << QStringLiteral("close");
        QTest::newRow("negative") << -1 << QStringLiteral("close");
    }

    void unsupportedVersionShowsOnlyTheDialog()
    {
        QFETCH(int, version);
        QFETCH(QString, how);
        FakeSystem system(version);
        bool onlyTheDialog = false;
        const int result = runWhileShown(system, [&] {
            const QList<QWidget*> visible = visibleTopLevels();
            auto* dialog = qobject_cast<WindowsVersionErrorDialog*>(visible.value(0));
            onlyTheDialog = visible.size() == 1 && dialog && !dialog->isModal();
            if (!onlyTheDialog) {
                closeVisibleTopLevels();
            } else if (how == QLatin1String("button")) {
                auto* box = dialog->findChild<QDialogButtonBox*>();
                QTest::mouseClick(box->button(QDialogButtonBox::Close), Qt::LeftButton);
            } else if (how == QLatin1String("escape")) {
                QTest::keyClick(dialog, Qt::Key_Escape);
            } else {
                dialog->close();
            }
        });

        QVERIFY(onlyTheDialog);
        QCOMPARE(result, 0);
        QVERIFY(system.log.isEmpty());
    }

    void supportedVersionRunsTheMixer_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<long>("comResult");
        QTest::newRow("Vista, S_OK") << 0x0080 << 0L;
        QTest::newRow("Windows 7, S_FALSE") << 0x0090 << 1L;
    }

    void supportedVersionRunsTheMixer()
    {
        QFETCH(int, version);
        QFETCH(long, comResult);
        FakeSystem system(version, comResult);
        QStringList logWhileRunning;
        QStringList shown;
        const int result = runWhileShown(system, [&] {
            logWhileRunning = system.log;
            for (TarvixMixer* window : topLevelsOfType<TarvixMixer>()) {
                QObject::connect(window, &QObject::destroyed,
                                 [&system] { system.log << QStringLiteral("window destroyed"); });
            }
            shown = closeVisibleTopLevels();
        });

        QCOMPARE(result, 0);
        QCOMPARE(shown, QStringList{QStringLiteral("TarvixMixer")});
        QCOMPARE(logWhileRunning, (QStringList{coInit, create}));
        QCOMPARE(system.log, (QStringList{coInit, create, controlDeleted, uninitWithWindow,
                                          QStringLiteral("window destroyed")}));
    }

    void startupErrorShowsOnlyTheErrorBox_data()
    {
        QTest::addColumn<long>("comResult");
        QTest::addColumn<bool>("supplyControl");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("expectedLog");
        const QString comFailed = QStringLiteral("Failed to initialize COM Library.");
        QTest::newRow("RPC_E_CHANGED_MODE")
            << changedMode << true << comFailed << QStringList{coInit};
        QTest::newRow("positive, neither S_OK nor S_FALSE")
            << 2L << true << comFailed << QStringList{coInit};
        QTest::newRow("no control")
            << 0L << false << QStringLiteral("Failed to open the device library.")
            << QStringList{coInit, create, uninitNoWindow};
    }

    void startupErrorShowsOnlyTheErrorBox()
    {
        QFETCH(long, comResult);
        QFETCH(bool, supplyControl);
        QFETCH(QString, message);
        QFETCH(QStringList, expectedLog);
        FakeSystem system(0x0090, comResult, supplyControl);
        QStringList shown;
        QString title;
        QString text;
        bool modalOrParented = true;
        const int result = runWhileShown(system, [&] {
            for (QErrorMessage* box : topLevelsOfType<QErrorMessage>()) {
                title = box->windowTitle();
                if (auto* view = box->findChild<QTextEdit*>())
                    text = view->toPlainText();
                modalOrParented = box->isModal() || box->parent();
            }
            shown = closeVisibleTopLevels();
        });

        QCOMPARE(result, 0);
        QCOMPARE(shown, QStringList{QStringLiteral("QErrorMessage")});
        QCOMPARE(title, QStringLiteral("TarvixMixer - Error"));
        QCOMPARE(text, message);
        QVERIFY(!modalOrParented);
        QCOMPARE(system.log, expectedLog);
    }

    // Whatever is shown, the program returns the event loop's own result.
    void resultIsTheEventLoopResult()
    {
        FakeSystem systems[] = {FakeSystem(0x0030), FakeSystem(0x0090, changedMode),
                                FakeSystem(0x0090, 0, false), FakeSystem(0x0090)};
        const auto exitWithSeven = [] {
            // 8 tells that not exactly one window was shown.
            QCoreApplication::exit(visibleTopLevels().size() == 1 ? 7 : 8);
        };
        for (FakeSystem& system : systems)
            QCOMPARE(runWhileShown(system, exitWithSeven), 7);
    }
};

QTEST_MAIN(TestMixerApplication)
#include "tst_mixerapplication.moc"
