#include "levellabels.h"
#include "levelscale.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace LevelScale;

namespace {
constexpr float inf = std::numeric_limits<float>::infinity();
const float notANumber = std::nanf("");
constexpr int intMax = std::numeric_limits<int>::max();
constexpr int intMin = std::numeric_limits<int>::min();
} // namespace

// The arithmetic between slider positions, levels and gains, and the read-out texts.
class TestLevels : public QObject
{
    Q_OBJECT

private slots:
    void conversionsSaturateAndTruncateTowardZero()
    {
        QCOMPARE(saturatingTrunc(12.9), 12);
        QCOMPARE(saturatingTrunc(-12.9), -12);
        QCOMPARE(saturatingTrunc(std::nan("")), 0);
        QCOMPARE(saturatingTrunc(2147483647.0), intMax);
        QCOMPARE(saturatingTrunc(2147483648.0), intMax);
        QCOMPARE(saturatingTrunc(-2147483648.0), intMin);
        QCOMPARE(saturatingTrunc(-2147483647.0), intMin + 1);
        // 0.1 is not exact in 32 bits: -72 / 0.1f lies just above -720, 6 / 0.1f just below 60.
        QCOMPARE(positionForLevel(kOutputFloorDb, 0.1f), -719);
        QCOMPARE(positionForLevel(6.0f, 0.1f), 59);
        QCOMPARE(positionForLevel(-6.45f, 0.5f), -12);
        QCOMPARE(positionForLevel(inf, 0.5f), intMax);
        QCOMPARE(positionForLevel(-inf, 0.5f), intMin);
        QCOMPARE(outputLevelForPosition(-20, 0.5f), -10.0f);
        QCOMPARE(outputLevelForPosition(intMax, 1e30f), inf);
    }

    void onlyFinitePositiveStepsAreDividedBy()
    {
        QVERIFY(isUsableStep(std::numeric_limits<float>::denorm_min()));
        for (float step : {0.0f, -0.0f, -0.5f, notANumber, inf}) {
            QVERIFY(!isUsableStep(step));
            QCOMPARE(positionForLevel(-10.0f, step), 0);
            QCOMPARE(inputPositionForLevel(10.0f, step), 0);
        }
    }

    void inputScaleMapsBothWays()
    {
        QCOMPARE(inputLevelForPosition(0, 2.0f), 0.0f);
        QCOMPARE(inputLevelForPosition(1, 5.0f), 2.8f); // whatever the step
        QCOMPARE(inputLevelForPosition(2, 2.0f), 4.0f);
        QCOMPARE(inputGainForPosition(8), 42LL);
        QCOMPARE(inputGainForPosition(intMin), (static_cast<long long>(intMin) - 1) * 6);
        // Level to position floors the 32-bit quotient; 2.8 is position 1 only on steps in
        // (1.4, 2.8].
        QCOMPARE(inputGainForLevel(2.8f, 2.8f), 0LL);
        QCOMPARE(inputGainForLevel(2.8f, 3.0f), -6LL);
        QCOMPARE(inputGainForLevel(5.9f, 2.0f), 6LL);
        QCOMPARE(inputPositionForLevel(-0.5f, 2.0f), -1);
        QCOMPARE(inputPositionForLevel(-1e30f, 0.5f), intMin);
        // A preset's gain back to a level: 0 is position 1, q is not rounded to a position.
        QCOMPARE(inputLevelForGain(0.0f, 2.0f), 2.8f);
        QCOMPARE(inputLevelForGain(-6.0f, 2.0f), 0.0f);
        QCOMPARE(inputLevelForGain(12.0f, 2.0f), 6.0f);
        QCOMPARE(inputLevelForGain(3.0f, 2.0f), 3.0f);
        QVERIFY(std::isnan(inputLevelForGain(notANumber, 2.0f)));
    }

    void readOutTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("output, one decimal") << LevelLabels::outputLevelText(-12.5f) << "-12.5 dB";
        QTest::newRow("output below the floor")
            << LevelLabels::outputLevelText(-72.5f) << "-72.5 dB";
        QTest::newRow("refresh at the floor")
            << LevelLabels::outputRefreshText(-72.0f) << "-72.0 dB";
        QTest::newRow("refresh below the floor")
            << LevelLabels::outputRefreshText(-72.5f) << "< 72 dB";
        QTest::newRow("largest shown") << LevelLabels::outputLevelText(999.9f) << "999.9 dB";
        QTest::newRow("too large") << LevelLabels::outputLevelText(1000.0f) << "> 999 dB";
        QTest::newRow("too small") << LevelLabels::outputLevelText(-1000.0f) << "< -999 dB";
        QTest::newRow("not a number") << LevelLabels::outputLevelText(notANumber) << "? dB";
        QTest::newRow("input off") << LevelLabels::inputPositionText(0) << "-\u221E dB";
        QTest::newRow("input first step") << LevelLabels::inputPositionText(1) << "0 dB";
        QTest::newRow("input position 8") << LevelLabels::inputPositionText(8) << "42 dB";
        QTest::newRow("input far position") << LevelLabels::inputPositionText(intMax) << "> 999 dB";
        QTest::newRow("input refresh below a step")
            << LevelLabels::inputRefreshText(1.9f, 2.0f) << "-\u221E dB";
        QTest::newRow("input refresh at a step")
            << LevelLabels::inputRefreshText(2.0f, 2.0f) << "0 dB";
        QTest::newRow("input refresh two steps")
            << LevelLabels::inputRefreshText(4.0f, 2.0f) << "6 dB";
        QTest::newRow("input refresh of +inf")
            << LevelLabels::inputRefreshText(inf, 2.0f) << "> 999 dB";
        QTest::newRow("input refresh of nan") << LevelLabels::inputRefreshText(notANumber, 2.0f) << "? dB";
        QTest::newRow("input refresh of 1e30")
            << LevelLabels::inputRefreshText(1e30f, 1e-30f) << "> 999 dB";
    }

    void readOutTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_APPLESS_MAIN(TestLevels)
#include "tst_levels.moc"
