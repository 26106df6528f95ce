#include "cardidentity.h"
#include "dbcurve.h"
#include "directmonitor.h"
#include "elementchoice.h"
#include "inputgainscale.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace ElementChoice;
Q_DECLARE_METATYPE(std::vector<ElementChoice::Element>)

namespace {

Element volume(const char* name, int channels, bool db = true)
{
    return {name, Kind::Integer, channels, db, {}};
}

Element toggle(const char* name, int channels = 1)
{
    return {name, Kind::Boolean, channels, false, {}};
}

// "left/right/switchLeft/switchRight" as element.channel, "-" for none.
QString describe(const EndpointChoice& c)
{
    const auto ref = [](const ChannelRef& r) {
        return r.present() ? QStringLiteral("%1.%2").arg(r.element).arg(r.channel)
                           : QStringLiteral("-");
    };
    return QStringList{ref(c.left), ref(c.right), ref(c.switchLeft), ref(c.switchRight)}.join('/');
}

const float inf = std::numeric_limits<float>::infinity();

} // namespace

class TestAlsaLogic : public QObject
{
    Q_OBJECT

private slots:
    void endpointsComeFromElementNames_data();
    void endpointsComeFromElementNames();
    void switchesComeFromElementNames();
    void dbCurvesReportTheRealRangeAndNearestRaw();
    void inputPositionsMapToRealGains_data();
    void inputPositionsMapToRealGains();
    void directMonitorModesMapToLoopbackSwitches();
    void identitySurvivesReplugAndSeparatesTwins();
};

void TestAlsaLogic::endpointsComeFromElementNames_data()
{
    QTest::addColumn<std::vector<Element>>("elements");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("input");
    QTest::newRow("class compliant: stereo PCM, mono mic")
        << std::vector<Element>{volume("PCM Playback Volume", 2), toggle("PCM Playback Switch", 2),
                                volume("Mic Capture Volume", 1), toggle("Mic Capture Switch")}
        << "0.0/0.1/1.0/1.1"
        << "2.0/2.0/3.0/3.0";
    QTest::newRow("Master before PCM; a volume without dB is passed over")
        << std::vector<Element>{volume("PCM Playback Volume", 2),
                                volume("Speaker Playback Volume", 2, false),
                                volume("Master Playback Volume", 1),
                                volume("Capture Volume", 2, false),
                                volume("Line Capture Volume", 2)}
        << "2.0/2.0/-/-"
        << "4.0/4.1/-/-";
    QTest::newRow("per-channel outputs and input gains")
        << std::vector<Element>{volume("Line 02 Playback Volume", 1),
                                volume("Line 01 Playback Volume", 1),
                                toggle("Line 01 Playback Switch"),
                                volume("Line In 1 Gain Capture Volume", 1),
                                volume("Line In 2 Gain Capture Volume", 1)}
        << "1.0/0.0/2.0/-"
        << "3.0/4.0/-/-";
    QTest::newRow("no output volume at all")
        << std::vector<Element>{toggle("PCM Playback Switch"), volume("Mic Capture Volume", 1)}
        << "-/-/-/-"
        << "1.0/1.0/-/-";
    QTest::newRow("a switch named like a volume is not one")
        << std::vector<Element>{toggle("Master Playback Volume"),
                                Element{"Mic Capture Volume", Kind::Integer, 0, true, {}}}
        << "-/-/-/-"
        << "-/-/-/-";
}

void TestAlsaLogic::endpointsComeFromElementNames()
{
    QFETCH(std::vector<Element>, elements);
    QFETCH(QString, output);
    QFETCH(QString, input);
    QCOMPARE(describe(chooseOutput(elements)), output);
    QCOMPARE(describe(chooseInput(elements)), input);
}

void TestAlsaLogic::switchesComeFromElementNames()
{
    const SwitchChoice each = chooseSwitches({toggle("Line In 2 Phantom Power Capture Switch"),
                                              toggle("Line In 1 Phantom Power Capture Switch"),
                                              toggle("Direct Monitor Playback Switch")});
    QCOMPARE(each.phantomLeft.element, 1);
    QCOMPARE(each.phantomRight.element, 0);
    QVERIFY(each.monitor == 2 && !each.monitorIsEnum);

    const SwitchChoice grouped = chooseSwitches(
        {toggle("Line In 1-2 Phantom Power Capture Switch"),
         {"Direct Monitor Playback Enum", Kind::Enumerated, 1, false, {"Off", "Mono", "Stereo"}}});
    QVERIFY(grouped.phantomLeft == grouped.phantomRight && grouped.phantomLeft.element == 0);
    QVERIFY(grouped.monitor == 1 && grouped.monitorIsEnum);

    QVERIFY(!chooseSwitches({volume("PCM Playback Volume", 2), toggle("Mic Capture Switch")})
                 .present());
}

