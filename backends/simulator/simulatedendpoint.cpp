// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedendpoint.h"

#include "librarylock.h"

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
    : KitEndpoint(dispatcher), lock(lock), current(config)
{
}

bool SimulatedEndpoint::getMute()
{
    LibraryLock::Guard guard(lock);
    return current.mute;
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
    return current.leftDb;
}

float SimulatedEndpoint::getVolumeRight()
{
    LibraryLock::Guard guard(lock);
    return current.rightDb;
}

void SimulatedEndpoint::setVolumeLeft(float db)
{
    LibraryLock::Guard guard(lock);
    if (attached && !std::isnan(db))
        storeLevel(current.leftDb, clampedToRange(db));
}

void SimulatedEndpoint::setVolumeRight(float db)
{
    LibraryLock::Guard guard(lock);
    if (attached && !std::isnan(db))
        storeLevel(current.rightDb, clampedToRange(db));
}

int SimulatedEndpoint::getChannelCount()
{
    LibraryLock::Guard guard(lock);
    return current.channelCount;
}

void SimulatedEndpoint::getVolumeRange(float* minDb, float* maxDb, float* stepDb)
{
    LibraryLock::Guard guard(lock);
    if (minDb)
        *minDb = current.minDb;
    if (maxDb)
        *maxDb = current.maxDb;
    if (stepDb)
        *stepDb = current.stepDb;
}

void SimulatedEndpoint::changeVolumeLeftOnDevice(float db)
{
    if (attached)
        storeLevel(current.leftDb, db);
}

void SimulatedEndpoint::changeVolumeRightOnDevice(float db)
{
    if (attached)
        storeLevel(current.rightDb, db);
}

void SimulatedEndpoint::changeMuteOnDevice(bool mute)
{
    if (attached)
        storeMute(mute);
}

void SimulatedEndpoint::changeVolumeRangeOnDevice(float minDb, float maxDb, float stepDb)
{
    current.minDb = minDb;
    current.maxDb = maxDb;
    current.stepDb = stepDb;
}

float SimulatedEndpoint::clampedToRange(float db) const
{
    // Written out rather than std::clamp, which is undefined for a minimum above the maximum.
    if (db > current.maxDb)
        db = current.maxDb;
    if (db < current.minDb)
        db = current.minDb;
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
    if (current.mute == mute)
        return;
    current.mute = mute;
    reportChange();
}
