// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsamixer.h"

#include <QRandomGenerator>
#include <QTest>

class TestAlsaStorm : public QObject
{
    Q_OBJECT

private slots:
    // Hot-plug with changes made elsewhere by amixer while the window moves sliders: afterwards
    // the list holds exactly the plugged card and the window shows its levels.
    void plugsAndChangesElsewhere()
    {
        const QStringList shapes{"classcompliant", "interface", "nooutput"};
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
            mixer.slider("playback_left")->setValue(-int(random.bounded(140)));
            mixer.slider("record_right")->setValue(int(random.bounded(10)));
            QCoreApplication::processEvents();
        }
        // The last word: the class-compliant card plugged, the others unplugged; the window
        // still follows the card (how levels read out is the window test's).
        if (!plugged[0])
            cards.plug(0, VirtualCards::shape(shapes[0]));
        cards.unplug(1);
        cards.unplug(2);
        cards.amixer(0, "PCM Playback Volume", "40,90");
        QTRY_COMPARE(mixer.ids(), QStringList{"alsa:Class"});
        QTRY_COMPARE(mixer.label("playback_left")->text(), QStringLiteral("-43.5 dB"));
    }
};

QTEST_MAIN(TestAlsaStorm)
#include "tst_alsastorm.moc"
