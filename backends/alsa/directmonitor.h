// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the mixer's two loopback switches map onto a card's direct monitoring. With an on/off
// control ("Direct Monitor Playback Switch") both switches show the one control and either sets
// it. With an Off/Mono/Stereo control ("Direct Monitor Playback Enum") each switch is one mode:
// loopback left on means Mono, loopback right on means Stereo, both off means Off; turning a
// switch on selects its mode, turning the switch of the current mode off selects Off, and
// turning the other one off changes nothing. Pure functions.
namespace DirectMonitor {

enum class Mode { Off, Mono, Stereo };

inline bool loopbackLeft(Mode mode)
{
    return mode == Mode::Mono;
}

inline bool loopbackRight(Mode mode)
{
    return mode == Mode::Stereo;
}

inline Mode afterSetLeft(Mode mode, bool on)
{
    return on ? Mode::Mono : (mode == Mode::Mono ? Mode::Off : mode);
}

inline Mode afterSetRight(Mode mode, bool on)
{
    return on ? Mode::Stereo : (mode == Mode::Stereo ? Mode::Off : mode);
}

} // namespace DirectMonitor
