#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

// The installed program's command line, run as a process: what it prints, where, and with which
// exit code. Help and version run without any display, as on a build machine or in a terminal
// login, so they must be answered before Qt's GUI starts.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answersEachCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withoutDisplay");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("standardOutput");
        QTest::addColumn<QString>("standardError");

        const QString version = QStringLiteral("tarvixmixer " TARVIXMIXER_VERSION "\n");
        const QString hint = QStringLiteral("Try 'tarvixmixer --help' for more information.");
        QTest::newRow("version") << QStringList{"--version"} << true << 0 << version << "";
        // A Qt option before the request must not be read as a run of one-letter options.
        QTest::newRow("help after a Qt option")
            << QStringList{"-reverse", "-h"} << true << 0 << "Usage: tarvixmixer [options] [file]"
            << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << 2 << ""
                                        << "tarvixmixer: Unknown option 'bogus'.\n" + hint;
        QTest::newRow("unknown backend") << QStringList{"--backend", "nonesuch"} << false << 2 << ""
                                         << "Unknown backend 'nonesuch'; choose one of: ";
        QTest::newRow("missing preset file")
            << QStringList{"/nonexistent/a.tarvix"} << false << 1 << ""
            << "tarvixmixer: Cannot open preset file '/nonexistent/a.tarvix': No such file.";
        // A directory, like a named pipe, is refused without being opened.
        QTest::newRow("directory as preset file") << QStringList{"/"} << false << 1 << ""
                                                  << "'/': Not a regular file.";
        QTest::newRow("two preset files") << QStringList{"/", "/"} << false << 2 << ""
                                          << "Only one preset file can be loaded at a time.";
    }

    void answersEachCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withoutDisplay);
        QFETCH(int, exitCode);
        QFETCH(QString, standardOutput);
        QFETCH(QString, standardError);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (withoutDisplay) {
            // The X11 platform with no display aborts as soon as QApplication is made.
            environment.remove(QStringLiteral("DISPLAY"));
            environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        }
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TARVIXMIXER_PATH), arguments);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(out.contains(standardOutput), qPrintable(out));
        QVERIFY2(err.contains(standardError), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
