#include "presetvalues.h"

#include <cmath>

namespace PresetValues {

QString formatNumber(double value)
{
    // "%1" substitution ignores the locale; 'g' with the default precision is printf's %g.
    return QStringLiteral("%1").arg(value, 0, 'g');
}

QString formatBoolean(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

float parseNumber(const QString& text)
{
    return text.toFloat();
}

bool parseBoolean(const QString& text)
{
    return text == QLatin1String("true");
}

bool isSendable(float levelDb)
{
    return std::isfinite(levelDb);
}

} // namespace PresetValues
