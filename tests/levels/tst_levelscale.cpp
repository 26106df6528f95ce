#include "levelscale.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace LevelScale;

class TestLevelScale : public QObject
{
    Q_OBJECT

private slots:
    void truncationSaturates_data();
    void truncationSaturates();
    void onlyFinitePositiveStepsAreUsable();
    void outputRangesFollowTheStepInDoublePrecision();
    void positionsTruncateTowardZero();
    void inputPositionsMapToTheSteppedScale();
    void inputLevelsMapBackToGains_data();
    void inputLevelsMapBackToGains();
    void presetGainsMapToInputLevels_data();
    void presetGainsMapToInputLevels();
    void hostileValuesStayDefined();
};

void TestLevelScale::truncationSaturates_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("positive fraction") << 12.9 << 12;
    QTest::newRow("negative fraction") << -12.9 << -12;
    QTest::newRow("nan") << std::nan("") << 0;
    QTest::newRow("+inf") << inf << std::numeric_limits<int>::max();
    QTest::newRow("-inf") << -inf << std::numeric_limits<int>::min();
    QTest::newRow("1e30") << 1e30 << std::numeric_limits<int>::max();
    QTest::newRow("-1e30") << -1e30 << std::numeric_limits<int>::min();
    QTest::newRow("just above int max") << 2147483648.0 << std::numeric_limits<int>::max();
    QTest::newRow("int min exactly") << -2147483648.0 << std::numeric_limits<int>::min();
}

void TestLevelScale::truncationSaturates()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(saturatingTrunc(value), expected);
}

void TestLevelScale::onlyFinitePositiveStepsAreUsable()
{
    QVERIFY(isUsableStep(0.5f));
    QVERIFY(isUsableStep(std::numeric_limits<float>::denorm_min()));
    QVERIFY(!isUsableStep(0.0f));
    QVERIFY(!isUsableStep(-0.0f));
    QVERIFY(!isUsableStep(-0.5f));
    QVERIFY(!isUsableStep(std::nanf("")));
    QVERIFY(!isUsableStep(std::numeric_limits<float>::infinity()));
}

void TestLevelScale::outputRangesFollowTheStepInDoublePrecision()
{
    // 0.1 is not exact in 32 bits: -72 / 0.1f lies just above -720 and 6 / 0.1f just below 60.
    QCOMPARE(positionForLevel(kOutputFloorDb, 0.1f), -719);
    QCOMPARE(positionForLevel(6.0f, 0.1f), 59);
    QCOMPARE(positionForLevel(kOutputFloorDb, 0.5f), -144);
    QCOMPARE(positionForLevel(0.0f, 0.5f), 0);
}

void TestLevelScale::positionsTruncateTowardZero()
{
    QCOMPARE(positionForLevel(-6.45f, 0.5f), -12); // -12.9 steps
    QCOMPARE(positionForLevel(6.45f, 0.5f), 12);
    QCOMPARE(outputLevelForPosition(-20, 0.5f), -10.0f);
    QCOMPARE(outputLevelForPosition(0, 0.5f), 0.0f);
}

void TestLevelScale::inputPositionsMapToTheSteppedScale()
{
    QCOMPARE(inputLevelForPosition(0, 2.0f), 0.0f);
    QCOMPARE(inputLevelForPosition(1, 2.0f), 2.8f);
    QCOMPARE(inputLevelForPosition(1, 5.0f), 2.8f); // whatever the step
    QCOMPARE(inputLevelForPosition(2, 2.0f), 4.0f);
    QCOMPARE(inputGainForPosition(1), 0LL);
    QCOMPARE(inputGainForPosition(2), 6LL);
    QCOMPARE(inputGainForPosition(8), 42LL);
    QCOMPARE(inputGainForPosition(std::numeric_limits<int>::min()),
             (static_cast<long long>(std::numeric_limits<int>::min()) - 1) * 6);
}

void TestLevelScale::inputLevelsMapBackToGains_data()
{
    QTest::addColumn<float>("level");
    QTest::addColumn<float>("step");
    QTest::addColumn<int>("position");
    QTest::addColumn<long long>("gain");
    QTest::newRow("off") << 0.0f << 2.0f << 0 << -6LL;
    QTest::newRow("2.8 on a step of 2") << 2.8f << 2.0f << 1 << 0LL;
    QTest::newRow("2.8 on a step of 2.8") << 2.8f << 2.8f << 1 << 0LL;
    QTest::newRow("2.8 on a step of 3") << 2.8f << 3.0f << 0 << -6LL;
    QTest::newRow("two steps") << 4.0f << 2.0f << 2 << 6LL;
    QTest::newRow("between steps floors") << 5.9f << 2.0f << 2 << 6LL;
    QTest::newRow("negative floors down") << -0.5f << 2.0f << -1 << -12LL;
}

void TestLevelScale::inputLevelsMapBackToGains()
{
    QFETCH(float, level);
    QFETCH(float, step);
    QFETCH(int, position);
    QFETCH(long long, gain);
    QCOMPARE(inputPositionForLevel(level, step), position);
    QCOMPARE(inputGainForLevel(level, step), gain);
}

void TestLevelScale::presetGainsMapToInputLevels_data()
{
    QTest::addColumn<float>("gain");
    QTest::addColumn<float>("expected");
    const float step = 2.0f;
    QTest::newRow("0 is position 1") << 0.0f << 2.8f;
    QTest::newRow("-6 is off") << -6.0f << 0.0f;
    QTest::newRow("6 is two steps") << 6.0f << 2 * step;
    QTest::newRow("12 is three steps") << 12.0f << 3 * step;
    QTest::newRow("3 is not rounded to a position") << 3.0f << 1.5f * step;
}

void TestLevelScale::presetGainsMapToInputLevels()
{
    QFETCH(float, gain);
    QFETCH(float, expected);
    QCOMPARE(inputLevelForGain(gain, 2.0f), expected);
}

void TestLevelScale::hostileValuesStayDefined()
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::nanf("");
    for (float step : {0.0f, -1.0f, nan, inf}) {
        QCOMPARE(positionForLevel(-10.0f, step), 0);
        QCOMPARE(inputPositionForLevel(10.0f, step), 0);
    }
    QCOMPARE(positionForLevel(inf, 0.5f), std::numeric_limits<int>::max());
    QCOMPARE(positionForLevel(-inf, 0.5f), std::numeric_limits<int>::min());
    QCOMPARE(positionForLevel(nan, 0.5f), 0);
    QCOMPARE(positionForLevel(1e30f, 0.5f), std::numeric_limits<int>::max());
    QCOMPARE(inputPositionForLevel(-1e30f, 0.5f), std::numeric_limits<int>::min());
    QCOMPARE(inputPositionForLevel(nan, 0.5f), 0);
    QCOMPARE(outputLevelForPosition(std::numeric_limits<int>::max(), 1e30f), inf);
    QVERIFY(std::isnan(inputLevelForGain(nan, 2.0f)));
}

QTEST_APPLESS_MAIN(TestLevelScale)
#include "tst_levelscale.moc"
