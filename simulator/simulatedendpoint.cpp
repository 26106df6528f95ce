#include "simulatedendpoint.h"

#include "librarylock.h"
#include "notificationdispatcher.h"

#include <cmath>
#include <cstring>

namespace {

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

SimulatedEndpoint::SimulatedEndpoint(const SimulatedEndpointConfig& config, LibraryLock& lock,
                                     NotificationDispatcher& dispatcher)
    : lock(lock), dispatcher(dispatcher), state(config)
{
}

bool SimulatedEndpoint::getMute()
{
    LibraryLock::Guard guard(lock);
    return state.mute;
}

void SimulatedEndpoint::setMute(bool mute)
{
    LibraryLock::Guard guard(lock);
    if (attached)
        storeMute(mute);
}

float SimulatedEndpoint::getVolumeLeft()
{
    LibraryLock::Guard guard(lock);
    return state.leftDb;
}

float SimulatedEndpoint::getVolumeRight()
{
    LibraryLock::Guard guard(lock);
    return state.rightDb;
}

void SimulatedEndpoint::setVolumeLeft(float db)
{
    LibraryLock::Guard guard(lock);
    if (attached && !std::isnan(db))
        storeLevel(state.leftDb, clampedToRange(db));
}

void SimulatedEndpoint::setVolumeRight(float db)
{
    LibraryLock::Guard guard(lock);
    if (attached && !std::isnan(db))
        storeLevel(state.rightDb, clampedToRange(db));
}

void SimulatedEndpoint::registerCallback(TarvixMixerDeviceCallback* callback)
{
    LibraryLock::Guard guard(lock);
    listener.store(callback);
}

int SimulatedEndpoint::getChannelCount()
{
    LibraryLock::Guard guard(lock);
    return state.channelCount;
}

void SimulatedEndpoint::getVolumeRange(float* minDb, float* maxDb, float* stepDb)
{
    LibraryLock::Guard guard(lock);
    if (minDb)
        *minDb = state.minDb;
    if (maxDb)
        *maxDb = state.maxDb;
    if (stepDb)
        *stepDb = state.stepDb;
}

void SimulatedEndpoint::changeVolumeLeftElsewhere(float db)
{
    if (attached)
        storeLevel(state.leftDb, db);
}

void SimulatedEndpoint::changeVolumeRightElsewhere(float db)
{
    if (attached)
        storeLevel(state.rightDb, db);
}

void SimulatedEndpoint::changeMuteElsewhere(bool mute)
{
    if (attached)
        storeMute(mute);
}

void SimulatedEndpoint::changeVolumeRangeElsewhere(float minDb, float maxDb, float stepDb)
{
    state.minDb = minDb;
    state.maxDb = maxDb;
    state.stepDb = stepDb;
}

float SimulatedEndpoint::clampedToRange(float db) const
{
    // Written out rather than std::clamp, which is undefined for a minimum above the maximum.
    if (db > state.maxDb)
        db = state.maxDb;
    if (db < state.minDb)
        db = state.minDb;
    return db;
}

void SimulatedEndpoint::storeLevel(float& channel, float db)
{
    if (sameBits(channel, db))
        return;
    channel = db;
    reportChange();
}

void SimulatedEndpoint::storeMute(bool mute)
{
    if (state.mute == mute)
        return;
    state.mute = mute;
    reportChange();
}

void SimulatedEndpoint::reportChange()
{
    ++changeCount;
    TarvixMixerDeviceCallback* current = listener.load();
    if (!current)
        return;
    dispatcher.countVolumeChangeMade();
    dispatcher.postVolumeChange(listener, current,
                                static_cast<std::int32_t>(changeCount & 0x7fffffffu));
}
