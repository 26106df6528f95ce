#include "simulatedhid.h"

#include "librarylock.h"
#include "tarvixhidchangedcallback.h"

namespace {

bool operator==(const SimulatedSwitches& a, const SimulatedSwitches& b)
{
    return a.phantomLeft == b.phantomLeft && a.phantomRight == b.phantomRight &&
           a.loopbackLeft == b.loopbackLeft && a.loopbackRight == b.loopbackRight;
}

} // namespace

SimulatedHID::SimulatedHID(const SimulatedSwitches& switches, LibraryLock& lock)
    : lock(lock), state(switches)
{
}

void SimulatedHID::setPhantomLeft(bool on)
{
    setSwitch(SimulatedSwitch::PhantomLeft, on);
}

bool SimulatedHID::getPhantomLeft()
{
    return getSwitch(SimulatedSwitch::PhantomLeft);
}

void SimulatedHID::setPhantomRight(bool on)
{
    setSwitch(SimulatedSwitch::PhantomRight, on);
}

bool SimulatedHID::getPhantomRight()
{
    return getSwitch(SimulatedSwitch::PhantomRight);
}

void SimulatedHID::setLoopbackRight(bool on)
{
    setSwitch(SimulatedSwitch::LoopbackRight, on);
}

bool SimulatedHID::getLoopbackRight()
{
    return getSwitch(SimulatedSwitch::LoopbackRight);
}

void SimulatedHID::setLoopbackLeft(bool on)
{
    setSwitch(SimulatedSwitch::LoopbackLeft, on);
}

bool SimulatedHID::getLoopbackLeft()
{
    return getSwitch(SimulatedSwitch::LoopbackLeft);
}

void SimulatedHID::poll()
{
    TarvixHIDChangedCallback* toTell = nullptr;
    {
        LibraryLock::Guard guard(lock);
        if (!attached || !listener || (lastReported && *lastReported == state))
            return;
        lastReported = state;
        toTell = listener;
    }
    toTell->onHIDChanged();
}

void SimulatedHID::changeSwitchOnDevice(SimulatedSwitch which, bool on)
{
    if (attached)
        switchState(which) = on;
}

void SimulatedHID::setChangedCallback(TarvixHIDChangedCallback* callback)
{
    LibraryLock::Guard guard(lock);
    listener = callback;
    lastReported.reset();
}

void SimulatedHID::setSwitch(SimulatedSwitch which, bool on)
{
    LibraryLock::Guard guard(lock);
    if (attached)
        switchState(which) = on;
}

bool SimulatedHID::getSwitch(SimulatedSwitch which)
{
    LibraryLock::Guard guard(lock);
    return switchState(which);
}

bool& SimulatedHID::switchState(SimulatedSwitch which)
{
    switch (which) {
    case SimulatedSwitch::PhantomLeft:
        return state.phantomLeft;
    case SimulatedSwitch::PhantomRight:
        return state.phantomRight;
    case SimulatedSwitch::LoopbackLeft:
        return state.loopbackLeft;
    case SimulatedSwitch::LoopbackRight:
        break;
    }
    return state.loopbackRight;
}
