// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowimages.h"

#include <QString>

#include <cmath>

namespace {

QString sharpTwinOf(const QString& path)
{
    return QString(path).insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
}

QImage readForScreen(const QString& path, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        QImage sharp(sharpTwinOf(path));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return QImage(path);
}

// The relative luminance of WCAG 2, from which contrast ratios are computed.
double relativeLuminance(const QColor& colour)
{
    const auto linear = [](float channel) {
        return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

// Against this luminance black and white have the same contrast, 4.58:1.
const double evenLuminance = std::sqrt(1.05 * 0.05) - 0.05;

} // namespace

QImage WindowImages::readLogo(qreal devicePixelRatio, const QColor& windowColour)
{
    const bool dark = relativeLuminance(windowColour) < evenLuminance;
    return readForScreen(dark ? QStringLiteral(":/Images/Images/Tarvix-dark.png")
                              : QStringLiteral(":/Images/Images/Tarvix.png"),
                         devicePixelRatio);
}

WindowImages WindowImages::read(qreal devicePixelRatio, const QColor& windowColour)
{
    return {readLogo(devicePixelRatio, windowColour),
            readForScreen(QStringLiteral(":/Images/Images/folder_16x16.png"), devicePixelRatio),
            readForScreen(QStringLiteral(":/Images/Images/floppy_16x16.png"), devicePixelRatio)};
}
