#include "virtualcards.h"

#include <QDir>
#include <QTest>

#include <alsa/asoundlib.h>

// Every card of the corpus in tests/alsa/cards/ served by the virtual card through alsa-lib:
// listed whole, every control readable, and each recorded dB value what alsa-lib converts the
// recorded value to.
class TestAlsaCards : public QObject
{
    Q_OBJECT

    // Per control with recorded dB values: its id and those values, read from the file itself.
    struct Recorded
    {
        snd_ctl_elem_iface_t iface;
        QByteArray name;
        long index = 0;
        QList<long> db;
    };

    static long number(snd_config_t* parent, const char* key)
    {
        snd_config_t* node;
        long value = 0;
        if (snd_config_search(parent, key, &node) == 0)
            snd_config_get_integer(node, &value);
        return value;
    }

    static QList<Recorded> recordedDb(const QByteArray& text)
    {
        QList<Recorded> recorded;
        snd_config_t *root, *controls;
        snd_input_t* input;
        snd_config_top(&root);
        snd_input_buffer_open(&input, text.constData(), text.size());
        const bool loaded = snd_config_load(root, input) == 0;
        snd_input_close(input);
        snd_config_iterator_t i, next, v, vNext;
        if (loaded && snd_config_search(root, "state", &controls) == 0) {
            controls = snd_config_iterator_entry(snd_config_iterator_first(controls));
            snd_config_search(controls, "control", &controls);
            snd_config_for_each(i, next, controls)
            {
                snd_config_t *control = snd_config_iterator_entry(i), *dbValues, *field;
                const char *name, *iface;
                if (snd_config_search(control, "comment.dbvalue", &dbValues) < 0)
                    continue;
                snd_config_search(control, "name", &field);
                snd_config_get_string(field, &name);
                snd_config_search(control, "iface", &field);
                snd_config_get_string(field, &iface);
                Recorded entry{SND_CTL_ELEM_IFACE_MIXER, name, number(control, "index"), {}};
                for (int kind = 0; kind <= SND_CTL_ELEM_IFACE_LAST; ++kind)
                    if (qstrcmp(iface, snd_ctl_elem_iface_name(snd_ctl_elem_iface_t(kind))) == 0)
                        entry.iface = snd_ctl_elem_iface_t(kind);
                snd_config_for_each(v, vNext, dbValues)
                {
                    long db = 0;
                    snd_config_get_integer(snd_config_iterator_entry(v), &db);
                    entry.db.append(db);
                }
                recorded.append(entry);
            }
        }
        snd_config_delete(root);
        return recorded;
    }

    static QString control(const QString& name, const QString& comment,
                           const QString& values = "value 0")
    {
        static int number = 0;
        return QStringLiteral("control.%1 { iface MIXER name '%2' %3 comment { access 'read "
                              "write' %4 } }\n")
            .arg(++number)
            .arg(name, values, comment);
    }

