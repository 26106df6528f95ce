// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

// The input endpoint's side of the stepped input scale (InputScale, inputscale.h). The endpoint
// turns a level from the mixer back into its position p, sets a real gain of (p - 1) * 6 dB, and
// reports the position whose read-out is nearest the gain the card holds, so that the read-out
// is true. Pure functions.
namespace InputGainScale {

// The position a level from the mixer stands for; none for NaN. Negative levels give 0.
std::optional<int> positionForLevel(float levelDb);
// The level that reports a position back: position * InputScale::kStepDb.
float levelForPosition(int position);
// The position whose read-out is nearest a real gain: minus infinity (a mute step) is
// position 0, anything else the nearest multiple of 6 dB, at least position 1.
int positionForGain(double gainDb);

} // namespace InputGainScale
