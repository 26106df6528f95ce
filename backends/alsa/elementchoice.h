// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "namerules.h"

#include <cstddef>
#include <string>
#include <vector>

// Which of a card's control elements serve the mixer's output and input endpoints and its
// hardware switches, chosen from the element names alone. Pure functions over element
// descriptions, so that they are reached without a card; the caller holds whatever lock guards
// the descriptions.
namespace ElementChoice {

enum class Kind { Integer, Boolean, Enumerated, Other };

struct Element
{
    std::string name;
    int index = 0; // tells apart elements that share a name
    Kind kind = Kind::Other;
    int channels = 0;
    bool hasDbRange = false;        // an integer element whose dB curve spans more than one level
    bool hasRawRange = false;       // an integer element of more than one raw value
    std::vector<std::string> items; // enumerated elements: item names
};

// One channel of one element; element -1 means none.
struct ChannelRef
{
    int element = -1;
    int channel = 0;
    bool present() const { return element >= 0; }
    bool operator==(const ChannelRef& other) const
    {
        return element == other.element && channel == other.channel;
    }
};

struct EndpointChoice
{
    ChannelRef left, right;             // volume channels; absent for a mute alone
    ChannelRef switchLeft, switchRight; // mute switches; may be absent
    bool muteInverted = false;          // a "... Mute ..." switch: at 1 muted, else at 1 not muted
    bool inDb = true;                   // false: volumes without a dB range, set in raw steps
    const NameRules::Rule* levelRule = nullptr; // the rules that chose them, or null
    const NameRules::Rule* muteRule = nullptr;
    bool hasLevels() const { return left.present() && right.present(); }
    bool hasMute() const { return switchLeft.present() || switchRight.present(); }
    bool present() const { return hasLevels() || hasMute(); }
};

struct SwitchChoice
{
    ChannelRef phantomLeft, phantomRight;
    int monitor = -1; // the loopback control: an on/off switch, or an Off/Mono/Stereo enum
    bool monitorIsEnum = false;
    const NameRules::Rule* phantomLeftRule = nullptr;
    const NameRules::Rule* phantomRightRule = nullptr;
    const NameRules::Rule* monitorRule = nullptr;
    bool present() const { return phantomLeft.present() || phantomRight.present() || monitor >= 0; }
};

struct Choice
{
    EndpointChoice output, input;
    SwitchChoice switches;
};

// The longest element name a card reports; longer names are cut to it.
inline constexpr std::size_t kNameBytes = 43;

// Every role as NameRules' table orders it: for each role the first rule that some element
// matches, and among the elements a rule matches the one of the lowest index, then the first
// listed. An element a NameRules::kNever pattern matches serves nothing. A name the card cut at
// kNameBytes matches a rule whose pattern it follows up to the cut, where the cut falls in the
// name's last word.
//
// Levels are integer elements of more than one raw value. Volumes with a dB range come first:
// only where no volume with one fits a direction does the same choice run again over the
// volumes without one (inDb false). A two-channel level gives left and right (channels 0 and 1
// of a wider one), a pair rule pairs two elements, one alone serves both sides. A level's mute
// is its own switch (of its index, else of the lowest), else its own "Mute" switch, else a mute
// of the whole card; a direction without a level takes the first mute rule a switch matches.
// Switches are boolean elements, or enums of the two items Off and On; mutes are boolean.
//
// Each rule looks at each element once; a level finds its switch through a name index.
Choice choose(const std::vector<Element>& elements);

} // namespace ElementChoice
