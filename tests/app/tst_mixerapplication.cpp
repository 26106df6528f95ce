#include "mixerapplication.h"
#include "systemservices.h"
#include "tarvixcontrol.h"
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

// A device library with no devices; its destruction is written to the shared log.
class FakeControl : public TarvixControl
{
public:
    explicit FakeControl(QStringList& log) : log(log) {}
    ~FakeControl() override { log << QStringLiteral("control deleted"); }

    const char* backendName() override { return "Fake devices"; }
    TarvixDevice* getDevice(const char*) override { return nullptr; }
    void lock() override {}
    void unlock() override {}

protected:
    void setDeviceCallback(TarvixDeviceCallback*) override {}

private:
    QStringList& log;
};

bool mixerWindowExists()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [](QWidget* window) {
        return qobject_cast<TarvixMixer*>(window) != nullptr;
    });
}

// Records every call start-up and shutdown make into the system.
class FakeSystem : public SystemServices
{
public:
    int version = Windows7;
    long comResult = ComOk;
    bool supplyControl = true;
    QStringList log;

    int windowsVersion() const override { return version; }
    long coInitialize() override
    {
        log << QStringLiteral("coInitialize");
        return comResult;
    }
    void coUninitialize() override
    {
        log << (mixerWindowExists() ? QStringLiteral("coUninitialize, window alive")
                                    : QStringLiteral("coUninitialize, no window"));
    }
    TarvixControl* createControl() override
    {
        log << QStringLiteral("createControl");
        return supplyControl ? new FakeControl(log) : nullptr;
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

// Class names of the visible top-level windows; the windows themselves are gone once the
// program returns.
QStringList visibleClassNames()
{
    QStringList names;
    for (QWidget* widget : visibleTopLevels())
        names << QString::fromLatin1(widget->metaObject()->className());
    return names;
}

void closeVisibleTopLevels()
{
    for (QWidget* window : visibleTopLevels())
        window->close();
}

template <typename Window> QList<Window*> topLevelsOfType()
{
    QList<Window*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget))
            found << window;
    }
    return found;
}

QString messageOf(QErrorMessage* box)
{
    auto* view = box->findChild<QTextEdit*>();
    return view ? view->toPlainText() : QString();
}

// Runs the program with `onShown` called once its event loop is running. A watchdog ends a
// loop that the code under test fails to end, so that a fault fails the test instead of hanging
// it; the loop result then reads -1.
int runWhileShown(FakeSystem& system, const std::function<void()>& onShown)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        qWarning("The event loop did not end; stopping it.");
        for (QWidget* window : visibleTopLevels())
            window->hide();
        QCoreApplication::exit(-1);
    });
    watchdog.start(60000);
    QTimer::singleShot(0, &watchdog, onShown);
    return runMixerApplication(system);
}

} // namespace

class TestMixerApplication : public QObject
{
    Q_OBJECT

private slots:
    void unsupportedVersionShowsOnlyTheDialog_data();
    void unsupportedVersionShowsOnlyTheDialog();
    void versionDialogEndsTheProgram_data();
    void versionDialogEndsTheProgram();
    void supportedVersionRunsTheMixer_data();
    void supportedVersionRunsTheMixer();
    void comFailureShowsOnlyTheErrorBox_data();
    void comFailureShowsOnlyTheErrorBox();
    void missingControlShowsAnErrorBox();
    void resultIsTheEventLoopResult_data();
    void resultIsTheEventLoopResult();

    void cleanup();
};

void TestMixerApplication::cleanup()
{
    // Every path destroys what it showed before it returns.
    QVERIFY(topLevelsOfType<TarvixMixer>().isEmpty());
    QVERIFY(topLevelsOfType<WindowsVersionErrorDialog>().isEmpty());
    QVERIFY(topLevelsOfType<QErrorMessage>().isEmpty());
}

