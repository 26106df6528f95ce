// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsamixer.h"
#include "levellabels.h"

#include <QTest>

#include <alsa/asoundlib.h>

#include <cmath>
#include <limits>

namespace {

// The columns of expected.tsv after the file name (README, "Supported interfaces").
enum Column {
    Name,
    Maker,
    Model,
    OutLeft,
    OutRight,
    OutMuteLeft,
    OutMuteRight,
    InLeft,
    InRight,
    InMuteLeft,
    InMuteRight,
    PhantomLeft,
    PhantomRight,
    LoopLeft,
    LoopRight
};

// A table cell: "-", or "[!]NAME[#INDEX][:CHANNEL][=ITEM][%]".
struct Cell
{
    QByteArray name, item;
    int index = 0, channel = 0;
    bool inverted = false; // a mute switch that is on when muted
    bool percent = false;  // a level without usable dB, shown in percent

    explicit Cell(const QString& text = "-")
    {
        static const QRegularExpression form("^(!?)(.+?)(?:#(\\d+))?(?::(\\d+))?(?:=(.+))?(%?)$");
        const QRegularExpressionMatch match = form.match(text);
        if (text == "-" || !match.hasMatch())
            return;
        inverted = !match.captured(1).isEmpty();
        name = match.captured(2).toUtf8();
        index = match.captured(3).toInt();
        channel = match.captured(4).toInt();
        item = match.captured(5).toUtf8();
        percent = !match.captured(6).isEmpty();
    }
    bool present() const { return !name.isEmpty(); }
    QString key() const { return QStringLiteral("%1#%2:%3").arg(name).arg(index).arg(channel); }
};

// The card as alsa-lib shows it to another program.
class Card
{
public:
    explicit Card(int number)
    {
        snd_ctl_open(&handle, qPrintable(QStringLiteral("hw:%1").arg(number)), 0);
        snd_ctl_elem_info_malloc(&info);
    }
    ~Card()
    {
        snd_ctl_close(handle);
        snd_ctl_elem_info_free(info);
    }

    // Every channel of every control, by Cell::key().
    QMap<QString, long> dump()
    {
        QMap<QString, long> values;
        snd_ctl_elem_list_t* list;
        snd_ctl_elem_list_alloca(&list);
        snd_ctl_elem_list(handle, list);
        snd_ctl_elem_list_alloc_space(list, snd_ctl_elem_list_get_count(list));
        snd_ctl_elem_list(handle, list);
        for (unsigned int i = 0; i < snd_ctl_elem_list_get_used(list); ++i) {
            Cell cell;
            cell.name = snd_ctl_elem_list_get_name(list, i);
            cell.index = int(snd_ctl_elem_list_get_index(list, i));
            for (select(cell); cell.channel < int(snd_ctl_elem_info_get_count(info));
                 ++cell.channel)
                values[cell.key()] = read(cell.channel);
        }
        snd_ctl_elem_list_free_space(list);
        return values;
    }
    long value(const Cell& cell) { return select(cell) ? read(cell.channel) : -1; }
    long rawEnd(const Cell& cell, bool top)
    {
        return !select(cell) ? 0
               : top         ? snd_ctl_elem_info_get_max(info)
                             : snd_ctl_elem_info_get_min(info);
    }
    float percent(const Cell& cell)
    {
        const double min = double(rawEnd(cell, false)), max = double(rawEnd(cell, true));
        return float((double(value(cell)) - min) / (max - min) * 100);
    }
    bool writable(const Cell& cell) { return select(cell) && snd_ctl_elem_info_is_writable(info); }
    long centiDb(const Cell& cell, bool lowest = false)
    {
        long db = 0, top = 0;
        if (!select(cell))
            return 0;
        snd_ctl_elem_id_t* id;
        snd_ctl_elem_id_alloca(&id);
        snd_ctl_elem_info_get_id(info, id);
        if (lowest)
            snd_ctl_get_dB_range(handle, id, &db, &top);
        else
            snd_ctl_convert_to_dB(handle, id, read(cell.channel), &db);
        return db;
    }
    // The value a ticked (on) or cleared box sets: a mute's position, an enum's item (Off when
    // cleared), else the switch's.
    long boxValue(const Cell& cell, bool on, bool mute)
    {
        if (mute)
            return on == cell.inverted;
        for (unsigned int i = 0;
             !cell.item.isEmpty() && select(cell) && i < snd_ctl_elem_info_get_items(info); ++i) {
            snd_ctl_elem_info_set_item(info, i);
            snd_ctl_elem_info(handle, info);
            if (snd_ctl_elem_info_get_item_name(info) == (on ? cell.item : "Off"))
                return i;
        }
        return on;
    }

private:
    bool select(const Cell& cell)
    {
        snd_ctl_elem_info_clear(info);
        snd_ctl_elem_info_set_interface(info, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_info_set_name(info, cell.name.constData());
        snd_ctl_elem_info_set_index(info, unsigned(cell.index));
        return snd_ctl_elem_info(handle, info) == 0;
    }
    long read(int channel)
    {
        snd_ctl_elem_value_t* value;
        snd_ctl_elem_value_alloca(&value);
        snd_ctl_elem_value_set_numid(value, snd_ctl_elem_info_get_numid(info));
        snd_ctl_elem_read(handle, value);
        const unsigned int c = unsigned(channel);
        switch (snd_ctl_elem_info_get_type(info)) {
        case SND_CTL_ELEM_TYPE_BOOLEAN:
            return snd_ctl_elem_value_get_boolean(value, c);
        case SND_CTL_ELEM_TYPE_ENUMERATED:
            return snd_ctl_elem_value_get_enumerated(value, c);
        default:
            return snd_ctl_elem_value_get_integer(value, c);
        }
    }

    snd_ctl_t* handle = nullptr;
    snd_ctl_elem_info_t* info = nullptr;
};

// A channel other than the named ones that differs between two dumps, else none.
QString otherChanged(const QMap<QString, long>& before, const QMap<QString, long>& after,
                     const Cell& first, const Cell& second)
{
    for (auto it = after.begin(); it != after.end(); ++it) {
        if (before.value(it.key()) != it.value() && it.key() != first.key() &&
            it.key() != second.key())
            return it.key();
    }
    return {};
}

} // namespace

// Every card of the corpus (cards/) and every test card shape (virtualcard/) through the
// program's own path, checked against the table beside the cards (expected.tsv).
class TestAlsaCards : public QObject
{
    Q_OBJECT

