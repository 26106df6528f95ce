// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbcurve.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// The kinds of dB description (the kernel's SNDRV_CTL_TLVT_*).
enum : unsigned int {
    kContainer = 0,
    kScale = 1,
    kLinear = 2,
    kRange = 3,
    kMinMax = 4,
    kMinMaxMute = 5,
};

constexpr long kMuteCentiDb = -9999999; // the level alsa-lib gives a raw value that silences
constexpr int kMaxNesting = 4;          // containers within containers

// Wide enough for any product of a raw width and a level, so nothing here overflows.
using Wide = __int128;

long saturated(Wide value)
{
    return value > LONG_MAX ? LONG_MAX : value < LONG_MIN ? LONG_MIN : static_cast<long>(value);
}

long saturated(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 0x1p63)
        return LONG_MAX;
    return value <= -0x1p63 ? LONG_MIN : static_cast<long>(value);
}

// The 32-bit words that `bytes` of a description take.
std::size_t wordsOf(unsigned int bytes)
{
    return bytes / 4 + (bytes % 4 != 0);
}

bool isLevelKind(unsigned int type)
{
    return type == kScale || type == kLinear || type == kRange || type == kMinMax ||
           type == kMinMaxMute;
}

double toDb(long centiDb)
{
    return centiDb / 100.0;
}

} // namespace

DbCurve::DbCurve(const std::vector<unsigned int>& tlv, long rawMin, long rawMax)
{
    std::vector<Part> found;
    if (rawMin > rawMax || !readParts(tlv, 0, rawMin, rawMax, 0, found))
        return;
    for (Part& part : found) {
        part.first = std::max(part.first, rawMin);
        part.last = std::min(part.last, rawMax);
    }
    found.erase(std::remove_if(found.begin(), found.end(),
                               [](const Part& part) { return part.first > part.last; }),
                found.end());
    found = firstMatchWins(found);
    std::sort(found.begin(), found.end(),
              [](const Part& a, const Part& b) { return a.first < b.first; });
    // Every raw value has exactly one level: the parts neither overlap nor leave a gap.
    if (found.empty() || found.front().first != rawMin || found.back().last != rawMax)
        return;
    for (std::size_t i = 1; i < found.size(); ++i) {
        if (found[i - 1].last == LONG_MAX || found[i].first != found[i - 1].last + 1)
            return;
    }
    parts = std::move(found);
}

// Where parts of a range share raw values, the first part that holds a value gives its level,
// as alsa-lib reckons it: each part keeps only the values no earlier part holds.
std::vector<DbCurve::Part> DbCurve::firstMatchWins(const std::vector<Part>& found)
{
    std::vector<Part> kept;
    for (const Part& part : found) {
        std::vector<std::pair<long, long>> pieces{{part.first, part.last}};
        for (const Part& earlier : kept) {
            std::vector<std::pair<long, long>> left;
            for (const auto& [first, last] : pieces) {
                if (earlier.last < first || earlier.first > last) {
                    left.emplace_back(first, last);
                    continue;
                }
                if (earlier.first > first)
                    left.emplace_back(first, earlier.first - 1);
                if (earlier.last < last)
                    left.emplace_back(earlier.last + 1, last);
            }
            pieces = std::move(left);
        }
        for (const auto& [first, last] : pieces) {
            Part piece = part;
            piece.first = first;
            piece.last = last;
            kept.push_back(piece);
        }
    }
    return kept;
}

// Reads the description at `at`, written for raw values from..to, into parts.
bool DbCurve::readParts(const std::vector<unsigned int>& tlv, std::size_t at, long from, long to,
                        int depth, std::vector<Part>& parts)
{
    if (at >= tlv.size() || tlv.size() - at < 2)
        return false;
    const unsigned int type = tlv[at];
    const std::size_t begin = at + 2, words = wordsOf(tlv[at + 1]);
    if (words > tlv.size() - begin)
        return false;
    const std::size_t end = begin + words;
    if (type == kContainer) {
        // The first dB description inside counts, as alsa-lib finds it.
        for (std::size_t pos = begin; depth < kMaxNesting && end - pos >= 2;
             pos += 2 + wordsOf(tlv[pos + 1])) {
            if (wordsOf(tlv[pos + 1]) > end - pos - 2)
                return false;
            if (isLevelKind(tlv[pos]))
                return readParts(tlv, pos, from, to, depth + 1, parts);
        }
        return false;
    }
    if (type == kRange) {
        // Each part: its first and last raw value, then a description of its own (no range).
        if (depth > kMaxNesting)
            return false;
        for (std::size_t pos = begin; pos < end;) {
            if (end - pos < 4 || wordsOf(tlv[pos + 3]) > end - pos - 4)
                return false;
            if (!readParts(tlv, pos + 2, static_cast<int>(tlv[pos]), static_cast<int>(tlv[pos + 1]),
                           kMaxNesting + 1, parts))
                return false;
            pos += 4 + wordsOf(tlv[pos + 3]);
        }
        return true;
    }
    if (words < 2 || !isLevelKind(type))
        return false;
    Part part;
    part.first = part.from = from;
    part.last = part.to = to;
    part.type = type;
    part.low = static_cast<int>(tlv[begin]);
    if (type == kScale) {
        part.high = tlv[begin + 1] & 0xffff;
        part.muteAtFrom = (tlv[begin + 1] & 0x10000) != 0;
    } else {
        part.high = static_cast<int>(tlv[begin + 1]);
        part.muteAtFrom = type == kMinMaxMute || (type == kLinear && part.low <= kMuteCentiDb);
    }
    parts.push_back(part);
    return true;
}

