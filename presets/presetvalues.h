// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// How single values are spelled in a preset document.
namespace PresetValues {

// printf's %g with six significant digits and '.' as the decimal point, whatever the locale.
QString formatNumber(double value);
QString formatBoolean(bool on);
// A level in percent (one without dB): the shortest decimal that reads back as the same 32-bit
// float, and '%' ("42.519684%").
QString formatPercent(float percent);

// The C-locale reading of a number; text that is not a number gives 0. Non-finite results
// ("nan", "inf", overflowing texts such as "1e40") come back as they are: see isSendable().
float parseNumber(const QString& text);
// An output level: a finite number, or minus infinity for the exact text "-inf", which is how
// a store writes an output standing on its mute step. Other non-finite texts give none.
std::optional<float> parseOutputLevel(const QString& text);
// An input gain: a finite number, else none.
std::optional<float> parseGain(const QString& text);
// Whether a level's text is in percent: it ends in '%', spaces aside.
bool isPercent(const QString& text);
// A level in percent: the number before the '%' read as parseNumber() reads it, if finite.
std::optional<float> parsePercent(const QString& text);
// Only the exact text "true" is true.
bool parseBoolean(const QString& text);

// Whether a level may be handed to the device library: NaN and infinities never are, except
// minus infinity for an output, the level a device reports for its mute step.
bool isSendable(float levelDb);
bool isMuteStep(float levelDb);

} // namespace PresetValues
