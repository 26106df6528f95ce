// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsaerrors.h"
#include "cardidentity.h"
#include "choiceexplanation.h"
#include "dbcurve.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>

class TestAlsaLogic : public QObject
{
    Q_OBJECT

private slots:
    // Only a signal or an empty queue leaves a card usable after a failed event read.
    void eventReadFailuresThatMeanTheCardHasGone()
    {
        const std::pair<int, bool> rows[] = {{-EINTR, false}, {-EAGAIN, false}, {0, false},
                                             {1, false},      {-ENODEV, true},  {-EIO, true}};
        for (const auto& [result, gone] : rows)
            QVERIFY2(AlsaErrors::eventReadFailureMeansGone(result) == gone,
                     qPrintable(QString::number(result)));
    }

    // A curve from "raw min, raw max, TLV words...", as "usable|unusable min max finest-step |
    // raw:level ... | dB:nearest raw ...", in dB.
    void dbCurvesFollowTheirDescription_data()
    {
        QTest::addColumn<QList<qint64>>("words");
        QTest::addColumn<QString>("curve");
        QTest::newRow("mute step, then steps of 10, 10, 0.25 and 0.5 dB; ties go to the lower")
            << QList<qint64>{10, 15, 3, 72,    10,   10, 1,  8, -6000, 0x10000, 11,
                             13, 1,  8, -6000, 1000, 14, 15, 4, 8,     -3975,   -3925}
            << "usable -60 -39.25 0.25 | 10:-inf 13:-40 99:-39.25 | -45:12 -39.8:14 -100:11 "
               "-inf:10 inf:15 nan:none";
        QTest::newRow("falling gain") << QList<qint64>{0, 100, 4, 8, 3000, -2000}
                                      << "usable -20 30 0.5 | 0:30 51:4.5 | -inf:100 4.75:50";
        QTest::newRow("min/max with mute") << QList<qint64>{0, 100, 5, 8, -6000, 0}
                                           << "usable -59.4 0 0.6 | 0:-inf 1:-59.4 | -100:1";
        QTest::newRow("linear from mute") << QList<qint64>{0, 100, 2, 8, -9999999, 0}
                                          << "usable -40 0 0.08 | 2:-33.97 | -inf:0 -34:2";
        QTest::newRow("a container's scale") << QList<qint64>{0, 127, 0, 16, 1, 8, -6350, 50}
                                             << "usable -63.5 0 0.5 | 100:-13.5 | -10:107";
        QTest::newRow("every long, min/max")
            << QList<qint64>{LONG_MIN, LONG_MAX, 4, 8, -6350, 0}
            << "usable -63.5 0 0.01 | -9223372036854775808:-63.5 0:-31.75 | -31.75:0 "
               "inf:9223372036854775807";
        QTest::newRow("every long, scale") << QList<qint64>{LONG_MIN, LONG_MAX, 1, 8, -6350, 50}
                                           << "unusable -63.5 9.22337e+16 0.5 | 7:9.22337e+16 | "
                                              "-63:-9223372036854775807";
        QTest::newRow("no step") << QList<qint64>{0, 9, 1, 8, -100, 0}
                                 << "unusable -1 -1 0 | 9:-1 | 5:0";
        const QString none = "unusable 0 0 0 | 5:0 | 0:none";
        QTest::newRow("min above max") << QList<qint64>{5, 1, 4, 8, -100, 0} << none;
        QTest::newRow("past its end") << QList<qint64>{0, 9, 4, 400, -100, 0} << none;
        // A description longer than its container, though not than the words that follow.
        QTest::newRow("past its container")
            << QList<qint64>{0, 9, 0, 16, 1, 12, -100, 0, 7} << none;
        QTest::newRow("a gap") << QList<qint64>{0,    9, 3, 48, 0, 4, 4,    8,
                                                -100, 0, 6, 9,  4, 8, -100, 0}
                               << none;
        QTest::newRow("a range part cut short")
            << QList<qint64>{0, 9, 3, 12, 0, 9, 4, 8, -100, 0} << none;
        QTest::newRow("a range in a range, after a whole part")
            << QList<qint64>{0, 9, 3, 48, 0, 9, 4, 8, -100, 0, 5, 9, 3, 8, -100, 0} << none;
        // Parts that share raw values: the first that holds one gives its level.
        QTest::newRow("parts sharing an end")
            << QList<qint64>{0, 75, 3, 48, 0, 50, 4, 8, -5000, -1000, 50, 75, 4, 8, -1000, 0}
            << "usable -50 0 0.4 | 50:-10 51:-9.6 | -10:50";
        QTest::newRow("parts that turn back")
            << QList<qint64>{0, 9, 3, 48, 0, 5, 4, 8, -100, 0, 5, 9, 4, 8, -100, 0}
            << "unusable -1 0 0.2 | 5:0 6:-0.75 | 0:5";
        QTest::newRow("linear falling to silence over 2^58 values")
            << QList<qint64>{0, qint64(1) << 58, 2, 8, 0, -9999998}
            << "unusable -100000 0 0.01 | 288230376151711743:-349.19 1:0 | 0:0";
    }
    void dbCurvesFollowTheirDescription()
    {
        QFETCH(QList<qint64>, words);
        QFETCH(QString, curve);
        const DbCurve made({words.begin() + 2, words.end()}, words[0], words[1]);
        const QStringList probes = curve.split(" | ");
        QStringList out{QStringLiteral("%1 %2 %3 %4")
                            .arg(made.isUsable() ? "usable" : "unusable")
                            .arg(made.minDb())
                            .arg(made.maxDb())
                            .arg(made.finestStepDb()),
                        {},
                        {}};
        for (const QString& probe : probes.value(1).split(' ')) {
            const QString raw = probe.section(':', 0, 0);
            out[1] += QStringLiteral(" %1:%2").arg(raw).arg(made.levelDb(raw.toLong()));
        }
        for (const QString& probe : probes.value(2).split(' ')) {
            const QString db = probe.section(':', 0, 0);
            const std::optional<long> raw = made.nearestRaw(db.toFloat());
            out[2] += ' ' + db + ':' + (raw ? QString::number(*raw) : "none");
        }
        QCOMPARE(out.join(" |"), curve);
    }

