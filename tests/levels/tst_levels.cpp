// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputscale.h"
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

// The arithmetic between slider positions, levels and gains, and the read-out texts.
class TestLevels : public QObject
{
    Q_OBJECT

private slots:
    void conversionsSaturateAndTruncateTowardZeroAndReadOut()
    {
        QList<int> ints;
        for (double value :
             {12.9, -12.9, std::nan(""), 2147483647.0, 2147483648.0, -2147483648.0, -2147483647.0})
            ints << saturatingTrunc(value);
        // 0.1 is not exact in 32 bits: -72 / 0.1f lies just above -720, 6 / 0.1f just below 60.
        ints << positionForLevel(kOutputFloorDb, 0.1f) << positionForLevel(6.0f, 0.1f)
             << positionForLevel(-6.45f, 0.5f) << positionForLevel(inf, 0.5f)
             << positionForLevel(-inf, 0.5f) << inputPositionForLevel(-0.5f, 2.0f)
             << inputPositionForLevel(-1e30f, 0.5f);
        // A page is 6 dB rounded to positions, but never less than one.
        for (float step : {0.5f, 0.4f, 5.0f, 12.0f, 1e-30f, notANumber})
            ints << outputPageStep(step);
        QCOMPARE(ints, (QList<int>{12,   -12, 0,   intMax, intMax, intMin, intMin + 1,
                                   -719, 59,  -12, intMax, intMin, -1,     intMin,
                                   12,   15,  1,   1,      intMax, 1}));
        // A level without dB lies on the nearest of its raw steps (100 / 31 is inexact); a page
        // is 10 %, at least one step.
        const QList<int> percentPositions = {
            percentPositionForLevel(100.0f, 100.0f / 31),
            percentPositionForLevel(float(5400.0 / 127), 100.0f / 127),
            percentPageStep(100.0f / 127),
            percentPageStep(50.0f),
            percentPageStep(notANumber),
            percentPositionForLevel(50.0f, 0.0f)};
        QCOMPARE(percentPositions, (QList<int>{31, 54, 13, 1, 1, 0}));
        // Position 1 sends 2.8 dB whatever the step; a gain is not rounded to a whole position.
        const QList<float> levels = {
            outputLevelForPosition(-20, 0.5f), outputLevelForPosition(intMax, 1e30f),
            inputLevelForPosition(0, 2.0f) + inputLevelForPosition(2, 2.0f),
            inputLevelForPosition(1, 5.0f), inputLevelForGain(3.0f, 2.0f)};
        QCOMPARE(levels, (QList<float>{-10.0f, inf, 4.0f, 2.8f, 3.0f}));
        QVERIFY(std::isnan(inputLevelForGain(notANumber, 2.0f)));
        QVERIFY(isUsableStep(std::numeric_limits<float>::denorm_min()));
        for (float step : {0.0f, -0.0f, -0.5f, notANumber, inf}) {
            QVERIFY(!isUsableStep(step));
            QCOMPARE(positionForLevel(-10.0f, step) + inputPositionForLevel(10.0f, step), 0);
        }
        // Presets store an input level as the gain of the whole position it stands on, in 32-bit
        // arithmetic: only steps in (1.4, 2.8] store the 2.8 dB of position 1 as 0.
        QList<long long> gains;
        for (float step : {0.1f, 0.75f, 6.0f})
            gains << inputGainForLevel(-3 * step, step) << inputGainForLevel(7 * step, step);
        for (float step : {1.4f, 1.41f, 2.8f, 2.81f})
            gains << inputGainForLevel(2.8f, step);
        gains << inputGainForLevel(5.9f, 2.0f) << inputGainForLevel(1e30f, 2.0f)
              << inputGainForLevel(4.0f, 0.0f) << InputScale::gainForPosition(intMin);
        QCOMPARE(gains, (QList<long long>{-24, 36, -24, 36, -24, 36, 6, 0, 0, -6, 6,
                                          (intMax - 1LL) * 6, -6, (intMin - 1LL) * 6}));

        // The read-out texts.
        QStringList texts;
        for (float level : {-12.5f, -72.5f, 999.9f, 1000.0f, -1000.0f, notANumber, -0.01f})
            texts << outputLevelText(level);
        for (float level : {-72.0f, -72.5f})
            texts << outputRefreshText(level);
        for (int position : {0, 1, 8, intMax})
            texts << inputPositionText(position);
        for (float level : {1.9f, 2.0f, 4.0f, inf, notANumber})
            texts << inputRefreshText(level, 2.0f);
        texts << inputRefreshText(1e30f, 1e-30f);
        const QString silence = "-\u221E dB";
        QCOMPARE(texts, (QStringList{"-12.5 dB", "-72.5 dB", "999.9 dB", "> 999 dB", "< -999 dB",
                                     "? dB", "0.0 dB", "-72.0 dB", "< -72 dB", silence, "0 dB",
                                     "42 dB", "> 999 dB", silence, "0 dB", "6 dB", "> 999 dB",
                                     "? dB", "> 999 dB"}));
        QStringList percents;
        for (float percent : {42.519684f, 99.5f, 0.49f, 150.0f, notANumber})
            percents << percentText(percent);
        QCOMPARE(percents, (QStringList{"43 %", "100 %", "0 %", "100 %", "? %"}));
    }
};

QTEST_APPLESS_MAIN(TestLevels)
#include "tst_levels.moc"
