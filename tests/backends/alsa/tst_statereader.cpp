// SPDX-License-Identifier: GPL-3.0-or-later
#include "statefile.h"
#include "testfiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>

// The state-file card's own reader against alsa-lib's configuration parser, and its writes.
class TestStateReader : public QObject
{
    Q_OBJECT

    using Config = std::unique_ptr<snd_config_t, int (*)(snd_config_t*)>;

    static Config alsaTree(const QByteArray& text)
    {
        snd_config_t* top = nullptr;
        snd_input_t* input = nullptr;
        snd_config_top(&top);
        snd_input_buffer_open(&input, text.constData(), text.size());
        const int loaded = snd_config_load(top, input);
        snd_input_close(input);
        if (loaded < 0)
            qFatal("alsa-lib cannot read a corpus file");
        return Config(top, snd_config_delete);
    }

    // The same children in the same order, with the same kind and value, all the way down.
    static void compare(snd_config_t* theirs, const stateTree& ours, int node, const QString& path)
    {
        int child = ours.nodes[node].first;
        snd_config_iterator_t i, next;
        snd_config_for_each(i, next, theirs)
        {
            snd_config_t* entry = snd_config_iterator_entry(i);
            const char* id = nullptr;
            snd_config_get_id(entry, &id);
            const QString where = path + '.' + id;
            QVERIFY2(child >= 0, qPrintable(where + " missing"));
            const stateNode& mine = ours.nodes[child];
            QCOMPARE(QByteArray(mine.id), QByteArray(id));
            long long integer = 0;
            const char* text = nullptr;
            switch (snd_config_get_type(entry)) {
            case SND_CONFIG_TYPE_COMPOUND:
                QCOMPARE(mine.type, int(STATE_COMPOUND));
                compare(entry, ours, child, where);
                if (QTest::currentTestFailed())
                    return;
                break;
            case SND_CONFIG_TYPE_STRING:
                snd_config_get_string(entry, &text);
                QCOMPARE(mine.type, int(STATE_STRING));
                QCOMPARE(QByteArray(mine.text), QByteArray(text));
                break;
            default: {
                long number = 0;
                QVERIFY2(snd_config_get_integer(entry, &number) == 0 ||
                             snd_config_get_integer64(entry, &integer) == 0,
                         qPrintable(where + " is neither a string nor a whole number"));
                QCOMPARE(mine.type, int(STATE_INTEGER));
                QCOMPARE(mine.integer,
                         snd_config_get_type(entry) == SND_CONFIG_TYPE_INTEGER ? number : integer);
            }
            }
            child = mine.next;
        }
        QVERIFY2(child < 0, qPrintable(path + " has more children"));
    }

    static QByteArray card(const QByteArray& controls)
    {
        return "state.Test {\n" + controls + "}\n";
    }

private slots:
    void corpusReadsAsAlsaLibReadsIt_data()
    {
        QTest::addColumn<QString>("path");
        for (const QFileInfo& file : QDir(TARVIX_CARD_CORPUS).entryInfoList({"*.state"}))
            QTest::newRow(qPrintable(file.fileName())) << file.filePath();
    }
    void corpusReadsAsAlsaLibReadsIt()
    {
        QFETCH(QString, path);
        const QByteArray text = readFile(path);
        stateTree tree;
        stateError error;
        QVERIFY2(stateParse(text.constData(), size_t(text.size()), &tree, &error) == 0,
                 qPrintable(QString("line %1: %2").arg(error.line).arg(error.reason)));
        compare(alsaTree(text).get(), tree, 0, QString());
        stateTreeFree(&tree);
    }