void TestAlsaLogic::dbCurvesReportTheRealRangeAndNearestRaw()
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
    QVERIFY(!DbCurve().nearestRaw(0.0f));
}

void TestAlsaLogic::inputPositionsMapToRealGains_data()
{
    QTest::addColumn<float>("sent");
    QTest::addColumn<int>("position");
    QTest::newRow("off") << 0.0f << 0;
    QTest::newRow("first step sends 2.8") << 2.8f << 1;
    QTest::newRow("position 2") << 2 * InputGainScale::kStepDb << 2;
    QTest::newRow("position 11") << 11 * InputGainScale::kStepDb << 11;
    QTest::newRow("negative") << -5.0f << 0;
    QTest::newRow("huge") << 1e30f << (1 << 20);
}

void TestAlsaLogic::inputPositionsMapToRealGains()
{
    QFETCH(float, sent);
    QFETCH(int, position);
    QCOMPARE(InputGainScale::positionForLevel(sent).value(), position);
    if (position >= 1 && position < 100) {
        // The gain set reads back as the same position, and the mixer's label formula agrees.
        const double gain = InputGainScale::gainForPosition(position);
        QCOMPARE(gain, (position - 1) * 6.0);
        QCOMPARE(InputGainScale::positionForGain(gain), position);
        const float level = InputGainScale::levelForPosition(position);
        QCOMPARE(int(std::floor(level / InputGainScale::kStepDb)), position);
    }
    QVERIFY(!InputGainScale::positionForLevel(std::nanf("")));
    QCOMPARE(InputGainScale::positionForGain(-inf), 0);
    QCOMPARE(InputGainScale::positionForGain(-20.0), 1); // a real gain below 0 dB reads 0 dB
    QCOMPARE(InputGainScale::positionForGain(70.0), 13); // 70 dB is nearest the 72 dB read-out
    QCOMPARE(InputGainScale::positionForGain(8.9), 2);
}

void TestAlsaLogic::directMonitorModesMapToLoopbackSwitches()
{
    using namespace DirectMonitor;
    QVERIFY(loopbackLeft(Mode::Mono) && !loopbackRight(Mode::Mono));
    QVERIFY(!loopbackLeft(Mode::Stereo) && loopbackRight(Mode::Stereo));
    QVERIFY(!loopbackLeft(Mode::Off) && !loopbackRight(Mode::Off));
    QCOMPARE(afterSetLeft(Mode::Stereo, true), Mode::Mono);
    QCOMPARE(afterSetRight(Mode::Mono, true), Mode::Stereo);
    QCOMPARE(afterSetLeft(Mode::Mono, false), Mode::Off);
    QCOMPARE(afterSetLeft(Mode::Stereo, false), Mode::Stereo); // not the left switch's mode
    QCOMPARE(afterSetRight(Mode::Stereo, false), Mode::Off);
}

void TestAlsaLogic::identitySurvivesReplugAndSeparatesTwins()
{
    QTemporaryDir root;
    // A USB interface at port 1-2 (card 1) and one at 3-1.4 (card 2), sysfs-style.
    const auto plug = [&](int card, const QString& port, const QString& serial) {
        QDir dir(root.path());
        const QString usb = "devices/usb1/" + port;
        dir.mkpath(usb + "/" + port + ":1.0");
        dir.mkpath(QStringLiteral("class/sound/card%1").arg(card));
        const auto write = [&](const QString& path, const QString& text) {
            QFile file(root.filePath(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8() + "\n");
        };
        write(usb + "/idVendor", "1A2B");
        write(usb + "/idProduct", "00c1");
        if (!serial.isNull())
            write(usb + "/serial", serial);
        write(QStringLiteral("class/sound/card%1/id").arg(card), "Duo");
        QFile::remove(root.filePath(QStringLiteral("class/sound/card%1/device").arg(card)));
        QVERIFY(QFile::link(root.filePath(usb + "/" + port + ":1.0"),
                            root.filePath(QStringLiteral("class/sound/card%1/device").arg(card))));
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
    plug(2, "1-3", QString());
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

QTEST_GUILESS_MAIN(TestAlsaLogic)
#include "tst_alsalogic.moc"
