// SPDX-License-Identifier: GPL-3.0-or-later
#include "testfiles.h"
#include "windowsystemguard.h"

#include <QProcess>
#include <QtTest>

#include <sys/file.h>
#include <sys/stat.h>

// The installed program's command line, run as a process: what it prints, where (standard output
// after help and version, standard error after an error), and with which exit code. Help and
// version, the commands without a window and errors run without any display, as on a build
// machine or in a terminal login, so they must be answered before Qt's GUI starts; so must any
// error beside one of Qt's own options.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answersEachCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const QStringList& arguments, int exitCode,
                            const QString& text) {
            QTest::newRow(name) << arguments << exitCode << text;
        };
        row("version", {"--version"}, 0, "tarvixmixer " TARVIXMIXER_VERSION "\n");
        // A Qt option before the request must not be read as a run of one-letter options.
        row("help after a Qt option", {"-reverse", "-h"}, 0, "Usage: tarvixmixer [options] [file]");
        row("unknown option after a Qt option", {"-reverse", "--bogus"}, 2,
            "tarvixmixer: Unknown option 'bogus'.\nTry 'tarvixmixer --help' for more information.");
        row("unknown backend", {"--backend", "nonesuch"}, 2,
            "Unknown backend 'nonesuch'; choose one of: ");
        row("missing preset file", {"/nonexistent/a.tarvix"}, 1,
            "tarvixmixer: Cannot open preset file '/nonexistent/a.tarvix': No such file.\n");
        // A directory, like a named pipe, is refused without being opened. The panel picks the
        // simulator by itself.
        row("panel, directory as preset file", {"--simulator-panel", "/"}, 1,
            "'/': Not a regular file.");
        row("two preset files", {"/", "/"}, 2, "Only one preset file can be loaded at a time.");
        // The commands without a window: usage errors and the simulator's devices.
        row("list", {"--backend", "simulator", "--list"}, 0,
            "TVX-DUO-0001\tTarvix Duo USB\toutput,input,phantom,loopback\nTVX-SOLO-0002\tTarvix "
            "Solo USB\toutput,input\n");
        row("two commands", {"--list", "--load", "a"}, 2,
            "Give only one of --list, --explain, --store, --load and --restore-on-plug.");
        row("restore without a device", {"--restore-on-plug", "a"}, 2, "needs --device ID.");
        row("device with list", {"--list", "--device", "a"}, 2, "--device goes with --store");
        row("json with load", {"--load", "a", "--json"}, 2, "--json goes with --list only.");
        row("a file beside a command", {"--list", "a"}, 2, "Unexpected argument 'a'.");
        row("a Qt option with a command", {"--list", "-reverse"}, 2,
            "-reverse is one of Qt's window options, and this command opens no window.");
        row("a typo", {"--lsit"}, 2, "tarvixmixer: Unknown option 'lsit'.");
        row("help with Qt's options", {"--help-all"}, 0, "  --platform <platformName");
        // Without a display, the window's start is one line and a failure, never Qt's abort.
        row("window without a display", {"--backend", "simulator"}, 1,
            "tarvixmixer: Cannot open the window: no X11 display is set (DISPLAY). The commands "
            "without a window (--list, --store, --load, --restore-on-plug) need no display.\n");
        row("missing platform plugin", {"-platform", "nonesuch"}, 1,
            "Cannot open the window: Qt's platform plugin 'nonesuch' is not installed. ");
        // The standard input is a pipe that is never written: opening it would block.
        row("store to a pipe", {"--store", "/dev/stdin", "--device", "TVX-DUO-0001"}, 1,
            "tarvixmixer: /dev/stdin: Failed to store presets: Failed to open file.\n");
        // A file that a load refuses is refused at the start, whatever the device lacks.
        row("restore from a broken file",
            {"--backend", "simulator", "--restore-on-plug", TARVIX_HOSTILE_PRESET, "--device",
             "TVX-SOLO-0002"},
            1, ": Failed to load presets: Invalid file format.\n");
        row("restore from a missing file",
            {"--restore-on-plug", "/nonexistent", "--device", "TVX-DUO-0001"}, 1,
            "tarvixmixer: /nonexistent: Failed to load presets: Failed to open file.\n");
    }

    void answersEachCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The X11 platform with no display cannot make a QApplication.
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TARVIXMIXER_PATH), arguments);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QByteArray out = program.readAllStandardOutput(),
                         err = program.readAllStandardError();
        QVERIFY2((exitCode == 0 ? out : err).contains(text.toLocal8Bit()), out + err);
        QVERIFY2((exitCode == 0 ? err : out).isEmpty(), out + err);
    }

    void namesWhatTheWindowLacks_data()
    {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("text");
        const QString fatal = "This application failed to start because no Qt platform plugin "
                              "could be initialized. Reinstalling the application may fix this.";
        QTest::newRow("X11 display")
            << QStringList{"qt.qpa.xcb: could not connect to display :77", fatal}
            << "cannot connect to the X11 display ':77'";
        QTest::newRow("Wayland display")
            << QStringList{"Failed to create wl_display (No such file or directory)", fatal}
            << "cannot connect to the Wayland display (WAYLAND_DISPLAY)";
        QTest::newRow("Wayland plugin")
            << QStringList{"qt.qpa.plugin: Could not find the Qt platform plugin \"wayland\" in "
                           "\"\"",
                           fatal}
            << "Qt's platform plugin 'wayland' is not installed; install the package qt6-wayland";
        QTest::newRow("anything else") << QStringList{"A warning", fatal + "\n\nAvailable: xcb."}
                                       << "This application failed to start because no Qt "
                                          "platform plugin could be initialized";
    }

    void namesWhatTheWindowLacks()
    {
        QFETCH(QStringList, messages);
        QFETCH(QString, text);
        QCOMPARE(WindowSystemGuard::failureText(messages), text);
    }

    // A store rewriting a preset in place holds it locked; a load waits for the whole file. The
    // kernel's lock table tells when the load is waiting: "->" before a waiter's entry.
    void loadWaitsForAStoreInPlace()
    {
        QTemporaryDir folder;
        QFile preset(folder.filePath("preset.tarvix"));
        QVERIFY(preset.open(QIODevice::ReadWrite) && preset.write("<Tarvix/>") > 0);
        QVERIFY(::flock(preset.handle(), LOCK_EX) == 0);
        struct stat file;
        QVERIFY(::fstat(preset.handle(), &file) == 0);
        const auto entry = [&](const char* kind, qint64 pid) {
            return QRegularExpression(
                QStringLiteral("FLOCK +ADVISORY +%1 +%2 [0-9a-f]+:[0-9a-f]+:%3 ")
                    .arg(QLatin1String(kind))
                    .arg(pid)
                    .arg(quint64(file.st_ino)));
        };
        const auto listed = [](const QRegularExpression& pattern) {
            return QString::fromLatin1(readFile("/proc/locks")).contains(pattern);
        };
        if (!listed(entry("WRITE", QCoreApplication::applicationPid())))
            QSKIP("This kernel or file system does not list flock locks in /proc/locks.");
        QProcess program;
        program.start(
            QStringLiteral(TARVIXMIXER_PATH),
            {"--backend", "simulator", "--load", preset.fileName(), "--device", "TVX-DUO-0001"});
        QVERIFY(program.waitForStarted(60000));
        QRegularExpression waiting = entry("READ", program.processId());
        waiting.setPattern(QStringLiteral("-> ") + waiting.pattern());
        QTRY_VERIFY_WITH_TIMEOUT(listed(waiting), 60000);
        QCOMPARE(program.state(), QProcess::Running);
        preset.close();
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