    static QString card(const QString& controls) { return "state.Edge {\n" + controls + "}\n"; }

private slots:
    // Every corpus card, then cards that test the edges: the number of controls served, or -1
    // where the file cannot be a card.
    void everyCardOpens_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("controls");
        const QRegularExpression served("type (INTEGER|BOOLEAN|ENUMERATED)\\n");
        for (const QFileInfo& file :
             QDir(TARVIX_CARD_CORPUS).entryInfoList({"*.state"}, QDir::Files, QDir::Name)) {
            const VirtualCards::Shape shape = VirtualCards::stateFile(file.filePath());
            // The name as the kernel's card name holds it, cut at 31 bytes.
            QTest::newRow(qPrintable(file.completeBaseName()))
                << shape.state << shape.name.left(31) << int(shape.state.count(served));
        }
        QTest::newRow("mute bottom step, bent curve")
            << card(control("Speaker Playback Volume",
                            "type INTEGER count 2 range '0 - 37' dbmin -9999999 dbmax 0 "
                            "dbvalue.0 -9999999 dbvalue.1 -2700",
                            "value.0 0 value.1 10") +
                    control("Mic Capture Volume",
                            "type INTEGER count 2 range '0 - 100' dbmin -5000 dbmax 0 "
                            "dbvalue.0 -1000 dbvalue.1 -400",
                            "value.0 50 value.1 75"))
            << "Edge" << 2;
        QTest::newRow("unservable controls left out")
            << card(control("Zero Count Volume", "type INTEGER count 0 range '0 - 1'") +
                    control("Upside Down Volume", "type INTEGER count 1 range '5 - 1'") +
                    control("Bytes", "type BYTES count 4") +
                    control("Float", "type FLOAT count 1") +
                    control("Wordy Count Switch", "type BOOLEAN count many") +
                    control("Itemless Enum", "type ENUMERATED count 1") +
                    control("Huge Count Switch", "type BOOLEAN count 500") +
                    control(QString(60, 'A'), "type BOOLEAN count 1") +
                    control(QString(50, 'A'), "type BOOLEAN count 1") + // the same, once cut
                    control("\\377\\376 Switch", "type BOOLEAN count 1") +
                    control("Bad Tlv Volume", "type INTEGER count 1 range '0 - 9' tlv 'zz'"))
            << "Edge" << 3;
        QString many;
        for (int i = 0; i < 3000; ++i)
            many += control(QStringLiteral("Switch %1").arg(i), "type BOOLEAN count 1");
        QTest::newRow("thousands of controls") << card(many) << "Edge" << 3000;
        QTest::newRow("truncated") << card(many).left(1000) << "" << -1;
        QTest::newRow("no state file") << QString("state 5") << "" << -1;
        QTest::newRow("nested past the parser's stack")
            << card(QString("a { ").repeated(200000)) << "" << -1;
        const VirtualCards::Shape lines = VirtualCards::fromLines(
            "card|Short|USB-Audio|Short Card\n"
            "elem|PCM Playback Volume|i|rw|0|127|100,100|4,8,-6350,0|\n"
            "elem|Direct Monitor Playback Enum|e|rw|0|2|1||Off,Stereo,Mono\n");
        QTest::newRow("lines") << lines.state << "Short Card" << 2;
    }
    void everyCardOpens()
    {
        QFETCH(QString, state);
        QFETCH(QString, name);
        QFETCH(int, controls);
        VirtualCards cards;
        cards.plug(0, {state, name});
        snd_ctl_t* handle;
        QCOMPARE(snd_ctl_open(&handle, "hw:0", 0) == 0, controls >= 0);
        if (controls < 0)
            return;
        snd_ctl_card_info_t* info;
        snd_ctl_card_info_alloca(&info);
        QCOMPARE(snd_ctl_card_info(handle, info), 0);
        QCOMPARE(snd_ctl_card_info_get_name(info), name);
        QCOMPARE(snd_ctl_card_info_get_driver(info), "USB-Audio");

        snd_ctl_elem_list_t* list;
        snd_ctl_elem_list_alloca(&list);
        snd_ctl_elem_list(handle, list);
        const unsigned int count = snd_ctl_elem_list_get_count(list);
        QCOMPARE(count, uint(controls));
        snd_ctl_elem_value_t* value;
        snd_ctl_elem_value_alloca(&value);
        for (unsigned int numid = 1; numid <= count; ++numid) {
            snd_ctl_elem_value_set_numid(value, numid);
            QCOMPARE(snd_ctl_elem_read(handle, value), 0);
        }
        for (const Recorded& control : recordedDb(state.toUtf8())) {
            snd_ctl_elem_value_set_interface(value, control.iface);
            snd_ctl_elem_value_set_name(value, control.name.constData());
            snd_ctl_elem_value_set_index(value, uint(control.index));
            snd_ctl_elem_value_set_numid(value, 0);
            QCOMPARE(snd_ctl_elem_read(handle, value), 0);
            for (int n = 0; n < control.db.size(); ++n) {
                snd_ctl_elem_id_t* id;
                snd_ctl_elem_id_alloca(&id);
                snd_ctl_elem_value_get_id(value, id);
                long db = 0;
                QCOMPARE(snd_ctl_convert_to_dB(handle, id,
                                               snd_ctl_elem_value_get_integer(value, uint(n)), &db),
                         0);
                QVERIFY2(qAbs(db - control.db[n]) <= 1, control.name.constData());
            }
        }
        snd_ctl_close(handle);
    }

    // Firmware changing mode replaces the controls under an open handle: their removal and
    // the new ones' addition are reported, and a file that stops parsing keeps the last shape.
    void shapeChangesWhileOpen()
    {
        VirtualCards cards;
        cards.plug(0, VirtualCards::shape("classcompliant"));
        snd_ctl_t* handle;
        QCOMPARE(snd_ctl_open(&handle, "hw:0", SND_CTL_NONBLOCK), 0);
        QCOMPARE(snd_ctl_subscribe_events(handle, 1), 0);
        const QByteArray interface = VirtualCards::shape("interface").state.toUtf8();
        cards.rewrite(0, [&](const QByteArray&) { return interface; });
        QCOMPARE(snd_ctl_wait(handle, 10000), 1);
        snd_ctl_event_t* event;
        snd_ctl_event_alloca(&event);
        QMap<unsigned int, int> masks;
        while (snd_ctl_read(handle, event) == 1)
            ++masks[snd_ctl_event_elem_get_mask(event)];
        QCOMPARE(masks, (QMap<unsigned int, int>{{SND_CTL_EVENT_MASK_REMOVE, 4},
                                                 {SND_CTL_EVENT_MASK_ADD, 8}}));
        cards.rewrite(0, [](const QByteArray&) { return QByteArray("state.X { control.1 {"); });
        snd_ctl_elem_list_t* list;
        snd_ctl_elem_list_alloca(&list);
        QCOMPARE(snd_ctl_elem_list(handle, list), 0);
        QCOMPARE(snd_ctl_elem_list_get_count(list), 8u);
        snd_ctl_close(handle);
    }
};

QTEST_MAIN(TestAlsaCards)
#include "tst_alsacards.moc"
