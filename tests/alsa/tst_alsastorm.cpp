#include "alsamixer.h"

#include <QRandomGenerator>
#include <QTest>

#include <utility>

class TestAlsaStorm : public QObject
{
    Q_OBJECT

private slots:
    // Hot-plug with changes made elsewhere by amixer while the window moves sliders: afterwards
    // the list holds exactly the plugged cards and the window shows the card.
    void plugsAndChangesElsewhere()
    {
        const QStringList shapes{"classcompliant", "interface", "nooutput"};
        const QStringList ids{"alsa:Class", "alsa:Interface", "alsa:Recorder"};
        VirtualCards cards;
        AlsaMixer mixer;
        QRandomGenerator random(11);
        bool plugged[3] = {};
        for (int cycle = 0; cycle < 200; ++cycle) {
            const int card = int(random.bounded(3));
            plugged[card] ? cards.unplug(card)
                          : cards.plug(card, VirtualCards::shape(shapes[card]));
            plugged[card] = !plugged[card];
            if (plugged[0])
                cards.amixer(0, "PCM Playback Volume", QStringLiteral("%1,4").arg(cycle % 128));
            mixer.slider("vol_slider_playback_left")->setValue(-int(random.bounded(140)));
            mixer.slider("vol_slider_record_right")->setValue(int(random.bounded(10)));
            QCoreApplication::processEvents();
        }
        if (!std::exchange(plugged[0], true))
            cards.plug(0, VirtualCards::shape(shapes[0]));
        cards.amixer(0, "PCM Playback Volume", "40,90");
        QStringList expected;
        for (int card = 0; card < 3; ++card) {
            if (plugged[card])
                expected.append(ids[card]);
        }
        const auto shown = [&] {
            QStringList listed = mixer.ids();
            listed.sort();
            return listed;
        };
        QTRY_COMPARE(shown(), expected);
        mixer.list()->setCurrentIndex(mixer.ids().indexOf("alsa:Class"));
        QTRY_COMPARE(mixer.label("vol_label_playback_left"), QStringLiteral("-43.5 dB"));
        QCOMPARE(mixer.label("vol_label_playback_right"), QStringLiteral("-18.5 dB"));
        QCOMPARE(mixer.slider("vol_slider_playback_right")->value(), -37);
    }
};

QTEST_MAIN(TestAlsaStorm)
#include "tst_alsastorm.moc"
