#pragma once

#include "tarvixmixerdevice.h"

#include <QString>

class CallLog;

// An endpoint that records every call as "<name>.<call>".
class FakeEndpoint : public TarvixMixerDevice
{
public:
    FakeEndpoint(QString name, CallLog* log, float minDb, float maxDb, float stepDb);

    bool getMute() override;
    void setMute(bool mute) override;
    float getVolumeLeft() override;
    float getVolumeRight() override;
    void setVolumeLeft(float db) override;
    void setVolumeRight(float db) override;
    void registerCallback(TarvixMixerDeviceCallback* callback) override;
    int getChannelCount() override;
    void getVolumeRange(float* minDb, float* maxDb, float* stepDb) override;

    QString name;
    CallLog* log;
    float minDb;
    float maxDb;
    float stepDb;
    float left = 0.0f;
    float right = 0.0f;
    bool muted = false;
    TarvixMixerDeviceCallback* callback = nullptr;
    // What the endpoint makes of a level it is given; it keeps it as it is unless told otherwise.
    float (*keep)(float db) = nullptr;
};