    // A write changes the control's value lines and nothing else, and reads back as written.
    void writesReadBack_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QList<long>>("values");
        QTest::addColumn<QList<long>>("readBefore");
        const QByteArray volume = "\t\tcomment { access 'read write' type INTEGER count 1 "
                                  "range '0 - 10' }\n\t}\n";
        const QByteArray other = "\tcontrol.2 {\n\t\tiface MIXER\n\t\tname 'Other \\\\'\n\t\t"
                                 "value 4\n" +
                                 volume;
        const QByteArray rates =
            "\t\tcomment {\n\t\t\taccess 'read write'\n\t\t\ttype ENUMERATED\n\t\t\tcount 1\n"
            "\t\t\titem.0 '48000'\n\t\t\titem.1 '44100'\n\t\t\titem.2 '96000'\n\t\t}\n\t}\n";
        QTest::newRow("UTF-8 name, a neighbour named with a backslash")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname 'Gr\xc3\xb6\xc3\x9f\\005e'\n\t\t"
                    "value 2\n" +
                    volume + other)
            << QByteArray("Gr\xc3\xb6\xc3\x9f\x05"
                          "e")
            << QList<long>{7} << QList<long>{2};
        QTest::newRow("an enumerated value that is an item's name and a number")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname 'Rate'\n\t\tvalue '44100'\n" + rates)
            << QByteArray("Rate") << QList<long>{2} << QList<long>{1};
        QTest::newRow("items of one name")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname Mode\n\t\tvalue Same\n\t\tcomment "
                    "{ access 'read write' type ENUMERATED count 1 item.0 Same item.1 Same }\n"
                    "\t}\n")
            << QByteArray("Mode") << QList<long>{1} << QList<long>{0};
        QTest::newRow("no value line yet, two values")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname Pair\n\t\tcomment { access 'read "
                    "write' type INTEGER count 2 range '0 - 10' }\n\t}\n" +
                    other)
            << QByteArray("Pair") << QList<long>{3, 9} << QList<long>{0, 0};
        QTest::newRow("values on lines of their own, a curve from their dB")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname Curve\n\t\tvalue.0 20\n\t\tvalue.1 "
                    "80\n\t\tcomment {\n\t\t\taccess 'read write'\n\t\t\ttype INTEGER\n\t\t\tcount"
                    " 2\n\t\t\trange '0 - 100'\n\t\t\tdbmin -6000\n\t\t\tdbmax 0\n\t\t\tdbvalue.0 "
                    "-3000\n\t\t\tdbvalue.1 -500\n\t\t}\n\t}\n")
            << QByteArray("Curve") << QList<long>{100, 0} << QList<long>{20, 80};
        // A point on the lowest value tells nothing, and so no curve; moved up, it would.
        QTest::newRow("a muted bottom, its point on the lowest value")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname Mute\n\t\tvalue 0\n\t\tcomment "
                    "{ access 'read write' type INTEGER count 1 range '0 - 3' dbmin -9999999 "
                    "dbmax 200 dbvalue.0 0 }\n\t}\n")
            << QByteArray("Mute") << QList<long>{2} << QList<long>{0};
        QTest::newRow("the same, flat, with no value line")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname Mute\n\t\tcomment.access "
                    "'read write'\n\t\tcomment.type INTEGER\n\t\tcomment.count 1\n\t\t"
                    "comment.range '0 - 3'\n\t\tcomment.dbmin -9999999\n\t\tcomment.dbmax "
                    "200\n\t\tcomment.dbvalue.0 0\n\t}\n")
            << QByteArray("Mute") << QList<long>{1} << QList<long>{0};
        // The separators of values that go must go too, or two would meet.
        QTest::newRow("separators after values, one on the next line")
            << card("\tcontrol.1 {\n\t\tiface MIXER\n\t\tname Sep\n\t\tvalue.0 1\n\t\tvalue.1 "
                    "2,\n\t\tvalue.2 3\n\t\t;comment { access 'read write' type INTEGER count 3 "
                    "range '0 - 10' }\n\t}\n")
            << QByteArray("Sep") << QList<long>{7, 8, 9} << QList<long>{1, 2, 3};
        QTest::newRow("a separator between a value and the next entry")
            << card("\tcontrol.1 {\n\t\tname Pair\n\t\tvalue.0 1 value.1 2,iface MIXER\n\t\t"
                    "comment { access 'read write' type INTEGER count 2 range '0 - 10' }\n\t}\n")
            << QByteArray("Pair") << QList<long>{5, 6} << QList<long>{1, 2};
        QTest::newRow("a quoted value touching the next entry")
            << card("\tcontrol.1 {\n\t\tname Pair\n\t\tvalue.0 1 value.1 '2'iface MIXER\n\t\t"
                    "comment { access 'read write' type INTEGER count 2 range '0 - 10' }\n\t}\n")
            << QByteArray("Pair") << QList<long>{0, 3} << QList<long>{1, 2};
        QTest::newRow("the same, the value written in its place")
            << card("\tcontrol.1 {\n\t\tname One\n\t\tvalue '2'iface MIXER\n\t\tcomment "
                    "{ access 'read write' type INTEGER count 1 range '0 - 10' }\n\t}\n")
            << QByteArray("One") << QList<long>{7} << QList<long>{2};
    }
    void writesReadBack()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, control);
        QFETCH(QList<long>, values);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(text) == text.size() && file.flush());
        stateCard card;
        stateError error;
        QCOMPARE(stateLoad(file.handle(), &card, &error), 0);
        const auto snapshot = [&card] {
            QList<QPair<QByteArray, QList<long>>> controls;
            for (unsigned int k = 0; k < card.count; ++k) {
                const stateControl& c = card.controls[k];
                controls.append({c.id.name, QList<long>(c.values, c.values + c.count)});
            }
            return controls;
        };
        auto expected = snapshot();
        unsigned int key = 0;
        while (key < card.count && control != card.controls[key].id.name)
            ++key;
        QVERIFY(key < card.count);
        QTEST(expected[int(key)].second, "readBefore");
        const auto curve = [&card, key] {
            const stateControl& c = card.controls[key];
            return QList<unsigned int>(c.tlv, c.tlv + c.tlvWords);
        };
        const QList<unsigned int> curveBefore = curve();
        QCOMPARE(stateStore(&card, file.handle(), key, values.constData()), 1);
        stateFree(&card);
        QCOMPARE(stateLoad(file.handle(), &card, &error), 0);
        expected[int(key)].second = values;
        QCOMPARE(snapshot(), expected);
        QCOMPARE(curve(), curveBefore);
        stateFree(&card);
        // Apart from value lines, their dB, their separators and the curve kept beside them,
        // every byte stays.
        const auto rest = [](const QByteArray& bytes) {
            static const QRegularExpression points(" *(comment\\.)?dbvalue\\.\\d+ -?\\d+|[,;]");
            QList<QByteArray> lines =
                QString::fromLatin1(bytes).remove(points).toLatin1().split('\n');
            lines.removeIf([](const QByteArray& line) {
                return line.trimmed().isEmpty() || line.trimmed().startsWith("value") ||
                       line.trimmed().startsWith("comment.tlv");
            });
            return lines;
        };
        QCOMPARE(rest(readFile(file.fileName())), rest(text));
    }
};

QTEST_GUILESS_MAIN(TestStateReader)
#include "tst_statereader.moc"
