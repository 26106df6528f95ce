// SPDX-License-Identifier: GPL-3.0-or-later
#include "levellabels.h"

#include "inputscale.h"
#include "levelscale.h"

#include <algorithm>
#include <cmath>

namespace LevelLabels {
namespace {

QString decibels(const QString& number)
{
    return QStringLiteral("%1 dB").arg(number);
}

// A library may report a level that is no number at all or far beyond any real device's range;
// show that plainly rather than as "nan dB" or a number that would stretch the window.
constexpr double largestShownDb = 999.95; // the largest that shows as 999.9 dB

bool isReportable(double levelDb, QString* text)
{
    if (std::isnan(levelDb)) {
        *text = decibels(QStringLiteral("?"));
        return false;
    }
    if (levelDb > largestShownDb) {
        *text = QStringLiteral("> 999 dB");
        return false;
    }
    if (levelDb < -largestShownDb) {
        *text = QStringLiteral("< -999 dB");
        return false;
    }
    return true;
}

} // namespace

QString silenceText()
{
    return QString::fromUtf8("-\u221E dB");
}

QString outputLevelText(float levelDb)
{
    QString text;
    if (!isReportable(levelDb, &text))
        return text;
    const QString number = QString::number(static_cast<double>(levelDb), 'f', 1);
    // A level just below zero rounds to zero, which has no sign.
    return decibels(number == QLatin1String("-0.0") ? QStringLiteral("0.0") : number);
}

QString outputRefreshText(float levelDb)
{
    if (levelDb < LevelScale::kOutputFloorDb)
        return QStringLiteral("< -72 dB");
    return outputLevelText(levelDb);
}

QString inputPositionText(int position)
{
    if (position == 0)
        return silenceText();
    const long long gain = InputScale::gainForPosition(position);
    QString text;
    if (!isReportable(static_cast<double>(gain), &text))
        return text;
    return decibels(QString::number(gain));
}

QString inputRefreshText(float levelDb, float stepDb)
{
    if (levelDb < stepDb)
        return silenceText();
    QString text;
    if (!isReportable(levelDb, &text))
        return text;
    const long long gain = LevelScale::inputGainForLevel(levelDb, stepDb);
    if (!isReportable(static_cast<double>(gain), &text))
        return text;
    return decibels(QString::number(gain));
}

QString percentText(float percent)
{
    if (std::isnan(percent))
        return QStringLiteral("? %");
    const double shown = std::round(std::clamp(static_cast<double>(percent), 0.0, 100.0));
    return QStringLiteral("%1 %").arg(static_cast<int>(shown));
}

} // namespace LevelLabels
