#include "fakeendpoint.h"

#include "calllog.h"

#include <utility>

namespace {
QString number(float value)
{
    return QString::number(value);
}

QString boolean(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

FakeEndpoint::FakeEndpoint(QString name, CallLog* log, float minDb, float maxDb, float stepDb)
    : name(std::move(name)), log(log), minDb(minDb), maxDb(maxDb), stepDb(stepDb)
{
}

bool FakeEndpoint::getMute()
{
    log->append(name + ".getMute");
    return muted;
}

void FakeEndpoint::setMute(bool mute)
{
    log->append(name + ".setMute(" + boolean(mute) + ')');
    muted = mute;
}

float FakeEndpoint::getVolumeLeft()
{
    log->append(name + ".getVolumeLeft");
    return left;
}

float FakeEndpoint::getVolumeRight()
{
    log->append(name + ".getVolumeRight");
    return right;
}

void FakeEndpoint::setVolumeLeft(float db)
{
    log->append(name + ".setVolumeLeft(" + number(db) + ')');
    left = keep ? keep(db) : db;
}

void FakeEndpoint::setVolumeRight(float db)
{
    log->append(name + ".setVolumeRight(" + number(db) + ')');
    right = keep ? keep(db) : db;
}

void FakeEndpoint::registerCallback(TarvixMixerDeviceCallback* newCallback)
{
    log->append(name + (newCallback ? ".registerCallback" : ".registerCallback(null)"));
    callback = newCallback;
}

int FakeEndpoint::getChannelCount()
{
    log->append(name + ".getChannelCount");
    return 2;
}

void FakeEndpoint::getVolumeRange(float* outMinDb, float* outMaxDb, float* outStepDb)
{
    log->append(name + ".getVolumeRange");
    *outMinDb = minDb;
    *outMaxDb = maxDb;
    *outStepDb = stepDb;
}
