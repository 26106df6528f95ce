#include "cardidentity.h"
#include "dbcurve.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

const float inf = std::numeric_limits<float>::infinity();

} // namespace

class TestAlsaLogic : public QObject
{
    Q_OBJECT

private slots:
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