long DbCurve::Part::firstAudible() const
{
    // Only the bottom of the range a description was written for can be its mute step.
    const bool firstIsMute = muteAtFrom && first == from;
    if (!firstIsMute)
        return first;
    return first < last ? first + 1 : first;
}

bool DbCurve::Part::audible(long raw) const
{
    return !(muteAtFrom && raw == from);
}

long DbCurve::Part::level(long raw) const
{
    // Rounding over a wide range must not carry a level past the description's own ends.
    const long start = rawLevel(muteAtFrom && from < to ? from + 1 : from), end = rawLevel(to);
    return std::clamp(rawLevel(raw), std::min(start, end), std::max(start, end));
}

long DbCurve::Part::rawLevel(long raw) const
{
    const Wide steps = Wide(raw) - from, width = Wide(to) - from;
    switch (type) {
    case kScale:
        return saturated(low + steps * high);
    case kLinear: {
        if (raw <= from || width <= 0)
            return low;
        if (raw >= to)
            return high;
        const double share = static_cast<double>(steps) / static_cast<double>(width);
        if (low <= kMuteCentiDb)
            return saturated(std::trunc(2000.0 * std::log10(share)) + high);
        // Reckoned from the nearer end, so that a share that rounds to 1 cannot cancel to 0.
        const double bottom = std::pow(10.0, low / 2000.0), top = std::pow(10.0, high / 2000.0);
        const double rest = static_cast<double>(Wide(to) - raw) / static_cast<double>(width);
        const double amplitude =
            steps <= width / 2 ? bottom + (top - bottom) * share : top - (top - bottom) * rest;
        return saturated(2000.0 * std::log10(amplitude));
    }
    default: // min/max, with or without mute
        return width <= 0 ? low : saturated(low + (Wide(high) - low) * steps / width);
    }
}

bool DbCurve::Part::rises() const
{
    return level(last) >= level(firstAudible());
}

long DbCurve::Part::finestStep() const
{
    const long start = firstAudible();
    if (start >= last)
        return 0;
    const Wide total = Wide(level(last)) - level(start);
    const long span = saturated(total < 0 ? -total : total);
    if (span == 0)
        return 0;
    switch (type) {
    case kScale:
        return high;
    case kLinear: {
        // The steps shrink towards the loud end; below a hundredth of a dB they round to none.
        const bool loudAtTop = high >= low || low <= kMuteCentiDb;
        const Wide step =
            loudAtTop ? Wide(level(last)) - level(last - 1) : Wide(level(start)) - level(start + 1);
        return std::max(1L, saturated(step < 0 ? -step : step));
    }
    default: {
        // Each step of a line cut to whole hundredths is the line's slope rounded down or up.
        const Wide rise = Wide(high) - low, width = Wide(to) - from;
        const Wide slope = (rise < 0 ? -rise : rise) / width, steps = Wide(last) - start;
        if (slope == 0)
            return 1;
        if ((rise < 0 ? -rise : rise) % width == 0)
            return saturated(slope);
        const Wide roundedUp = Wide(span) - slope * steps;
        return saturated(roundedUp < steps ? slope : slope + 1);
    }
    }
}

