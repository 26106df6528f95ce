#include "fakehid.h"

#include "calllog.h"
#include "tarvixhidchangedcallback.h"

#include <utility>

FakeHid::FakeHid(QString name, CallLog* log) : name(std::move(name)), log(log) {}

void FakeHid::record(const char* call, bool on)
{
    log->append(name + '.' + QLatin1String(call) + (on ? "(true)" : "(false)"));
}

void FakeHid::setPhantomLeft(bool on)
{
    record("setPhantomLeft", on);
    phantomLeft = on;
}

bool FakeHid::getPhantomLeft()
{
    log->append(name + ".getPhantomLeft");
    return phantomLeft;
}

void FakeHid::setPhantomRight(bool on)
{
    record("setPhantomRight", on);
    phantomRight = on;
}

bool FakeHid::getPhantomRight()
{
    log->append(name + ".getPhantomRight");
    return phantomRight;
}

void FakeHid::setLoopbackRight(bool on)
{
    record("setLoopbackRight", on);
    loopbackRight = on;
}

bool FakeHid::getLoopbackRight()
{
    log->append(name + ".getLoopbackRight");
    return loopbackRight;
}

void FakeHid::setLoopbackLeft(bool on)
{
    record("setLoopbackLeft", on);
    loopbackLeft = on;
}

bool FakeHid::getLoopbackLeft()
{
    log->append(name + ".getLoopbackLeft");
    return loopbackLeft;
}

void FakeHid::poll()
{
    log->append(name + ".poll");
    if (changePending && callback) {
        changePending = false;
        callback->onHIDChanged();
    }
}

void FakeHid::setChangedCallback(TarvixHIDChangedCallback* newCallback)
{
    log->append(name +
                (newCallback ? ".registerChangedCallback" : ".registerChangedCallback(null)"));
    callback = newCallback;
}
