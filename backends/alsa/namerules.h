// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// The names under which Linux's USB-audio drivers create the controls that serve the mixer,
// as one constant table: which control serves each role is the first rule, in table order, that
// a control matches. Constant data, read by any thread.
namespace NameRules {

enum class Role { OutputLevel, OutputMute, InputLevel, InputMute, Phantom, Loopback };

// How a control that matches a rule serves its role.
enum class Form {
    Level,      // an integer control serving both sides: channels 0 and 1, or its only one
    LevelPair,  // one integer control per side: '#' is 1 (left) or 2 (right)
    OwnSwitch,  // a level's mute: the switch of the level's name, on meaning sound
    OwnMute,    // a level's mute: "<name> Mute ... Switch", on meaning muted
    CardMute,   // a mute of the whole card, on meaning muted; also a level's, where it has none
    Switch,     // a switch serving both sides; for a mute, on meaning sound
    MuteSwitch, // a mute switch alone, on meaning muted
    Inputs,     // a switch of the inputs '#' names ("1", "1-2"): left is input 1, right input 2
    MonitorEnum // an Off/Mono/Stereo enum: Mono left, Stereo right (Off/On: both)
};

struct Rule
{
    Role role;
    Form form;
    // '*' any text, spaces included, also none; '#' a number, or a range "N-M" for Inputs.
    const char* pattern;
    const char* origin; // the driver that makes the name, and why it serves
};

// In order of preference within each role.
extern const Rule kRules[];
extern const std::size_t kRuleCount;

// Names that never serve a role, whatever rule they match: monitoring mixes, matrix points,
// trims, effect sends.
extern const char* const kNever[];
extern const std::size_t kNeverCount;

const char* roleName(Role role);

} // namespace NameRules
