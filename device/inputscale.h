// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The input slider's stepped scale, on which the window and the libraries agree: position 0 is
// off, position 1 sends kFirstPositionDb, position n > 1 sends n * stepDb; position n is shown
// (and stored in presets) as (n - 1) * 6 dB. A library that maps the scale onto real gains
// reports kStepDb as its input's step, so that each position it is sent reads back as itself.
namespace InputScale {

inline constexpr float kFirstPositionDb = 2.8f;
inline constexpr int kGainPerPositionDb = 6;
inline constexpr float kStepDb = 2.0f;
// Position 1 reads back as floor(kFirstPositionDb / kStepDb).
static_assert(kFirstPositionDb / kStepDb >= 1.0f && kFirstPositionDb / kStepDb < 2.0f);

// The gain position p is shown as: (p - 1) * 6 dB.
constexpr long long gainForPosition(int position)
{
    return (static_cast<long long>(position) - 1) * kGainPerPositionDb;
}

} // namespace InputScale