    void identitySurvivesReplugAndSeparatesTwins()
    {
        QTemporaryDir root;
        // sysfs as the kernel lays it out: class/sound/cardN/device -> the USB interface.
        const auto plug = [&](int card, const QString& port, const QString& serial) {
            const QString usb = root.filePath("devices/usb1/" + port + "/");
            const QString cardDir = root.filePath(QStringLiteral("class/sound/card%1/").arg(card));
            QVERIFY(QDir().mkpath(usb + port + ":1.0") && QDir().mkpath(cardDir));
            const QStringList files{usb + "idVendor", "1A2B\n", usb + "idProduct", "00c1\n",
                                    cardDir + "id",   "Duo\n",  usb + "serial",    serial};
            for (int i = 0; i < files.size(); i += 2)
                QVERIFY(writeFile(files[i], files[i + 1].toUtf8()));
            QFile::remove(cardDir + "device");
            QVERIFY(QFile::link(usb + port + ":1.0", cardDir + "device"));
        };
        const auto idOf = [&](int card, const char* cardId = "Duo") {
            return CardIdentity::read(root.path().toStdString(), card, cardId);
        };
        plug(1, "1-2", "P3X41");
        QCOMPARE(idOf(1).preferredId, std::string("usb:1a2b:00c1:P3X41"));
        plug(1, "3-1.4", "P3X41"); // another port, same card: the same id
        QCOMPARE(idOf(1).preferredId, std::string("usb:1a2b:00c1:P3X41"));
        QVERIFY(isPlaceholderSerial("7890123") && !isPlaceholderSerial("1235")); // digits in a row
        plug(2, "1-2", "000000"); // a placeholder serial: the port tells twins apart
        QCOMPARE(idOf(2).preferredId, std::string("usb:1a2b:00c1@1-2"));
        plug(2, "1-3", "");
        QCOMPARE(idOf(2).preferredId, std::string("usb:1a2b:00c1@1-3"));
        QCOMPARE(idOf(1).fallbackId, std::string("usb:1a2b:00c1@3-1.4"));
        // Sysfs describing another card (a virtual card with a kernel card's number), or none.
        QCOMPARE(idOf(1, "Virtual").preferredId, std::string("alsa:Virtual"));
        QCOMPARE(idOf(7, "Virtual").fallbackId, std::string("alsa:Virtual#7"));
    }