void TestMixerApplication::unsupportedVersionShowsOnlyTheDialog_data()
{
    QTest::addColumn<int>("version");
    QTest::newRow("Windows XP") << SystemServices::WindowsXP;
    QTest::newRow("Windows Server 2003") << SystemServices::WindowsServer2003;
    QTest::newRow("Windows 8") << 0x00a0;
    QTest::newRow("NT-based, unknown") << 0x00f0;
    QTest::newRow("one above Vista") << SystemServices::WindowsVista + 1;
    QTest::newRow("one below Windows 7") << SystemServices::Windows7 - 1;
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -1;
}

void TestMixerApplication::unsupportedVersionShowsOnlyTheDialog()
{
    QFETCH(int, version);
    FakeSystem system;
    system.version = version;
    QStringList shown;
    const int result = runWhileShown(system, [&shown] {
        shown = visibleClassNames();
        closeVisibleTopLevels();
    });

    QCOMPARE(result, 0);
    QCOMPARE(shown, QStringList{QStringLiteral("WindowsVersionErrorDialog")});
    QVERIFY(system.log.isEmpty());
}

void TestMixerApplication::versionDialogEndsTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Close button") << QStringLiteral("button");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("window closed") << QStringLiteral("close");
}

void TestMixerApplication::versionDialogEndsTheProgram()
{
    QFETCH(QString, how);
    FakeSystem system;
    system.version = SystemServices::WindowsXP;
    bool found = false;
    const int result = runWhileShown(system, [&] {
        const auto dialogs = topLevelsOfType<WindowsVersionErrorDialog>();
        if (dialogs.size() != 1)
            return;
        WindowsVersionErrorDialog* dialog = dialogs.first();
        found = dialog->isVisible() && !dialog->isModal();
        if (how == QLatin1String("button")) {
            auto* box = dialog->findChild<QDialogButtonBox*>();
            QTest::mouseClick(box->button(QDialogButtonBox::Close), Qt::LeftButton);
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else {
            dialog->close();
        }
    });
    QVERIFY(found);
    QCOMPARE(result, 0);
    QVERIFY(system.log.isEmpty());
}

void TestMixerApplication::supportedVersionRunsTheMixer_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<long>("comResult");
    QTest::newRow("Vista, S_OK") << SystemServices::WindowsVista << SystemServices::ComOk;
    QTest::newRow("Windows 7, S_OK") << SystemServices::Windows7 << SystemServices::ComOk;
    QTest::newRow("Vista, S_FALSE")
        << SystemServices::WindowsVista << SystemServices::ComAlreadyInitialized;
    QTest::newRow("Windows 7, S_FALSE")
        << SystemServices::Windows7 << SystemServices::ComAlreadyInitialized;
}

void TestMixerApplication::supportedVersionRunsTheMixer()
{
    QFETCH(int, version);
    QFETCH(long, comResult);
    FakeSystem system;
    system.version = version;
    system.comResult = comResult;
    QStringList logWhileRunning;
    QStringList shown;
    bool parentless = false;
    const int result = runWhileShown(system, [&] {
        logWhileRunning = system.log;
        shown = visibleClassNames();
        for (TarvixMixer* window : topLevelsOfType<TarvixMixer>()) {
            parentless = window->parent() == nullptr;
            QObject::connect(window, &QObject::destroyed,
                             [&system] { system.log << QStringLiteral("window destroyed"); });
        }
        closeVisibleTopLevels();
    });

    QCOMPARE(result, 0);
    QCOMPARE(shown, QStringList{QStringLiteral("TarvixMixer")});
    QVERIFY(parentless);
    QCOMPARE(logWhileRunning,
             (QStringList{QStringLiteral("coInitialize"), QStringLiteral("createControl")}));
    QCOMPARE(system.log,
             (QStringList{QStringLiteral("coInitialize"), QStringLiteral("createControl"),
                          QStringLiteral("control deleted"),
                          QStringLiteral("coUninitialize, window alive"),
                          QStringLiteral("window destroyed")}));
}

void TestMixerApplication::comFailureShowsOnlyTheErrorBox_data()
{
    QTest::addColumn<long>("comResult");
    QTest::newRow("RPC_E_CHANGED_MODE") << SystemServices::ComChangedMode;
    QTest::newRow("E_OUTOFMEMORY") << long(std::int32_t(0x8007000Eu));
    QTest::newRow("E_INVALIDARG") << long(std::int32_t(0x80070057u));
    QTest::newRow("positive, neither S_OK nor S_FALSE") << 2L;
}

