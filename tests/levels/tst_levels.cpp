#include "levellabels.h"
#include "levelscale.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace LevelScale;
using namespace LevelLabels;

namespace {
constexpr float inf = std::numeric_limits<float>::infinity();
const float notANumber = std::nanf("");
constexpr int intMax = std::numeric_limits<int>::max();
constexpr int intMin = std::numeric_limits<int>::min();
} // namespace

// The arithmetic between slider positions, levels and gains, and the read-out texts. The input
// scale's way through a preset (level to stored gain and back) is checked with the presets.
class TestLevels : public QObject
{
    Q_OBJECT

private slots:
    void conversionsSaturateAndTruncateTowardZero()
    {
        QList<int> truncated;
        for (double value :
             {12.9, -12.9, std::nan(""), 2147483647.0, 2147483648.0, -2147483648.0, -2147483647.0})
            truncated << saturatingTrunc(value);
        QCOMPARE(truncated, (QList<int>{12, -12, 0, intMax, intMax, intMin, intMin + 1}));
        // 0.1 is not exact in 32 bits: -72 / 0.1f lies just above -720, 6 / 0.1f just below 60.
        QCOMPARE(positionForLevel(kOutputFloorDb, 0.1f), -719);
        QCOMPARE(positionForLevel(6.0f, 0.1f), 59);
        QCOMPARE(positionForLevel(-6.45f, 0.5f), -12);
        QCOMPARE(positionForLevel(inf, 0.5f), intMax);
        QCOMPARE(positionForLevel(-inf, 0.5f), intMin);
        QCOMPARE(outputLevelForPosition(-20, 0.5f), -10.0f);
        QCOMPARE(outputLevelForPosition(intMax, 1e30f), inf);
        QCOMPARE(inputLevelForPosition(0, 2.0f) + inputLevelForPosition(2, 2.0f), 4.0f);
        QCOMPARE(inputLevelForPosition(1, 5.0f), 2.8f); // whatever the step
        QCOMPARE(inputGainForPosition(intMin), (static_cast<long long>(intMin) - 1) * 6);
        QCOMPARE(inputPositionForLevel(-0.5f, 2.0f), -1);
        QCOMPARE(inputPositionForLevel(-1e30f, 0.5f), intMin);
        QCOMPARE(inputLevelForGain(3.0f, 2.0f), 3.0f); // not rounded to a whole position
        QVERIFY(std::isnan(inputLevelForGain(notANumber, 2.0f)));
        QVERIFY(isUsableStep(std::numeric_limits<float>::denorm_min()));
        for (float step : {0.0f, -0.0f, -0.5f, notANumber, inf}) {
            QVERIFY(!isUsableStep(step));
            QCOMPARE(positionForLevel(-10.0f, step), 0);
            QCOMPARE(inputPositionForLevel(10.0f, step), 0);
        }
    }

    void readOutTexts()
    {
        QStringList texts;
        for (float level : {-12.5f, -72.5f, 999.9f, 1000.0f, -1000.0f, notANumber})
            texts << outputLevelText(level);
        for (float level : {-72.0f, -72.5f})
            texts << outputRefreshText(level);
        for (int position : {0, 1, 8, intMax})
            texts << inputPositionText(position);
        for (float level : {1.9f, 2.0f, 4.0f, inf, notANumber})
            texts << inputRefreshText(level, 2.0f);
        texts << inputRefreshText(1e30f, 1e-30f);
        const QString silence = "-\u221E dB";
        QCOMPARE(texts,
                 (QStringList{"-12.5 dB", "-72.5 dB", "999.9 dB", "> 999 dB", "< -999 dB", "? dB",
                              "-72.0 dB", "< 72 dB", silence, "0 dB", "42 dB", "> 999 dB", silence,
                              "0 dB", "6 dB", "> 999 dB", "? dB", "> 999 dB"}));
    }
};

QTEST_APPLESS_MAIN(TestLevels)
#include "tst_levels.moc"
