#include "dbcurve.h"

#include <algorithm>
#include <cmath>
#include <limits>

DbCurve::DbCurve(long rawMin, std::vector<long> centiDb) : first(rawMin), levels(std::move(centiDb))
{
}

bool DbCurve::isUsable() const
{
    return finestStepDb() > 0.0f;
}

float DbCurve::minDb() const
{
    long lowest = std::numeric_limits<long>::max();
    for (long level : levels) {
        if (level != kMuteCentiDb)
            lowest = std::min(lowest, level);
    }
    return lowest == std::numeric_limits<long>::max() ? 0.0f : static_cast<float>(lowest / 100.0);
}

float DbCurve::maxDb() const
{
    long highest = std::numeric_limits<long>::min();
    for (long level : levels) {
        if (level != kMuteCentiDb)
            highest = std::max(highest, level);
    }
    return highest == std::numeric_limits<long>::min() ? 0.0f : static_cast<float>(highest / 100.0);
}

float DbCurve::finestStepDb() const
{
    long finest = 0;
    for (std::size_t i = 1; i < levels.size(); ++i) {
        if (levels[i] == kMuteCentiDb || levels[i - 1] == kMuteCentiDb)
            continue;
        const long step = std::labs(levels[i] - levels[i - 1]);
        if (step > 0 && (finest == 0 || step < finest))
            finest = step;
    }
    return static_cast<float>(finest / 100.0);
}

float DbCurve::levelDb(long raw) const
{
    if (levels.empty())
        return 0.0f;
    const long index = std::clamp(raw, rawMin(), rawMax()) - first;
    const long level = levels[static_cast<std::size_t>(index)];
    if (level == kMuteCentiDb)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(level / 100.0);
}

std::optional<long> DbCurve::nearestRaw(float db) const
{
    if (std::isnan(db) || levels.empty())
        return std::nullopt;
    // Beyond the range the nearest end wins; minus infinity stays for a mute value.
    const bool hasMute = std::find(levels.begin(), levels.end(), kMuteCentiDb) != levels.end();
    double target = std::min<double>(db, maxDb());
    if (target < minDb() && !(std::isinf(target) && hasMute))
        target = minDb();
    std::optional<long> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double level = levels[i] == kMuteCentiDb ? -std::numeric_limits<double>::infinity()
                                                       : levels[i] / 100.0;
        const double distance = level == target ? 0.0 : std::fabs(level - target);
        if (!best || distance < bestDistance) {
            best = first + static_cast<long>(i);
            bestDistance = distance;
        }
    }
    return best;
}
