// SPDX-License-Identifier: GPL-3.0-or-later
#include "kithid.h"

#include "librarylock.h"
#include "tarvixhidchangedcallback.h"

void KitHid::setPhantomLeft(bool on)
{
    write(Switch::PhantomLeft, on);
}

bool KitHid::getPhantomLeft()
{
    return read(Switch::PhantomLeft);
}

void KitHid::setPhantomRight(bool on)
{
    write(Switch::PhantomRight, on);
}

bool KitHid::getPhantomRight()
{
    return read(Switch::PhantomRight);
}

void KitHid::setLoopbackRight(bool on)
{
    write(Switch::LoopbackRight, on);
}

bool KitHid::getLoopbackRight()
{
    return read(Switch::LoopbackRight);
}

void KitHid::setLoopbackLeft(bool on)
{
    write(Switch::LoopbackLeft, on);
}

bool KitHid::getLoopbackLeft()
{
    return read(Switch::LoopbackLeft);
}

void KitHid::poll()
{
    TarvixHIDChangedCallback* toTell = nullptr;
    {
        LibraryLock::Guard guard(lock);
        if (!attached || !listener)
            return;
        const SwitchStates now = readAll();
        if (told == now)
            return;
        told = now;
        toTell = listener;
    }
    toTell->onHIDChanged();
}

void KitHid::setChangedCallback(TarvixHIDChangedCallback* callback)
{
    {
        LibraryLock::Guard guard(lock);
        listener = callback;
        // poll() compares with `told` only for a listener registered while attached.
        if (!callback || !attached)
            return;
        told = readAll();
    }
    callback->onHIDChanged();
}

SwitchStates KitHid::readAll()
{
    SwitchStates now;
    for (const Switch which : allSwitches)
        now[which] = readSwitch(which);
    return now;
}

bool KitHid::read(Switch which)
{
    LibraryLock::Guard guard(lock);
    return readSwitch(which);
}

void KitHid::write(Switch which, bool on)
{
    LibraryLock::Guard guard(lock);
    if (attached)
        writeSwitch(which, on);
}
