// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetvalues.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <system_error>

namespace PresetValues {

QString formatNumber(double value)
{
    // std::to_chars writes printf's %g as in the C locale, whatever locale the process runs in.
    // Qt's own 'g' formatting rounds exact ties away from zero where printf rounds them to even
    // (-72.03125 gives -72.0313 there, -72.0312 here).
    char text[32];
    const std::to_chars_result result =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::general, 6);
    if (result.ec != std::errc())
        return QString();
    return QString::fromLatin1(text, static_cast<int>(result.ptr - text));
}

QString formatBoolean(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

QString formatPercent(float percent)
{
    char text[64];
    const std::to_chars_result result =
        std::to_chars(std::begin(text), std::end(text), percent, std::chars_format::fixed);
    if (result.ec != std::errc())
        return QString();
    return QString::fromLatin1(text, static_cast<int>(result.ptr - text)) + u'%';
}

float parseNumber(const QString& text)
{
    return text.toFloat();
}

std::optional<float> parseOutputLevel(const QString& text)
{
    const float level = parseNumber(text);
    if (isMuteStep(level) && text.trimmed() == QLatin1String("-inf"))
        return level;
    return parseGain(text);
}

std::optional<float> parseGain(const QString& text)
{
    const float gain = parseNumber(text);
    return isSendable(gain) ? std::optional<float>(gain) : std::nullopt;
}

bool isPercent(const QString& text)
{
    return text.trimmed().endsWith(u'%');
}

std::optional<float> parsePercent(const QString& text)
{
    return parseGain(text.trimmed().chopped(1));
}

bool parseBoolean(const QString& text)
{
    return text == QLatin1String("true");
}

bool isSendable(float levelDb)
{
    return std::isfinite(levelDb);
}

bool isMuteStep(float levelDb)
{
    return std::isinf(levelDb) && levelDb < 0;
}

} // namespace PresetValues