    QStringList row;
    Cell cell(int column) const { return Cell(row.value(column)); }
    const QList<std::pair<QString, int>> switchBoxes{{"cb_phantom_left", PhantomLeft},
                                                     {"cb_phantom_right", PhantomRight},
                                                     {"cb_loopback_left", LoopLeft},
                                                     {"cb_loopback_right", LoopRight}};

    // The read-outs show what the card holds: output dB as alsa-lib converts it (below the
    // sliders' floor a refresh says so, a slider returning there shows the level), inputs the
    // nearest read-out of the input scale, a level without dB its raw value in percent.
    void checkLevels(AlsaMixer& mixer, Card& card)
    {
        const QStringList labels{"playback_left", "playback_right", "record_left", "record_right"};
        for (int column = OutLeft; column <= InRight; ++column) {
            const QString label =
                labels.value(column < InLeft ? column - OutLeft : column - InLeft + 2);
            if (column == OutMuteLeft || column == OutMuteRight || !cell(column).present())
                continue;
            const long db = card.centiDb(cell(column));
            const bool mute = db == SND_CTL_TLV_DB_GAIN_MUTE;
            const float level = mute ? -std::numeric_limits<float>::infinity() : float(db / 100.0);
            const int position = mute ? 0 : qMax(1, int(std::lround(db / 600.0)) + 1);
            const QStringList shown =
                cell(column).percent
                    ? QStringList{LevelLabels::percentText(card.percent(cell(column)))}
                : column >= InLeft ? QStringList{LevelLabels::inputPositionText(position)}
                                   : QStringList{LevelLabels::outputRefreshText(level),
                                                 LevelLabels::outputLevelText(level)};
            QTRY_VERIFY2(shown.contains(mixer.label(label)->text()), qPrintable(label));
        }
    }

    // A move of the left slider (linked to the right) writes the named writable controls alone;
    // the lowest input position is the lowest gain, wherever it lies in the raw range; a level
    // without dB spans its raw range.
    void moveSlider(AlsaMixer& mixer, Card& card, const QString& side, int left)
    {
        QSlider* slider = mixer.slider(side);
        QCOMPARE(slider->isEnabled(), card.writable(cell(left)));
        const QMap<QString, long> before = card.dump();
        const bool down = slider->value() == slider->maximum();
        slider->setValue(down ? slider->minimum() : slider->maximum());
        QCOMPARE(otherChanged(before, card.dump(), cell(left), cell(left + 1)), QString());
        QCOMPARE(before.value(cell(left).key()) != card.value(cell(left)),
                 card.writable(cell(left)));
        if (left == InLeft && down && card.writable(cell(left)))
            QCOMPARE(card.centiDb(cell(left)), card.centiDb(cell(left), true));
        if (cell(left).percent && card.writable(cell(left)))
            QCOMPARE(card.value(cell(left)), card.rawEnd(cell(left), !down));
        checkLevels(mixer, card);
    }

