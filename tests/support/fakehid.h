#pragma once

#include "tarvixhid.h"

#include <QString>

class CallLog;

// HID switches that keep whatever they are given and record every call as "<name>.<call>".
// poll() reports through the listener when `changePending` is set, as a device would after a
// switch was flipped on the hardware.
class FakeHid : public TarvixHID
{
public:
    FakeHid(QString name, CallLog* log);

    void setPhantomLeft(bool on) override;
    bool getPhantomLeft() override;
    void setPhantomRight(bool on) override;
    bool getPhantomRight() override;
    void setLoopbackRight(bool on) override;
    bool getLoopbackRight() override;
    void setLoopbackLeft(bool on) override;
    bool getLoopbackLeft() override;
    void poll() override;

    QString name;
    CallLog* log;
    bool phantomLeft = false;
    bool phantomRight = false;
    bool loopbackLeft = false;
    bool loopbackRight = false;
    bool changePending = false;
    TarvixHIDChangedCallback* callback = nullptr;

protected:
    void setChangedCallback(TarvixHIDChangedCallback* callback) override;

private:
    void record(const char* call, bool on);
};