std::optional<long> DbCurve::Part::firstReaching(double centiDb) const
{
    const bool rising = rises();
    const auto reached = [&](long raw) {
        return rising ? level(raw) >= centiDb : level(raw) <= centiDb;
    };
    long low = firstAudible(), high = last;
    if (!reached(high))
        return std::nullopt;
    // Halving low..high in unsigned arithmetic: the width of a long range overflows a long.
    while (low < high) {
        const unsigned long half = (static_cast<unsigned long>(high) - low) / 2;
        const long middle = static_cast<long>(static_cast<unsigned long>(low) + half);
        if (reached(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

std::optional<long> DbCurve::Part::nearest(double db) const
{
    const long start = firstAudible();
    if (!audible(start))
        return std::nullopt;
    const std::optional<long> reaching = firstReaching(db * 100.0);
    if (!reaching)
        return firstReaching(static_cast<double>(level(last))); // where the end level begins
    if (*reaching == start)
        return start;
    // The level just before lies on the other side of `db`: the nearer of the two, counting
    // from where that level begins.
    const long before = *firstReaching(static_cast<double>(level(*reaching - 1)));
    const double after = std::fabs(toDb(level(*reaching)) - db);
    return std::fabs(toDb(level(before)) - db) <= after ? before : *reaching;
}

const DbCurve::Part* DbCurve::partOf(long raw) const
{
    const auto found =
        std::upper_bound(parts.begin(), parts.end(), raw,
                         [](long value, const Part& part) { return value < part.first; });
    return found == parts.begin() ? nullptr : &*(found - 1);
}

std::optional<long> DbCurve::muteRaw() const
{
    for (const Part& part : parts) {
        if (!part.audible(part.first))
            return part.first;
    }
    return std::nullopt;
}

bool DbCurve::isUsable() const
{
    // No amplifier or attenuator reaches a thousand dB: a description that says so is wrong, and
    // no read-out of it would be true.
    constexpr float plausibleDb = 1000.0f;
    return finestStepDb() > 0.0f && minDb() >= -plausibleDb && maxDb() <= plausibleDb &&
           keepsDirection();
}

// Whether the levels go one way from the first raw value to the last, part by part and from
// one part into the next (each part on its own goes one way).
bool DbCurve::keepsDirection() const
{
    int direction = 0;
    std::optional<long> previous;
    const auto step = [&](long level) {
        const int way = previous && level != *previous ? (level > *previous ? 1 : -1) : 0;
        previous = level;
        if (way && direction && way != direction)
            return false;
        direction = way ? way : direction;
        return true;
    };
    for (const Part& part : parts) {
        if (!part.audible(part.firstAudible()))
            continue;
        if (!step(part.level(part.firstAudible())) || !step(part.level(part.last)))
            return false;
    }
    return true;
}

float DbCurve::minDb() const
{
    return extremeDb(false);
}

float DbCurve::maxDb() const
{
    return extremeDb(true);
}

float DbCurve::extremeDb(bool highest) const
{
    std::optional<long> extreme;
    for (const Part& part : parts) {
        if (!part.audible(part.firstAudible()))
            continue;
        for (const long level : {part.level(part.firstAudible()), part.level(part.last)}) {
            if (!extreme || (highest ? level > *extreme : level < *extreme))
                extreme = level;
        }
    }
    return static_cast<float>(toDb(extreme.value_or(0)));
}

float DbCurve::finestStepDb() const
{
    long finest = 0;
    const auto take = [&finest](Wide step) {
        const long size = saturated(step < 0 ? -step : step);
        if (size > 0 && (finest == 0 || size < finest))
            finest = size;
    };
    for (std::size_t i = 0; i < parts.size(); ++i) {
        take(parts[i].finestStep());
        // The step from one part into the next, unless either side is a mute step.
        if (i > 0 && parts[i - 1].audible(parts[i - 1].last) && parts[i].audible(parts[i].first))
            take(Wide(parts[i].level(parts[i].first)) - parts[i - 1].level(parts[i - 1].last));
    }
    return static_cast<float>(toDb(finest));
}

float DbCurve::levelDb(long raw) const
{
    if (parts.empty())
        return 0.0f;
    const long clamped = std::clamp(raw, parts.front().first, parts.back().last);
    const Part& part = *partOf(clamped);
    if (!part.audible(clamped))
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(toDb(part.level(clamped)));
}

std::optional<long> DbCurve::nearestRaw(float db) const
{
    if (std::isnan(db) || parts.empty())
        return std::nullopt;
    // Beyond the range the nearest end wins; minus infinity stays for a mute step.
    const std::optional<long> mute = muteRaw();
    if (std::isinf(db) && db < 0.0f && mute)
        return mute;
    const double target = std::clamp<double>(db, minDb(), maxDb());
    std::optional<long> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const Part& part : parts) {
        const std::optional<long> raw = part.nearest(target);
        const double distance = raw ? std::fabs(toDb(part.level(*raw)) - target) : bestDistance;
        if (raw && (!best || distance < bestDistance)) {
            best = raw;
            bestDistance = distance;
        }
    }
    // A curve that is all mute steps: its first.
    return best ? best : mute;
}