void TestMixerApplication::comFailureShowsOnlyTheErrorBox()
{
    QFETCH(long, comResult);
    QCOMPARE(SystemServices::ComChangedMode, -2147417850L);
    FakeSystem system;
    system.comResult = comResult;
    QStringList shown;
    QString title;
    QString message;
    bool modal = true;
    bool parentless = false;
    const int result = runWhileShown(system, [&] {
        shown = visibleClassNames();
        for (QErrorMessage* box : topLevelsOfType<QErrorMessage>()) {
            title = box->windowTitle();
            message = messageOf(box);
            modal = box->isModal();
            parentless = box->parent() == nullptr;
        }
        closeVisibleTopLevels();
    });

    QCOMPARE(result, 0);
    QCOMPARE(shown, QStringList{QStringLiteral("QErrorMessage")});
    QVERIFY(parentless);
    QCOMPARE(title, QStringLiteral("TarvixMixer - Error"));
    QCOMPARE(message, QStringLiteral("Failed to initialize COM Library."));
    QVERIFY(!modal);
    QCOMPARE(system.log, QStringList{QStringLiteral("coInitialize")});
}

void TestMixerApplication::missingControlShowsAnErrorBox()
{
    FakeSystem system;
    system.supplyControl = false;
    QStringList shown;
    QString title;
    QString message;
    const int result = runWhileShown(system, [&] {
        shown = visibleClassNames();
        for (QErrorMessage* box : topLevelsOfType<QErrorMessage>()) {
            title = box->windowTitle();
            message = messageOf(box);
        }
        closeVisibleTopLevels();
    });

    QCOMPARE(result, 0);
    QCOMPARE(shown, QStringList{QStringLiteral("QErrorMessage")});
    QCOMPARE(title, QStringLiteral("TarvixMixer - Error"));
    QCOMPARE(message, QStringLiteral("Failed to open the device library."));
    QCOMPARE(system.log,
             (QStringList{QStringLiteral("coInitialize"), QStringLiteral("createControl"),
                          QStringLiteral("coUninitialize, no window")}));
}

void TestMixerApplication::resultIsTheEventLoopResult_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<long>("comResult");
    QTest::addColumn<bool>("supplyControl");
    QTest::addColumn<QStringList>("expectedLog");
    QTest::newRow("version dialog")
        << SystemServices::WindowsXP << SystemServices::ComOk << true << QStringList();
    QTest::newRow("COM error") << SystemServices::Windows7 << SystemServices::ComChangedMode << true
                               << QStringList{QStringLiteral("coInitialize")};
    QTest::newRow("no control") << SystemServices::Windows7 << SystemServices::ComOk << false
                                << QStringList{QStringLiteral("coInitialize"),
                                               QStringLiteral("createControl"),
                                               QStringLiteral("coUninitialize, no window")};
    QTest::newRow("mixer") << SystemServices::Windows7 << SystemServices::ComOk << true
                           << QStringList{QStringLiteral("coInitialize"),
                                          QStringLiteral("createControl"),
                                          QStringLiteral("control deleted"),
                                          QStringLiteral("coUninitialize, window alive")};
}

void TestMixerApplication::resultIsTheEventLoopResult()
{
    QFETCH(int, version);
    QFETCH(long, comResult);
    QFETCH(bool, supplyControl);
    QFETCH(QStringList, expectedLog);
    FakeSystem system;
    system.version = version;
    system.comResult = comResult;
    system.supplyControl = supplyControl;
    int visibleWhenExited = 0;
    const int result = runWhileShown(system, [&] {
        visibleWhenExited = visibleTopLevels().size();
        QCoreApplication::exit(7);
    });
    QCOMPARE(visibleWhenExited, 1);
    QCOMPARE(result, 7);
    QCOMPARE(system.log, expectedLog);
}

QTEST_MAIN(TestMixerApplication)
#include "tst_mixerapplication.moc"
