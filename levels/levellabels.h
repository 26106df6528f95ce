// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The texts of the read-outs under the level sliders: dB, or percent for a level without dB.
namespace LevelLabels {

// "-∞ dB": an input that is off.
QString silenceText();

// An output level as a slider's own slot shows it: "%1 dB" with one decimal, "0.0 dB" for a
// level that rounds to zero from below.
QString outputLevelText(float levelDb);

// An output level as the refresh from the device shows it: "< -72 dB" below the -72 dB floor of
// the sliders, the level with one decimal otherwise.
QString outputRefreshText(float levelDb);

// An input slider position: "-∞ dB" at 0, (position - 1) * 6 dB with no decimals otherwise.
QString inputPositionText(int position);

// An input level as the refresh from the device shows it: "-∞ dB" below one step, otherwise the
// gain of the whole position the level stands on. The step must be usable (LevelScale).
QString inputRefreshText(float levelDb, float stepDb);

// A level in percent of its control's range: the whole percent nearest it, "42 %"; "? %" for
// NaN; a level beyond 0..100 shows as the nearest end.
QString percentText(float percent);

} // namespace LevelLabels
