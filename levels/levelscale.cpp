// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelscale.h"

#include "inputscale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace LevelScale {

int saturatingTrunc(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (value <= lowest)
        return std::numeric_limits<int>::min();
    if (value >= highest)
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

bool isUsableStep(float stepDb)
{
    return std::isfinite(stepDb) && stepDb > 0.0f;
}

int outputPageStep(float stepDb)
{
    if (!isUsableStep(stepDb))
        return 1;
    return std::max(1, saturatingTrunc(std::round(kPageStepDb / static_cast<double>(stepDb))));
}

int positionForLevel(float levelDb, float stepDb)
{
    if (!isUsableStep(stepDb))
        return 0;
    return saturatingTrunc(static_cast<double>(levelDb) / static_cast<double>(stepDb));
}

int percentPositionForLevel(float percent, float step)
{
    if (!isUsableStep(step))
        return 0;
    return saturatingTrunc(std::round(static_cast<double>(percent) / static_cast<double>(step)));
}

int percentPageStep(float step)
{
    if (!isUsableStep(step))
        return 1;
    return std::max(1, saturatingTrunc(std::round(kPageStepPercent / static_cast<double>(step))));
}

float outputLevelForPosition(int position, float stepDb)
{
    return static_cast<float>(position * static_cast<double>(stepDb));
}

float inputLevelForPosition(int position, float stepDb)
{
    if (position == 1)
        return InputScale::kFirstPositionDb;
    return static_cast<float>(position * static_cast<double>(stepDb));
}

int inputPositionForLevel(float levelDb, float stepDb)
{
    if (!isUsableStep(stepDb))
        return 0;
    const float quotient = static_cast<float>(static_cast<double>(levelDb) / stepDb);
    return saturatingTrunc(std::floor(static_cast<double>(quotient)));
}

long long inputGainForLevel(float levelDb, float stepDb)
{
    return InputScale::gainForPosition(inputPositionForLevel(levelDb, stepDb));
}

float inputLevelForGain(float gainDb, float stepDb)
{
    const float q =
        static_cast<float>(static_cast<double>(gainDb) / InputScale::kGainPerPositionDb + 1);
    if (q == 1.0f)
        return InputScale::kFirstPositionDb;
    return static_cast<float>(static_cast<double>(q) * stepDb);
}

} // namespace LevelScale
