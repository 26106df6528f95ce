// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputgainscale.h"

#include "inputscale.h"

#include <cmath>

namespace InputGainScale {

namespace {
constexpr double kHighestPosition = 1 << 20;
}

std::optional<int> positionForLevel(float levelDb)
{
    if (std::isnan(levelDb))
        return std::nullopt;
    const double position = std::round(static_cast<double>(levelDb) / InputScale::kStepDb);
    if (position <= 0.0)
        return 0;
    return static_cast<int>(std::fmin(position, kHighestPosition));
}

float levelForPosition(int position)
{
    return static_cast<float>(position) * InputScale::kStepDb;
}

int positionForGain(double gainDb)
{
    if (std::isnan(gainDb))
        return 1;
    if (std::isinf(gainDb) && gainDb < 0)
        return 0;
    const double position = std::round(gainDb / InputScale::kGainPerPositionDb) + 1.0;
    return static_cast<int>(std::fmax(1.0, std::fmin(position, kHighestPosition)));
}

} // namespace InputGainScale
