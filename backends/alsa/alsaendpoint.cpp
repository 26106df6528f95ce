// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsaendpoint.h"

#include "alsacard.h"
#include "inputgainscale.h"
#include "inputscale.h"
#include "librarylock.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using ElementChoice::ChannelRef;

namespace {

// A slider over a level without dB gets at most this many positions.
constexpr unsigned long kMostPercentSteps = 1000000;

// The number of raw steps of min..max, also where it exceeds long's range; 0 if max <= min.
unsigned long rawSpan(long min, long max)
{
    return max > min ? static_cast<unsigned long>(max) - static_cast<unsigned long>(min) : 0;
}

float percentOf(long raw, long min, long max)
{
    const unsigned long span = rawSpan(min, max);
    if (span == 0)
        return 0.0f;
    const unsigned long offset = rawSpan(min, std::clamp(raw, min, max));
    return static_cast<float>(static_cast<double>(offset) / static_cast<double>(span) * 100.0);
}

// The raw value nearest `percent` of min..max; none for NaN.
std::optional<long> rawForPercent(float percent, long min, long max)
{
    if (std::isnan(percent))
        return std::nullopt;
    const unsigned long span = rawSpan(min, max);
    const double wanted = std::round(std::clamp(static_cast<double>(percent), 0.0, 100.0) / 100.0 *
                                     static_cast<double>(span));
    // A span near 2^64 rounds up as a double: the top end is then taken as it is.
    const unsigned long offset =
        wanted < static_cast<double>(span) ? static_cast<unsigned long>(wanted) : span;
    return static_cast<long>(static_cast<unsigned long>(min) + offset);
}

float percentStep(long min, long max)
{
    const unsigned long steps = std::min(rawSpan(min, max), kMostPercentSteps);
    return steps == 0 ? 0.0f : static_cast<float>(100.0 / static_cast<double>(steps));
}

} // namespace

AlsaEndpoint::AlsaEndpoint(AlsaCard& card, const ElementChoice::EndpointChoice& choice,
                           Direction direction, LibraryLock& lock,
                           NotificationDispatcher& dispatcher)
    : KitEndpoint(dispatcher), card(card), choice(choice), direction(direction), lock(lock)
{
}

bool AlsaEndpoint::getMute()
{
    LibraryLock::Guard guard(lock);
    const auto mutes = [this](ChannelRef sw) {
        return sw.present() && (card.read(sw) != 0) == choice.muteInverted;
    };
    return mutes(choice.switchLeft) || mutes(choice.switchRight);
}

bool AlsaEndpoint::hasMute()
{
    return choice.switchLeft.present() || choice.switchRight.present();
}

bool AlsaEndpoint::hasLevels()
{
    return choice.hasLevels();
}

bool AlsaEndpoint::levelsAreWritable()
{
    LibraryLock::Guard guard(lock);
    return choice.hasLevels() && card.isWritable(choice.left.element) &&
           card.isWritable(choice.right.element);
}

void AlsaEndpoint::setMute(bool mute)
{
    LibraryLock::Guard guard(lock);
    const long value = mute == choice.muteInverted ? 1 : 0;
    card.write(choice.switchLeft, value);
    if (!(choice.switchRight == choice.switchLeft))
        card.write(choice.switchRight, value);
}

bool AlsaEndpoint::levelsAreInDb()
{
    return choice.inDb;
}

float AlsaEndpoint::levelOf(ChannelRef volume)
{
    LibraryLock::Guard guard(lock);
    if (!volume.present())
        return 0.0f;
    if (!choice.inDb)
        return percentOf(card.read(volume), card.rawMin(volume.element),
                         card.rawMax(volume.element));
    const float db = card.curve(volume.element).levelDb(card.read(volume));
    if (direction == Direction::Output)
        return db;
    return InputGainScale::levelForPosition(InputGainScale::positionForGain(db));
}

void AlsaEndpoint::setLevel(ChannelRef volume, float db)
{
    LibraryLock::Guard guard(lock);
    if (!volume.present())
        return;
    const DbCurve& curve = card.curve(volume.element);
    std::optional<long> raw;
    if (!choice.inDb) {
        raw = rawForPercent(db, card.rawMin(volume.element), card.rawMax(volume.element));
    } else if (direction == Direction::Output) {
        raw = curve.nearestRaw(db);
    } else if (const std::optional<int> position = InputGainScale::positionForLevel(db)) {
        // Position 0 is the lowest gain, or the mute step, wherever it lies in the raw range: a
        // curve may fall as its raw values rise.
        raw = curve.nearestRaw(*position == 0
                                   ? -std::numeric_limits<float>::infinity()
                                   : static_cast<float>(InputScale::gainForPosition(*position)));
    }
    if (raw)
        card.write(volume, *raw);
}

float AlsaEndpoint::getVolumeLeft()
{
    return levelOf(choice.left);
}

float AlsaEndpoint::getVolumeRight()
{
    return levelOf(choice.right);
}

void AlsaEndpoint::setVolumeLeft(float db)
{
    setLevel(choice.left, db);
}

void AlsaEndpoint::setVolumeRight(float db)
{
    setLevel(choice.right, db);
}

int AlsaEndpoint::getChannelCount()
{
    return 2;
}

void AlsaEndpoint::getVolumeRange(float* minDb, float* maxDb, float* stepDb)
{
    LibraryLock::Guard guard(lock);
    if (!choice.hasLevels()) {
        *minDb = *maxDb = *stepDb = 0.0f;
        return;
    }
    const DbCurve& curve = card.curve(choice.left.element);
    if (!choice.inDb) {
        *minDb = 0.0f;
        *maxDb = 100.0f;
        *stepDb = percentStep(card.rawMin(choice.left.element), card.rawMax(choice.left.element));
    } else if (direction == Direction::Output) {
        *minDb = curve.minDb();
        *maxDb = curve.maxDb();
        *stepDb = curve.finestStepDb();
    } else {
        *minDb = 0.0f;
        *maxDb = InputGainScale::levelForPosition(InputGainScale::positionForGain(curve.maxDb()));
        *stepDb = InputScale::kStepDb;
    }
}

bool AlsaEndpoint::usesElement(int element) const
{
    return choice.left.element == element || choice.right.element == element ||
           choice.switchLeft.element == element || choice.switchRight.element == element;
}
