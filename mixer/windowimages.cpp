#include "windowimages.h"

#include <QString>

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

} // namespace

WindowImages WindowImages::read(qreal devicePixelRatio)
{
    return {readForScreen(QStringLiteral(":/Images/Images/Tarvix.png"), devicePixelRatio),
            readForScreen(QStringLiteral(":/Images/Images/folder_16x16.png"), devicePixelRatio),
            readForScreen(QStringLiteral(":/Images/Images/floppy_16x16.png"), devicePixelRatio)};
}
