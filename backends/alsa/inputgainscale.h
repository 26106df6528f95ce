#pragma once

#include <optional>

// The input endpoint's side of the mixer's stepped input scale. The mixer sends position p as
// the level p * kStepDb (2.8 dB for position 1) and shows it as (p - 1) * 6 dB, position 0 as
// "-∞ dB". The endpoint turns that level back into p, sets a real gain of (p - 1) * 6 dB, and
// reports the position whose read-out is nearest the gain the card holds, so that the read-out
// is true. Pure functions.
namespace InputGainScale {

// The input endpoint's stepDb: 2.8 / kStepDb lies in [1, 2), so position 1 reads as 1.
inline constexpr float kStepDb = 2.0f;
inline constexpr int kGainPerPositionDb = 6;

// The position a level from the mixer stands for; none for NaN. Negative levels give 0.
std::optional<int> positionForLevel(float levelDb);
// The level that reports a position back: position * kStepDb.
float levelForPosition(int position);
// The real gain a position p >= 1 asks for: (p - 1) * 6 dB.
double gainForPosition(int position);
// The position whose read-out is nearest a real gain: minus infinity (a mute step) is
// position 0, anything else the nearest multiple of 6 dB, at least position 1.
int positionForGain(double gainDb);

} // namespace InputGainScale
