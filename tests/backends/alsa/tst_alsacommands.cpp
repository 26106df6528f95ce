// SPDX-License-Identifier: GPL-3.0-or-later
#include "testfiles.h"
#include "virtualcards.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/stat.h>

// The commands without a window, run as the program's own process over virtual cards, with
// amixer as the independent reader and writer of the cards.
class TestAlsaCommands : public QObject
{
    Q_OBJECT

    static QString preset(const QString& outputDb)
    {
        return QStringLiteral("<Tarvix><Mixer><Output><VolumeLeft>%1</VolumeLeft>"
                              "<VolumeRight>%1</VolumeRight></Output></Mixer></Tarvix>")
            .arg(outputDb);
    }

private slots:
    void commandsReachTheCard_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("presetBefore");
        QTest::addColumn<int>("exitCode");
        // Found in what the command printed or, after a store, in the file.
        QTest::addColumn<QString>("text");
        // The interface's left output as amixer reads it afterwards; it stood at 97 (-30 dB).
        QTest::addColumn<QString>("outputAfter");
        const auto row = [](const char* name, const QStringList& arguments, const QString& preset,
                            int exitCode, const QString& text, const char* outputAfter = "97") {
            QTest::newRow(name) << arguments << preset << exitCode << text << QString(outputAfter);
        };
        const QStringList device{"--device", "alsa:Interface"};
        row("list, a name with a tab and a backslash", {"--list"}, "", 0,
            "alsa:Class\tClass\\tCompliant\\\\Card\toutput,input\nalsa:Interface\tTarvix "
            "Interface 2i2\toutput,input,phantom,loopback\nalsa:Recorder\tTarvix "
            "Recorder\toutput-mute,input\n");
        row("store", QStringList{"--store", "%1"} + device, preset("0"), 0,
            "<VolumeLeft>-30</VolumeLeft>");
        row("store a mute without levels", {"--store", "%1", "--device", "alsa:Recorder"}, "", 0,
            "<Output>\n            <Muted>false</Muted>\n        </Output>");
        row("load", QStringList{"--load", "%1"} + device, preset("-10"), 0, "", "117");
        // %2: a copy of a corpus card's state file, which the program must never change.
        row("list only a card from a state file", {"--list", "--card-state", "%2"}, "", 0,
            "alsa:CODEC\tcodec\toutput,input,loopback\n");
        row("explain a mute without levels", {"--explain", "--device", "alsa:Recorder"}, "", 0,
            "device\talsa:Recorder\tTarvix Recorder\noutput level\t-\tno integer control of "
            "more than one value matches an output level rule\noutput mute\tPCM Playback "
            "Switch\tPCM Playback Switch (mixer.c: ");
        row("explain a device that is not there", {"--explain", "--device", "alsa:Gone"}, "", 1,
            "alsa:Gone: No such device");
        row("load into a card from a state file", {"--card-state", "%2", "--load", "%1"},
            preset("-10"), 0, "");
        row("a card state file that cannot be read", {"--card-state", "%2.gone", "--list"}, "", 1,
            "tarvixmixer: Cannot open card state file '%2.gone': No such file.\n");
        QStringList many{"--list"};
        for (int card = 0; card < 33; ++card)
            many << "--card-state"
                 << "%2";
        row("more card state files than cards", many, "", 1,
            "tarvixmixer: At most 32 card state files can be served at once; 33 were given.\n");
    }

    void commandsReachTheCard()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, presetBefore);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        VirtualCards cards;
        VirtualCards::Shape oddlyNamed = VirtualCards::shape("classcompliant");
        oddlyNamed.name = "Class\tCompliant\\Card";
        cards.plug(1, oddlyNamed);
        cards.plug(2, VirtualCards::shape("interface"));
        cards.plug(3, VirtualCards::shape("nooutput"));
        cards.amixer(2, "Line 01 Playback Volume", "97");
        QTemporaryDir folder;
        const QString fileName = folder.filePath("preset.tarvix");
        if (!presetBefore.isEmpty())
            QVERIFY(writeFile(fileName, presetBefore.toUtf8()));
        const QString corpusCard = TARVIX_CARD_CORPUS "/unknown-usb-audio-codec.state";
        const QString cardFile = folder.filePath("codec.state");
        QVERIFY(QFile::copy(corpusCard, cardFile));
        text.replace("%2", cardFile);

        QProcess program;
        program.start(TARVIXMIXER_PATH,
                      arguments.replaceInStrings("%1", fileName).replaceInStrings("%2", cardFile));
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        const QString out = program.readAllStandardOutput(), err = program.readAllStandardError();
        QCOMPARE(program.exitCode(), exitCode);
        QVERIFY2((exitCode == 0 ? err : out).isEmpty(), qPrintable(out + err));
        QVERIFY2((out + err + VirtualCards::text(fileName)).contains(text), qPrintable(out + err));
        // A failed command leaves the file as it was.
        if (exitCode != 0)
            QCOMPARE(VirtualCards::text(fileName), presetBefore);
        QTEST(cards.amixer(2, "Line 01 Playback Volume"), "outputAfter");
        QCOMPARE(VirtualCards::text(cardFile), VirtualCards::text(corpusCard));
    }

    // Hostile card state files, each saying in its first line, after "# ", the exit code of
    // --list and what it prints (%1: the file). Each is read from a copy in a folder that also
    // holds a FIFO named "fifo" (the program's working folder, where a relative include would
    // look) and, unless the file has a name file of its own, a FIFO as its name file.
    void hostileCardStatesAreListedOrRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text"); // of a file written for the row, where no path
        for (const QFileInfo& file : QDir(TARVIX_HOSTILE_CARDS).entryInfoList({"*.state"}))
            QTest::newRow(qPrintable(file.fileName())) << file.filePath() << QString();
        const QString refused = "# 1 tarvixmixer: Cannot read card state file '%1': ";
        QTest::newRow("larger than any card")
            << QString() << refused + "Larger than 8 MiB.\n" + QString(9 << 20, '#');
        QTest::newRow("nested past the parser's stack")
            << QString()
            << refused +
                   "Not an alsactl state file (line 2: entries nested deeper than a state "
                   "file's).\nstate.Deep {" +
                   QString("a { ").repeated(200000);
        QTest::newRow("a FIFO in place of the state file")
            << "fifo"
            << "# 1 tarvixmixer: Cannot open card state file '%1': Not a regular file.";
    }
    void hostileCardStatesAreListedOrRefused()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        QTemporaryDir folder;
        const QString fifo = folder.filePath("fifo");
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const QFileInfo original(path);
        const QString copy = folder.filePath(path.isEmpty() ? "made.state" : original.fileName());
        if (path.isEmpty())
            QVERIFY(writeFile(copy, text.toUtf8()));
        else if (path != "fifo")
            QVERIFY(QFile::copy(path, copy));
        const QString nameFile = original.dir().filePath(original.completeBaseName() + ".name");
        const QString nameCopy = folder.filePath(QFileInfo(copy).completeBaseName() + ".name");
        QVERIFY(QFile::exists(nameFile)
                    ? QFile::copy(nameFile, nameCopy)
                    : mkfifo(QFile::encodeName(nameCopy).constData(), 0600) == 0);
        const QString given = path == "fifo" ? fifo : copy;
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.start(TARVIXMIXER_PATH, {"--list", "--card-state", given});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::number(program.exitCode()) + ' ' + program.readAllStandardOutput() +
                     program.readAllStandardError(),
                 (path == "fifo" ? text : VirtualCards::text(copy))
                         .section('\n', 0, 0)
                         .mid(2)
                         .replace("\\t", "\t")
                         .replace("%1", given) +
                     '\n');
    }

    void restoresOnEveryPlug_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("replugs");
        QTest::addColumn<bool>("broken"); // the preset file is cut after its output once loaded
        QTest::newRow("three replugs, ended by SIGTERM") << int(SIGTERM) << 3 << false;
        QTest::newRow("present at start only, ended by SIGINT") << int(SIGINT) << 0 << false;
        QTest::newRow("a broken preset, replugged once") << int(SIGTERM) << 1 << true;
    }

    // Each arrival of the interface, under whichever card number, gets the preset and one line;
    // changes made elsewhere and other cards are left alone. A preset broken after the start
    // still gives what it holds before its fault, and says so.
    void restoresOnEveryPlug()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, replugs);
        QFETCH(bool, broken);
        VirtualCards cards;
        QTemporaryDir folder;
        const QString fileName = folder.filePath("preset.tarvix");
        const QString content = preset("-30");
        QVERIFY(writeFile(fileName, content.toUtf8()));
        cards.plug(2, VirtualCards::shape("interface"));
        QProcess program;
        program.start(TARVIXMIXER_PATH,
                      {"--restore-on-plug", fileName, "--device", "alsa:Interface"});
        QString err;
        const auto lines = [&] {
            err += program.readAllStandardError();
            return err.count('\n');
        };
        for (int card = 2; card <= 2 + replugs; ++card) {
            QTRY_COMPARE_WITH_TIMEOUT(lines(), card - 1, 60000);
            QCOMPARE(cards.amixer(card, "Line 01 Playback Volume"), QStringLiteral("97"));
            cards.amixer(card, "Line 01 Playback Volume", "120");
            if (card == 2 + replugs)
                break;
            if (broken)
                QVERIFY(writeFile(fileName, content.left(content.indexOf("</Mixer>")).toUtf8()));
            cards.unplug(card);
            cards.plug(10 + card, VirtualCards::shape("classcompliant"));
            cards.plug(card + 1, VirtualCards::shape("interface"));
        }
        QVERIFY(::kill(program.processId(), signalNumber) == 0);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString loaded = "tarvixmixer: alsa:Interface: Loaded preset '" + fileName + "'.\n";
        const QString failed = fileName + ": Failed to load presets: Invalid file format.\n";
        QCOMPARE(err + program.readAllStandardError(),
                 loaded + (broken ? "tarvixmixer: " + failed : loaded).repeated(replugs));
        QCOMPARE(cards.amixer(2 + replugs, "Line 01 Playback Volume"), QStringLiteral("120"));
        for (int card = 12; card < 12 + replugs; ++card)
            QCOMPARE(cards.amixer(card, "PCM Playback Volume"), QStringLiteral("100,100"));
    }
};

QTEST_GUILESS_MAIN(TestAlsaCommands)
#include "tst_alsacommands.moc"
