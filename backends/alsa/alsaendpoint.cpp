#include "alsaendpoint.h"

#include "alsacard.h"
#include "inputgainscale.h"
#include "inputscale.h"
#include "librarylock.h"

#include <limits>

using ElementChoice::ChannelRef;

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

bool AlsaEndpoint::levelsAreWritable()
{
    LibraryLock::Guard guard(lock);
    return card.isWritable(choice.left.element) && card.isWritable(choice.right.element);
}

void AlsaEndpoint::setMute(bool mute)
{
    LibraryLock::Guard guard(lock);
    const long value = mute == choice.muteInverted ? 1 : 0;
    card.write(choice.switchLeft, value);
    if (!(choice.switchRight == choice.switchLeft))
        card.write(choice.switchRight, value);
}

float AlsaEndpoint::levelOf(ChannelRef volume)
{
    LibraryLock::Guard guard(lock);
    const float db = card.curve(volume.element).levelDb(card.read(volume));
    if (direction == Direction::Output)
        return db;
    return InputGainScale::levelForPosition(InputGainScale::positionForGain(db));
}

void AlsaEndpoint::setLevel(ChannelRef volume, float db)
{
    LibraryLock::Guard guard(lock);
    const DbCurve& curve = card.curve(volume.element);
    std::optional<long> raw;
    if (direction == Direction::Output) {
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
    const DbCurve& curve = card.curve(choice.left.element);
    if (direction == Direction::Output) {
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
