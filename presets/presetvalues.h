#pragma once

#include <QString>

// How single values are spelled in a preset document.
namespace PresetValues {

// printf's %g with six significant digits and '.' as the decimal point, whatever the locale.
QString formatNumber(double value);
QString formatBoolean(bool on);

// The C-locale reading of a number; text that is not a number gives 0. Non-finite results
// ("nan", "inf", overflowing texts such as "1e40") come back as they are: see isSendable().
float parseNumber(const QString& text);
// Only the exact text "true" is true.
bool parseBoolean(const QString& text);

// Whether a level may be handed to the device library: NaN and infinities never are.
bool isSendable(float levelDb);

} // namespace PresetValues
