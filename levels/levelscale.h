// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Arithmetic between slider positions, endpoint levels in dB and the gains the mixer shows.
//
// An output slider position counts stepDb steps of its endpoint. The input slider follows the
// stepped scale of InputScale (inputscale.h). Both directions' sliders over a level in percent
// count its steps as an output slider does, from 0 %, with no floor.
//
// Every function is total: no value a library reports (zero, negative or non-finite steps,
// infinite or NaN levels) leads to a division by zero or an out-of-range conversion to int.
namespace LevelScale {

inline constexpr float kOutputFloorDb = -72.0f;
inline constexpr double kPageStepDb = 6.0;
inline constexpr double kPageStepPercent = 10.0;

// Truncates toward zero; NaN gives 0 and values beyond int's range give its nearest end.
int saturatingTrunc(double value);

// A step the mixer may divide by: finite and above zero.
bool isUsableStep(float stepDb);

// Slider limit or position for a level: level / step in double precision, truncated toward
// zero and saturated. Callers check isUsableStep() first; an unusable step gives 0.
int positionForLevel(float levelDb, float stepDb);

// How many output slider positions make 6 dB, the slider's page step: 6 / step rounded, at
// least 1; an unusable step gives 1.
int outputPageStep(float stepDb);

// A level in percent (a level without dB, TarvixMixerDevice::levelsAreInDb()) has a linear
// slider of `step` percent per position: the nearest position, saturated; an unusable step
// gives 0.
int percentPositionForLevel(float percent, float step);

// How many positions of such a slider make 10 %, its page step: at least 1; an unusable step
// gives 1.
int percentPageStep(float step);

// The level an output slider position stands for: position * step as a 32-bit float.
float outputLevelForPosition(int position, float stepDb);

// The level an input slider position sends: 2.8 dB at position 1, position * step otherwise.
float inputLevelForPosition(int position, float stepDb);

// The whole input position a level stands on: floor of level / step rounded to a 32-bit float,
// saturated. An unusable step gives 0.
int inputPositionForLevel(float levelDb, float stepDb);

// The gain an input level is shown and stored as: (inputPositionForLevel - 1) * 6 dB.
long long inputGainForLevel(float levelDb, float stepDb);

// The inverse used when loading a preset: q = gain / 6 + 1 as a 32-bit float; exactly 1 gives
// 2.8 dB, anything else q * step as a 32-bit float (q is not rounded to a whole position).
float inputLevelForGain(float gainDb, float stepDb);

} // namespace LevelScale
