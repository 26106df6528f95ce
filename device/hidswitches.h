// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tarvixhid.h"

#include <array>
#include <cstddef>

// The four HID switches as one vocabulary: every switch in the order the window, presets and
// libraries go through them (phantom left, phantom right, loopback left, loopback right), each
// one's name in a preset, and any TarvixHID's switch reached by value through its getters and
// setters. Pure functions; the lock rules are the HID interface's.

inline constexpr std::array<TarvixHID::Switch, 4> allSwitches = {
    TarvixHID::Switch::PhantomLeft, TarvixHID::Switch::PhantomRight,
    TarvixHID::Switch::LoopbackLeft, TarvixHID::Switch::LoopbackRight};

inline constexpr std::size_t switchIndex(TarvixHID::Switch which)
{
    return static_cast<std::size_t>(which);
}

// The switch's element name in a preset file: "PhantomLeft", ...
inline constexpr const char* switchName(TarvixHID::Switch which)
{
    constexpr const char* names[] = {"PhantomLeft", "PhantomRight", "LoopbackLeft",
                                     "LoopbackRight"};
    return names[switchIndex(which)];
}

inline bool getSwitch(TarvixHID& hid, TarvixHID::Switch which)
{
    switch (which) {
    case TarvixHID::Switch::PhantomLeft:
        return hid.getPhantomLeft();
    case TarvixHID::Switch::PhantomRight:
        return hid.getPhantomRight();
    case TarvixHID::Switch::LoopbackLeft:
        return hid.getLoopbackLeft();
    case TarvixHID::Switch::LoopbackRight:
        break;
    }
    return hid.getLoopbackRight();
}

inline void setSwitch(TarvixHID& hid, TarvixHID::Switch which, bool on)
{
    switch (which) {
    case TarvixHID::Switch::PhantomLeft:
        return hid.setPhantomLeft(on);
    case TarvixHID::Switch::PhantomRight:
        return hid.setPhantomRight(on);
    case TarvixHID::Switch::LoopbackLeft:
        return hid.setLoopbackLeft(on);
    case TarvixHID::Switch::LoopbackRight:
        break;
    }
    hid.setLoopbackRight(on);
}

// The state of the four switches, all off unless set.
class SwitchStates
{
public:
    bool& operator[](TarvixHID::Switch which) { return states[switchIndex(which)]; }
    bool operator[](TarvixHID::Switch which) const { return states[switchIndex(which)]; }
    bool operator==(const SwitchStates& other) const { return states == other.states; }
    bool operator!=(const SwitchStates& other) const { return states != other.states; }

private:
    std::array<bool, allSwitches.size()> states{};
};
