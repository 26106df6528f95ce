#include "alsahid.h"

#include "alsacard.h"
#include "librarylock.h"
#include "tarvixhidchangedcallback.h"

#include <strings.h>

using DirectMonitor::Mode;

AlsaHid::AlsaHid(AlsaCard& card, const ElementChoice::SwitchChoice& choice, LibraryLock& lock)
    : card(card), choice(choice), lock(lock)
{
}

void AlsaHid::setPhantomLeft(bool on)
{
    LibraryLock::Guard guard(lock);
    card.write(choice.phantomLeft, on);
}

bool AlsaHid::getPhantomLeft()
{
    LibraryLock::Guard guard(lock);
    return choice.phantomLeft.present() && card.read(choice.phantomLeft) != 0;
}

void AlsaHid::setPhantomRight(bool on)
{
    LibraryLock::Guard guard(lock);
    card.write(choice.phantomRight, on);
}

bool AlsaHid::getPhantomRight()
{
    LibraryLock::Guard guard(lock);
    return choice.phantomRight.present() && card.read(choice.phantomRight) != 0;
}

long AlsaHid::enumItem(const char* name, long fallback) const
{
    const std::vector<std::string>& items = card.elements()[choice.monitor].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (strcasecmp(items[i].c_str(), name) == 0)
            return static_cast<long>(i);
    }
    return fallback;
}

// A switch, or an enum too short to hold the Off, Mono and Stereo modes.
bool AlsaHid::monitorIsOnOff() const
{
    return !choice.monitorIsEnum || card.elements()[choice.monitor].items.size() < 3;
}

Mode AlsaHid::monitorMode()
{
    if (choice.monitor < 0)
        return Mode::Off;
    const long value = card.read({choice.monitor, 0});
    if (monitorIsOnOff())
        return value ? Mode::Stereo : Mode::Off;
    if (value == enumItem("Mono", 1))
        return Mode::Mono;
    return value == enumItem("Stereo", 2) ? Mode::Stereo : Mode::Off;
}

void AlsaHid::setMonitorMode(Mode mode)
{
    const long value = mode == Mode::Mono     ? enumItem("Mono", 1)
                       : mode == Mode::Stereo ? enumItem("Stereo", 2)
                                              : enumItem("Off", 0);
    card.write({choice.monitor, 0}, value);
}

void AlsaHid::setLoopbackRight(bool on)
{
    LibraryLock::Guard guard(lock);
    if (choice.monitor < 0)
        return;
    if (monitorIsOnOff())
        card.write({choice.monitor, 0}, on);
    else
        setMonitorMode(DirectMonitor::afterSetRight(monitorMode(), on));
}

bool AlsaHid::getLoopbackRight()
{
    LibraryLock::Guard guard(lock);
    return DirectMonitor::loopbackRight(monitorMode());
}

void AlsaHid::setLoopbackLeft(bool on)
{
    LibraryLock::Guard guard(lock);
    if (choice.monitor < 0)
        return;
    if (monitorIsOnOff())
        card.write({choice.monitor, 0}, on);
    else
        setMonitorMode(DirectMonitor::afterSetLeft(monitorMode(), on));
}

bool AlsaHid::getLoopbackLeft()
{
    LibraryLock::Guard guard(lock);
    // An on/off control is both loopback switches at once.
    const Mode mode = monitorMode();
    return monitorIsOnOff() ? mode != Mode::Off : DirectMonitor::loopbackLeft(mode);
}

bool AlsaHid::hasSwitch(Switch which)
{
    switch (which) {
    case Switch::PhantomLeft:
        return choice.phantomLeft.present();
    case Switch::PhantomRight:
        return choice.phantomRight.present();
    case Switch::LoopbackLeft:
    case Switch::LoopbackRight:
        break;
    }
    return choice.monitor >= 0;
}

AlsaHid::State AlsaHid::readState()
{
    return {getPhantomLeft(), getPhantomRight(), getLoopbackLeft(), getLoopbackRight()};
}

void AlsaHid::poll()
{
    LibraryLock::Guard guard(lock);
    const State now = readState();
    if (now == reported || !listener)
        return;
    reported = now;
    listener->onHIDChanged();
}

void AlsaHid::setChangedCallback(TarvixHIDChangedCallback* callback)
{
    LibraryLock::Guard guard(lock);
    listener = callback;
    reported = readState();
    if (listener)
        listener->onHIDChanged();
}

bool AlsaHid::usesElement(int element) const
{
    return choice.phantomLeft.element == element || choice.phantomRight.element == element ||
           choice.monitor == element;
}