    // Shapes the kernel's drivers make that the corpus lacks, each element "KIND NAME[#INDEX]"
    // (KIND: d an integer with dB, r one without, b a boolean), as the controls --explain names
    // for output level, output mute, input level, input mute, phantom left and right, loopback
    // left and right.
    void namingRulesServeUnseenShapes_data()
    {
        QTest::addColumn<QStringList>("elements");
        QTest::addColumn<QString>("roles");
        const auto row = [](const char* name, const QStringList& elements, const char* roles) {
            QTest::newRow(name) << elements << QString(roles);
        };
        row("a terminal string with spaces",
            {"d Hi-Fi  Playback Volume", "b Hi-Fi  Playback Switch"},
            "Hi-Fi  Playback Volume|Hi-Fi  Playback Switch|-|-|-|-|-|-");
        row("sidetone before the mic path, its level no output",
            {"d Sidetone Playback Volume", "b Mic Playback Switch", "b Sidetone Playback Switch"},
            "-|-|-|-|-|-|Sidetone Playback Switch|Sidetone Playback Switch");
        row("direct monitoring before the mic path",
            {"b Mic Playback Switch", "b Direct Monitor Playback Switch"},
            "-|-|-|-|-|-|Direct Monitor Playback Switch|Direct Monitor Playback Switch");
        row("an input pair without a direction word", {"r Line 2 In Volume", "r Line 1 In Volume"},
            "-|-|Line 1 In Volume + Line 2 In Volume|-|-|-|-|-");
        row("a group of inputs, not a number too long",
            {"b Line In 12345 Phantom Power Capture Switch",
             "b Line In 1-4 Phantom Power Capture Switch"},
            "-|-|-|-|Line In 1-4 Phantom Power Capture Switch|Line In 1-4 Phantom Power Capture "
            "Switch|-|-");
        row("a level's switch of its own index",
            {"b PCM Playback Switch", "d PCM Playback Volume#2", "b PCM Playback Switch#2"},
            "PCM Playback Volume#2|PCM Playback Switch#2|-|-|-|-|-|-");
        row("dB before an earlier rule without",
            {"r Master Playback Volume", "d Speaker Playback Volume"},
            "Speaker Playback Volume|-|-|-|-|-|-|-");
        row("a quirk level with the card's mute", {"r Master Volume", "b Mute Playback Switch"},
            "Master Volume|Mute Playback Switch|-|-|-|-|-|-");
        row("a headset's capture mute alone", {"b Headset Capture Switch"},
            "-|-|-|Headset Capture Switch|-|-|-|-");
        row("matrix points and monitor mixes never",
            {"d PCM1-Out1 Playback Volume", "d Monitor Mix A Input 01 Playback Volume"},
            "-|-|-|-|-|-|-|-");
    }
    void namingRulesServeUnseenShapes()
    {
        QFETCH(QStringList, elements);
        std::vector<ElementChoice::Element> card;
        for (const QString& text : elements) {
            ElementChoice::Element element;
            const QStringList parts = text.mid(2).split(u'#');
            element.name = parts[0].toStdString();
            element.index = parts.value(1).toInt();
            element.kind =
                text[0] == u'b' ? ElementChoice::Kind::Boolean : ElementChoice::Kind::Integer;
            element.channels = 1;
            element.hasDbRange = text[0] == u'd';
            element.hasRawRange = text[0] != u'b';
            card.push_back(element);
        }
        QStringList roles;
        const QString report =
            QString::fromStdString(ChoiceExplanation::explain(card, ElementChoice::choose(card)));
        for (const QString& line : report.split(u'\n', Qt::SkipEmptyParts))
            roles << line.section(u'\t', 1, 1);
        QTEST(roles.join(u'|'), "roles");
    }
};

QTEST_GUILESS_MAIN(TestAlsaLogic)
#include "tst_alsalogic.moc"