    // Two clicks on a box each write its named controls alone, and the boxes show the card.
    void clickBox(AlsaMixer& mixer, Card& card, const QString& box, int first, int second)
    {
        const bool mute = box.endsWith("mute");
        const auto shows = [&](const Cell& c) {
            return c.present() && card.value(c) == card.boxValue(c, true, mute);
        };
        for (int round = 0; round < 2; ++round) {
            const QMap<QString, long> before = card.dump();
            const bool on = !mixer.box(box)->isChecked();
            mixer.box(box)->click();
            QCOMPARE(otherChanged(before, card.dump(), cell(first), cell(second)), QString());
            for (const Cell& c : {cell(first), cell(second)}) {
                if (c.present() && card.writable(c))
                    QCOMPARE(card.value(c), card.boxValue(c, on, mute));
            }
            QCOMPARE(mixer.box(box)->isChecked(), shows(cell(first)) || shows(cell(second)));
            for (const auto& [other, column] : switchBoxes) {
                if (!mute && cell(column).present())
                    QCOMPARE(mixer.box(other)->isChecked(), shows(cell(column)));
            }
        }
    }

private slots:
    void everyCardShowsAndSetsItsControls_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("row");
        for (const QString folder : {TARVIX_CARD_CORPUS, TARVIX_VIRTUAL_CARD_SHAPES}) {
            QFile table(folder + "/expected.tsv");
            QVERIFY(table.open(QIODevice::ReadOnly));
            table.readLine(); // the column names
            while (!table.atEnd()) {
                QStringList cells = QString::fromUtf8(table.readLine()).chopped(1).split('\t');
                const QString file = cells.takeFirst();
                QTest::newRow(qPrintable(file)) << folder + "/" + file + ".state" << cells;
            }
        }
    }
    void everyCardShowsAndSetsItsControls()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, row);
        this->row = row;
        const VirtualCards::Shape shape{VirtualCards::text(state), row[Name]};
        VirtualCards cards;
        cards.plug(1, shape);
        AlsaMixer mixer;
        QTRY_COMPARE(mixer.list()->currentText(), row[Name]);
        Card card(1);

        QCOMPARE(mixer.get("gb_playback")->isEnabled(),
                 cell(OutLeft).present() || cell(OutMuteLeft).present());
        QCOMPARE(mixer.get("gb_record")->isEnabled(),
                 cell(InLeft).present() || cell(InMuteLeft).present());
        // A direction of a mute alone: its sliders and link box are disabled and say why.
        for (const auto& [side, link, column] :
             {std::tuple{"playback", "cb_playback_link", OutLeft},
              std::tuple{"record", "cb_record_link", InLeft}}) {
            if (cell(column).present() || !mixer.box(link)->parentWidget()->isEnabled())
                continue;
            for (const QString channel : {"_left", "_right"})
                QVERIFY(!mixer.slider(side + channel)->isEnabled());
            QVERIFY(!mixer.box(link)->isEnabled());
            QVERIFY(!mixer.box(link)->toolTip().isEmpty());
        }
        QCOMPARE(mixer.get("gb_hid_control")->isEnabled(), row.mid(PhantomLeft).count("-") < 4);
        // Within an enabled group, a box for what the card lacks is disabled and says why.
        QList<std::tuple<QString, int, int>> boxes{{"cb_playback_mute", OutMuteLeft, OutMuteRight},
                                                   {"cb_record_mute", InMuteLeft, InMuteRight}};
        for (const auto& [box, column] : switchBoxes)
            boxes.append({box, column, column});
        for (const auto& [box, first, second] : boxes) {
            if (!mixer.box(box)->parentWidget()->isEnabled())
                continue;
            QVERIFY2(mixer.box(box)->isEnabled() == cell(first).present(), qPrintable(box));
            if (!cell(first).present())
                QCOMPARE(mixer.box(box)->toolTip(),
                         QStringLiteral("This interface has no such switch."));
        }

        checkLevels(mixer, card);
        if (cell(OutLeft).present())
            moveSlider(mixer, card, "playback_left", OutLeft);
        if (cell(InLeft).present())
            moveSlider(mixer, card, "record_left", InLeft);
        for (const auto& [box, first, second] : boxes) {
            if (!QTest::currentTestFailed() && mixer.box(box)->isEnabled())
                clickBox(mixer, card, box, first, second);
        }
        if (QTest::currentTestFailed())
            return;
        cards.unplug(1);
        QTRY_VERIFY(mixer.ids().isEmpty());
        cards.plug(2, shape);
        QTRY_COMPARE(mixer.list()->currentText(), row[Name]);
    }
};

QTEST_MAIN(TestAlsaCards)
#include "tst_alsacards.moc"
