// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsamixer.h"
#include "nodevicehint.h"
#include "tarvixlibrary.h"

#include <QDir>
#include <QStatusBar>
#include <QTest>

#include <alsa/asoundlib.h>
#include <atomic>
#include <dlfcn.h>

// Stands in front of alsa-lib's for the backend linked into this test: counts every write to a
// card, of an equal value too, and passes it on.
static std::atomic<int> cardWrites{0};
extern "C" int snd_ctl_elem_write(snd_ctl_t* handle, snd_ctl_elem_value_t* value)
{
    using Write = int (*)(snd_ctl_t*, snd_ctl_elem_value_t*);
    static const auto next = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "snd_ctl_elem_write"));
    ++cardWrites;
    return next(handle, value);
}

// The window over virtual cards: what it shows and what it writes, read back by amixer.
class TestAlsaWindow : public QObject
{
    Q_OBJECT

private slots:
    void applyingADeviceWritesNothing_data()
    {
        QTest::addColumn<QString>("trigger");
        for (const char* trigger :
             {"start", "arrival", "selection", "removal", "change", "reshape", "knob"})
            QTest::newRow(trigger) << trigger;
    }

    // Only a person's action writes to a card: never the window's own showing of one. Both cards
    // hold levels where the sliders of the other would have to move: the interface's output
    // stands at the top of its range, the range curve's ends below 0 dB (a DB_RANGE curve). A
    // change is a switch changed elsewhere; a reshape, firmware changing mode, makes the shown
    // card's controls go and others come.
    void applyingADeviceWritesNothing()
    {
        QFETCH(QString, trigger);
        const bool highPresent = trigger == "selection" || trigger == "removal";
        VirtualCards cards;
        if (highPresent)
            cards.plug(1, VirtualCards::shape("interface"));
        if (trigger != "arrival")
            cards.plug(2, VirtualCards::shape("rangecurve"));
        AlsaMixer mixer;
        cardWrites = 0;
        QTRY_COMPARE(mixer.ids().size(), int(highPresent) + int(trigger != "arrival"));

        if (trigger == "arrival") {
            cards.plug(2, VirtualCards::shape("rangecurve"));
        } else if (trigger == "selection") {
            mixer.list()->setCurrentIndex(1);
        } else if (trigger == "removal") {
            cards.unplug(1);
        } else if (trigger == "reshape") {
            cards.rewrite(
                2, [](QByteArray text) { return text.replace("Line In 1 Ph", "Line In 9 Ph"); });
            QTRY_VERIFY(!mixer.get("cb_phantom_left")->isEnabled());
        } else if (trigger == "knob") { // knobs take the controls over: they become read-only
            cards.rewrite(2, [](QByteArray text) { return text.replace("'read write'", "read"); });
            QTRY_VERIFY(!mixer.slider("playback_left")->isEnabled());
        } else if (trigger == "change") {
            cards.amixer(2, "Line In 1 Phantom Power Capture Switch", "on");
            QTRY_VERIFY(mixer.box("cb_phantom_left")->isChecked());
        }
        QTRY_COMPARE(mixer.list()->currentData().toString(), QStringLiteral("alsa:Range"));
        QTRY_COMPARE(mixer.ids().size(), 1 + int(trigger == "selection"));
        QCOMPARE(cardWrites.load(), 0);
    }

    void cardsComeAndGoWithTheirNodes()
    {
        VirtualCards cards;
        // Every card opened, listed or not, is closed with its control.
        const auto openFiles = [] { return QDir("/proc/self/fd").count(); };
        const uint filesBefore = openFiles();
        {
            AlsaMixer mixer;
            new NoDeviceHint(mixer.window.get()); // as the program adds it on a hardware backend
            QTRY_COMPARE(mixer.window->statusBar()->currentMessage(), NoDeviceHint::text());
            // Not yet readable and writable (udev has not set the mode): tried again on the change.
            cards.plug(2, VirtualCards::shape("classcompliant"), QFile::ReadOwner);
            VirtualCards::Shape builtIn = VirtualCards::shape("classcompliant");
            builtIn.name += "\nHDA-Intel";
            cards.plug(3, builtIn);
            cards.plug(4, VirtualCards::shape("interface"));
            QTRY_COMPARE(mixer.ids(), QStringList{"alsa:Interface"});
            QVERIFY(mixer.window->statusBar()->currentMessage().isEmpty());
            // However many attribute changes come first; a card plugged or pulled out after
            // each shows that the library has seen it.
            for (int i = 0; i < 10; ++i) {
                QFile::setPermissions(cards.node(2), i % 2 ? QFile::ReadOwner : QFile::ReadUser);
                i % 2 ? cards.unplug(6) : cards.plug(6, VirtualCards::shape("classcompliant"));
                QTRY_COMPARE(mixer.ids().size(), i % 2 ? 1 : 2);
            }
            QFile::setPermissions(cards.node(2), QFile::ReadOwner | QFile::WriteOwner);
            QTRY_COMPARE(mixer.ids(), (QStringList{"alsa:Interface", "alsa:Class"}));
            cards.plug(5, VirtualCards::shape("classcompliant")); // an identical twin
            QTRY_COMPARE(mixer.ids(),
                         (QStringList{"alsa:Interface", "alsa:Class", "alsa:Class#5"}));

            cards.unplug(4); // the shown card
            QTRY_COMPARE(mixer.ids(), (QStringList{"alsa:Class", "alsa:Class#5"}));
            QCOMPARE(mixer.list()->currentData().toString(), QStringLiteral("alsa:Class"));
            cards.plug(7, VirtualCards::shape("interface")); // replugged elsewhere: the same id
            QTRY_COMPARE(mixer.ids().value(2), QStringLiteral("alsa:Interface"));

            AlsaMixer everything(true);
            QTRY_COMPARE(everything.ids().size(), 4);
            QVERIFY(everything.ids().contains("alsa:Class#3"));
        }
        QCOMPARE(openFiles(), filesBefore);
        // The backend is chosen where its device folder exists; a file is no folder.
        AlsaBackend::Options options;
        QVERIFY(AlsaBackend::isUsableHere(options));
        options.deviceFolder = cards.node(7).toStdString();
        QVERIFY(!AlsaBackend::isUsableHere(options));
    }
};

QTEST_MAIN(TestAlsaWindow)
#include "tst_alsawindow.moc"
