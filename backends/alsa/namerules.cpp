// SPDX-License-Identifier: GPL-3.0-or-later
#include "namerules.h"

namespace NameRules {

// One rule a line, so that scripts/cardtable.py can print the table for the README.
// clang-format off
const Rule kRules[] = {
    {Role::OutputLevel, Form::Level, "Master Playback Volume", "mixer.c, mixer_maps.c, mixer_scarlett.c, 6fire: the main output"},
    {Role::OutputLevel, Form::Level, "Master Volume", "mixer_us16x08.c and mixer_maps.c: a quirk's name without a direction word"},
    {Role::OutputLevel, Form::Level, "Speaker Playback Volume", "mixer.c: a speaker output terminal"},
    {Role::OutputLevel, Form::Level, "Headphone Playback Volume", "mixer.c: a headphone output terminal; mixer_scarlett2.c: the knob's level"},
    {Role::OutputLevel, Form::Level, "Front Headphone Playback Volume", "mixer_maps.c: motherboard USB codecs"},
    {Role::OutputLevel, Form::Level, "Line Out Playback Volume", "mixer_maps.c: motherboard USB codecs"},
    {Role::OutputLevel, Form::Level, "PCM Playback Volume", "mixer.c: the USB stream's own level; line6/pcm.c"},
    {Role::OutputLevel, Form::Level, "* Output Playback Volume", "mixer.c: the device's own output terminal string"},
    {Role::OutputLevel, Form::LevelPair, "Line #* Playback Volume", "mixer_scarlett2.c: per-channel outputs 01 and 02"},
    {Role::OutputLevel, Form::LevelPair, "Main-Out AN#", "mixer_quirks.c: RME's analogue outputs 1 and 2, no direction word"},
    {Role::OutputLevel, Form::Level, "* Playback Volume", "mixer.c: any other terminal string, spaces as the device reports them"},
    {Role::OutputMute, Form::OwnSwitch, "<level> Switch", "mixer.c: the mute of the level's feature unit"},
    {Role::OutputMute, Form::OwnMute, "<level> Mute Switch", "mixer_scarlett2.c, mixer_us16x08.c: the level's own mute, on when muted"},
    {Role::OutputMute, Form::Switch, "Master Playback Switch", "mixer.c: a main output's mute without a level"},
    {Role::OutputMute, Form::Switch, "Master Switch", "mixer_maps.c: a quirk's name without a direction word"},
    {Role::OutputMute, Form::Switch, "Speaker Playback Switch", "mixer.c: a speaker's mute without a level"},
    {Role::OutputMute, Form::Switch, "Headphone Playback Switch", "mixer.c: a headphone's mute without a level"},
    {Role::OutputMute, Form::Switch, "PCM Playback Switch", "mixer.c: the USB stream's mute without a level (headsets, docks)"},
    {Role::OutputMute, Form::Switch, "* Output Playback Switch", "mixer.c: the device's own output terminal string"},
    {Role::OutputMute, Form::MuteSwitch, "Speaker Mute Playback Switch", "mixer_scarlett2.c: the speaker mute of interfaces without an output level"},
    {Role::OutputMute, Form::MuteSwitch, "Master Mute Switch", "mixer_us16x08.c: the master mute"},
    {Role::OutputMute, Form::CardMute, "Mute Playback Switch", "mixer_scarlett2.c: the interface's mute button"},
    {Role::OutputMute, Form::CardMute, "Mute Main Out Switch", "mixer_s1810c.c: the main output's mute button"},
    {Role::InputLevel, Form::Level, "Mic Capture Volume", "mixer.c: a microphone input terminal"},
    {Role::InputLevel, Form::Level, "Capture Volume", "mixer_maps.c: the capture path's level"},
    {Role::InputLevel, Form::Level, "Line Capture Volume", "mixer.c: a line input terminal"},
    {Role::InputLevel, Form::Level, "Headset Capture Volume", "mixer.c: a headset's (two-way) terminal"},
    {Role::InputLevel, Form::Level, "Front Mic Capture Volume", "mixer_maps.c: motherboard USB codecs"},
    {Role::InputLevel, Form::LevelPair, "Line In # Gain* Capture Volume", "mixer_scarlett2.c, fcp.c: per-input gains 1 and 2"},
    {Role::InputLevel, Form::LevelPair, "Mic-AN# Gain", "mixer_quirks.c: RME's microphone gains 1 and 2, no direction word"},
    {Role::InputLevel, Form::LevelPair, "Line # In Volume", "mixer_maps.c: line inputs 1 and 2 named without a direction word"},
    {Role::InputLevel, Form::Level, "* Capture Volume", "mixer.c: any other input terminal, or its string, spaces as reported"},
    {Role::InputMute, Form::OwnSwitch, "<level> Switch", "mixer.c: the mute of the level's feature unit"},
    {Role::InputMute, Form::OwnMute, "<level> Mute Switch", "mixer_scarlett2.c: the input's own mute, on when muted"},
    {Role::InputMute, Form::Switch, "Mic Capture Switch", "mixer.c: a microphone's mute without a level (headsets)"},
    {Role::InputMute, Form::Switch, "Capture Switch", "mixer_maps.c: the capture path's mute without a level"},
    {Role::InputMute, Form::Switch, "Headset Capture Switch", "mixer.c: a headset microphone's mute without a level"},
    {Role::Phantom, Form::Inputs, "Line In # Phantom Power Capture Switch", "mixer_scarlett2.c, fcp.c: per input, or per group (1-2, 1-4)"},
    {Role::Phantom, Form::Inputs, "Mic-AN# 48V", "mixer_quirks.c: RME's phantom power per input, named by its voltage"},
    {Role::Phantom, Form::Switch, "48V Phantom Power On Mic Inputs Switch", "mixer_s1810c.c: one switch for every microphone input"},
    {Role::Loopback, Form::Switch, "Direct Monitor Playback Switch", "mixer_scarlett2.c: direct monitoring on or off"},
    {Role::Loopback, Form::MonitorEnum, "Direct Monitor Playback Enum", "mixer_scarlett2.c: direct monitoring Off, Mono or Stereo"},
    {Role::Loopback, Form::Switch, "Sidetone Playback Switch", "mixer_maps.c: a headset's sidetone, where there is no direct monitoring"},
    {Role::Loopback, Form::Switch, "Mic Playback Switch", "mixer.c: the microphone straight to the output, where there is no direct monitoring"},
};

const char* const kNever[] = {
    "Mic Playback Volume",      // mixer.c: an input's own path to the output
    "Mic Bypass Playback Volume",
    "Sidetone Playback Volume",
    "Headset Playback Volume",
    "Line Playback Volume",
    "Line Bypass Playback Volume",
    "Digital In Playback Volume",
    "Analog In Playback Volume",
    "IEC958 In Playback Volume",
    "CD Playback Volume",
    "Mic-* Playback Volume",    // mixer_quirks.c: RME's matrix crosspoints
    "Line-* Playback Volume",
    "PCM-* Playback Volume",
    "Monitor *",                // mixer_scarlett2.c, line6: monitor mixes
    "Mix *",                    // mixer_scarlett2.c, fcp.c: mixer inputs
    "Matrix *",                 // mixer_scarlett.c: mixer inputs
    "* Trim Playback Volume",   // fcp.c: group output trims
    "*#-Out# Playback Volume",  // mixer_quirks.c: M-Audio's matrix
    "Effect *",                 // mixer_quirks.c: effect sends and returns
};
// clang-format on

const std::size_t kRuleCount = sizeof(kRules) / sizeof(kRules[0]);
const std::size_t kNeverCount = sizeof(kNever) / sizeof(kNever[0]);

const char* roleName(Role role)
{
    switch (role) {
    case Role::OutputLevel:
        return "output level";
    case Role::OutputMute:
        return "output mute";
    case Role::InputLevel:
        return "input level";
    case Role::InputMute:
        return "input mute";
    case Role::Phantom:
        return "phantom power";
    case Role::Loopback:
        break;
    }
    return "loopback";
}

} // namespace NameRules
