#include "cardidentity.h"
#include "dbcurve.h"
#include "elementchoice.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace ElementChoice;

namespace {

// Elements from "<kind><channels> <name>[#index]": v a volume with a dB range, n one without, b a
// switch, e an enum of Off and On.
std::vector<Element> elements(const QStringList& entries)
{
    std::vector<Element> result;
    for (const QString& entry : entries) {
        const QStringList name = entry.mid(3).split('#');
        const QChar kind = entry[0];
        result.push_back(
            {name[0].toStdString(), name.value(1).toInt(),
             kind == 'b'   ? Kind::Boolean
             : kind == 'e' ? Kind::Enumerated
                           : Kind::Integer,
             entry[1].digitValue(), kind == 'v',
             kind == 'e' ? std::vector<std::string>{"Off", "On"} : std::vector<std::string>{}});
    }
    return result;
}

// "left/right/switchLeft/switchRight" as element.channel, "-" for none; "!" for a switch that is on
// when muted.
QString describe(const EndpointChoice& c)
{
    const auto ref = [](const ChannelRef& r) {
        return r.present() ? QStringLiteral("%1.%2").arg(r.element).arg(r.channel)
                           : QStringLiteral("-");
    };
    return QStringList{ref(c.left), ref(c.right), ref(c.switchLeft), ref(c.switchRight)}.join('/') +
           (c.muteInverted ? "!" : "");
}

const float inf = std::numeric_limits<float>::infinity();

} // namespace

class TestAlsaLogic : public QObject
{
    Q_OBJECT

private slots:
    // The corpus test (tst_alsacards) meets these on real cards; here are the preferences and
    // refusals between them and shapes no corpus card has.
    void endpointsComeFromElementNames_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("input");
        QTest::newRow("Master before PCM; a volume without dB is passed over")
            << QStringList{"v2 PCM Playback Volume", "n2 Speaker Playback Volume",
                           "v1 Master Playback Volume", "n2 Capture Volume",
                           "v2 Line Capture Volume"}
            << "2.0/2.0/-/-"
            << "4.0/4.1/-/-";
        QTest::newRow("a switch named like a volume, a volume without channels: none")
            << QStringList{"b1 Master Playback Volume", "v0 Line In 1 Gain Capture Volume"}
            << "-/-/-/-"
            << "-/-/-/-";
        QTest::newRow("names cut at 44 bytes, told apart by kind")
            << QStringList{"b2 Focusrite Scarlett 2i2 USB Output Playback ",
                           "v2 Focusrite Scarlett 2i2 USB Output Playback ",
                           "v1 Focusrite Scarlett 2i2 USB Mic Capture Volu"}
            << "1.0/1.1/0.0/0.1"
            << "2.0/2.0/-/-";
    }
    void endpointsComeFromElementNames()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, output);
        QFETCH(QString, input);
        QCOMPARE(describe(chooseOutput(elements(entries))), output);
        QCOMPARE(describe(chooseInput(elements(entries))), input);
    }

    void switchesComeFromElementNames()
    {
        const SwitchChoice each = chooseSwitches(elements(
            {"b1 Line In 2 Phantom Power Capture Switch",
             "b1 Line In 1 Phantom Power Capture Switch", "b1 Direct Monitor Playback Switch"}));
        QVERIFY(each.phantomLeft.element == 1 && each.phantomRight.element == 0);
        QVERIFY(each.monitor == 2 && !each.monitorIsEnum);
        QVERIFY(!chooseSwitches(elements({"v2 PCM Playback Volume", "b1 Mic Capture Switch"}))
                     .present());
        // An enum of Off and On is a switch.
        QVERIFY(chooseSwitches(elements({"e1 Line In 1 Phantom Power Capture Switch"}))
                    .phantomLeft.present());
    }

    void dbCurvesReportTheRealRangeAndNearestRaw()
    {
        // Raw 0 silences, then -60 dB rising non-uniformly: steps of 10, 10, 0.25, 0.5 dB.
        const DbCurve curve(10, {DbCurve::kMuteCentiDb, -6000, -5000, -4000, -3975, -3925});
        QVERIFY(curve.isUsable());
        QCOMPARE(curve.minDb(), -60.0f);
        QCOMPARE(curve.maxDb(), -39.25f);
        QCOMPARE(curve.finestStepDb(), 0.25f);
        QCOMPARE(curve.levelDb(10), -inf);
        QCOMPARE(curve.levelDb(13), -40.0f);
        QCOMPARE(curve.nearestRaw(-45.0f).value(), 12L); // tie between -50 and -40: the lower
        QCOMPARE(curve.nearestRaw(-39.8f).value(), 14L);
        QCOMPARE(curve.nearestRaw(-100.0f).value(), 11L); // below the range: the lowest level
        QCOMPARE(curve.nearestRaw(-inf).value(), 10L);    // minus infinity: the mute step
        QCOMPARE(curve.nearestRaw(inf).value(), 15L);
        QVERIFY(!curve.nearestRaw(std::nanf("")));
        QVERIFY(!DbCurve(0, {-100, -100}).isUsable());
        QCOMPARE(DbCurve(0, {-100, -50, -50}).finestStepDb(), 0.5f); // a flat step is no step
        QVERIFY(!DbCurve().nearestRaw(0.0f));
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
            for (int i = 0; i < files.size(); i += 2) {
                QFile file(files[i]);
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(files[i + 1].toUtf8()) >= 0);
            }
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
        plug(2, "1-2", "000000"); // a placeholder serial: the port tells twins apart
        QCOMPARE(idOf(2).preferredId, std::string("usb:1a2b:00c1@1-2"));
        plug(2, "1-3", "");
        QCOMPARE(idOf(2).preferredId, std::string("usb:1a2b:00c1@1-3"));
        QCOMPARE(idOf(1).fallbackId, std::string("usb:1a2b:00c1@3-1.4"));
        // Sysfs describing another card (a virtual card with a kernel card's number), or none.
        QCOMPARE(idOf(1, "Virtual").preferredId, std::string("alsa:Virtual"));
        QCOMPARE(idOf(7, "Virtual").fallbackId, std::string("alsa:Virtual#7"));
        for (const char* serial : {"", "0", "FFFFFFFF", "0123456789", "None", "Default"})
            QVERIFY2(isPlaceholderSerial(serial), serial);
        for (const char* serial : {"P3X41", "1357", "Y7QH2K7A1B2C3D"})
            QVERIFY2(!isPlaceholderSerial(serial), serial);
    }
};

QTEST_GUILESS_MAIN(TestAlsaLogic)
#include "tst_alsalogic.moc"
