// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsahid.h"

#include "alsacard.h"

#include <strings.h>

using DirectMonitor::Mode;

AlsaHid::AlsaHid(AlsaCard& card, const ElementChoice::SwitchChoice& choice, LibraryLock& lock)
    : KitHid(lock), card(card), choice(choice)
{
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

// An on/off control is both loopback switches at once.
bool AlsaHid::readSwitch(Switch which)
{
    switch (which) {
    case Switch::PhantomLeft:
        return choice.phantomLeft.present() && card.read(choice.phantomLeft) != 0;
    case Switch::PhantomRight:
        return choice.phantomRight.present() && card.read(choice.phantomRight) != 0;
    case Switch::LoopbackLeft:
        return monitorIsOnOff() ? monitorMode() != Mode::Off
                                : DirectMonitor::loopbackLeft(monitorMode());
    case Switch::LoopbackRight:
        break;
    }
    return DirectMonitor::loopbackRight(monitorMode());
}

void AlsaHid::writeSwitch(Switch which, bool on)
{
    if (which == Switch::PhantomLeft || which == Switch::PhantomRight) {
        card.write(which == Switch::PhantomLeft ? choice.phantomLeft : choice.phantomRight, on);
    } else if (choice.monitor >= 0 && monitorIsOnOff()) {
        card.write({choice.monitor, 0}, on);
    } else if (choice.monitor >= 0) {
        const Mode mode = monitorMode();
        setMonitorMode(which == Switch::LoopbackLeft ? DirectMonitor::afterSetLeft(mode, on)
                                                     : DirectMonitor::afterSetRight(mode, on));
    }
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
