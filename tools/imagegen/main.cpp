// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's images and writes them as 8-bit RGBA PNG files (and SVG where a size-free
// source is wanted):
// - the three images of the mixer window, folder_16x16.png (load preset), floppy_16x16.png
//   (store preset) and Tarvix.png (word mark) with Tarvix-dark.png for dark palettes, each also at
//   twice the size as "@2x" files, which Qt picks on screens with a device pixel ratio of 2;
// - the application icon and the preset-file icon in the hicolor icon theme's layout: one SVG
//   plus PNG files in the usual sizes, all painted by the same code.
// The word mark uses the DejaVu Sans Bold Oblique font file, so the output does not depend on
// the fonts the system would pick.

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <QTextStream>

namespace {

const char* const wordMarkFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf";

const char* const applicationIconName = "com.tarvix.TarvixMixer";
const char* const presetIconName = "application-x-tarvix-preset";

// Side of the square in which the two theme icons are drawn; every size is painted from it.
constexpr qreal iconGrid = 64;

// A transparent image of width x height logical pixels at the given scale, with a painter-ready
// size of width * scale x height * scale device pixels.
QImage transparentImage(int width, int height, int scale)
{
    QImage image(width * scale, height * scale, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage drawFolder(int scale)
{
    QImage image = transparentImage(16, 16, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const QColor outline(0x9a, 0x6a, 0x00);

    // Back of the folder with its tab.
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(2.5, 2.5);
    back.lineTo(6.0, 2.5);
    back.lineTo(7.5, 4.0);
    back.lineTo(13.5, 4.0);
    back.lineTo(14.5, 5.0);
    back.lineTo(14.5, 13.5);
    back.closeSubpath();
    QLinearGradient backFill(0, 2, 0, 14);
    backFill.setColorAt(0, QColor(0xf5, 0xc2, 0x2b));
    backFill.setColorAt(1, QColor(0xd9, 0x9a, 0x00));
    p.setPen(QPen(outline, 1.0));
    p.setBrush(backFill);
    p.drawPath(back);

    // Front flap, slightly lighter, opening towards the viewer.
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(3.0, 6.5);
    front.lineTo(15.5, 6.5);
    front.lineTo(14.5, 13.5);
    front.closeSubpath();
    QLinearGradient frontFill(0, 6, 0, 14);
    frontFill.setColorAt(0, QColor(0xff, 0xea, 0x7a));
    frontFill.setColorAt(1, QColor(0xfc, 0xc8, 0x1e));
    p.setBrush(frontFill);
    p.drawPath(front);

    // Highlight along the upper edge of the flap.
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.0));
    p.drawLine(QPointF(3.8, 7.5), QPointF(14.6, 7.5));
    return image;
}

QImage drawFloppy(int scale)
{
    QImage image = transparentImage(16, 16, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);

    // Body with the bevelled corner at the top right.
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    QLinearGradient bodyFill(0, 1, 16, 15);
    bodyFill.setColorAt(0, QColor(0x4a, 0x8c, 0xe8));
    bodyFill.setColorAt(1, QColor(0x1c, 0x4f, 0xb0));
    p.setPen(QPen(QColor(0x10, 0x2e, 0x70), 1.0));
    p.setBrush(bodyFill);
    p.drawPath(body);

    // Metal shutter with its window.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0xdd, 0xe4));
    p.drawRect(QRectF(4, 2, 8, 5));
    p.setBrush(QColor(0x55, 0x5c, 0x66));
    p.drawRect(QRectF(9, 3, 2, 3));

    // Paper label.
    p.setBrush(QColor(0xfb, 0xfb, 0xf6));
    p.drawRect(QRectF(3, 9, 10, 5));
    p.setPen(QPen(QColor(0x9a, 0xa8, 0xc0), 1.0));
    p.drawLine(QPointF(4, 10.5), QPointF(12, 10.5));
    p.drawLine(QPointF(4, 12.5), QPointF(12, 12.5));
    return image;
}

// The word mark's colours: its letters' gradient from top to bottom and their outline, the
// shadow behind them and the swoosh's gradient from its tail to its head.
struct WordMarkColours
{
    QColor top, middle, bottom, outline, shadow, swooshTail, swooshHead;
};

// Blue on the light palettes the window has by default; the shadow and the swoosh's tail fade
// into the window's colour.
const WordMarkColours lightWordMark = {QColor(0x3d, 0x8b, 0xf2),     QColor(0x15, 0x5c, 0xd0),
                                       QColor(0x0b, 0x3b, 0x92),     QColor(0x08, 0x2c, 0x6e),
                                       QColor(0x05, 0x1e, 0x4d, 70), QColor(0x15, 0x5c, 0xd0, 40),
                                       QColor(0x15, 0x5c, 0xd0, 255)};

// Lighter blues for dark palettes, all opaque, so that every part of the mark keeps a contrast
// of at least 3:1 against a dark window; the shadow stays the darkest of them.
const WordMarkColours darkWordMark = {QColor(0xa8, 0xcc, 0xff), QColor(0x6f, 0xa8, 0xff),
                                      QColor(0x4f, 0x94, 0xf5), QColor(0xc4, 0xdc, 0xff),
                                      QColor(0x3f, 0x82, 0xea), QColor(0x4f, 0x94, 0xf5),
                                      QColor(0x8c, 0xbc, 0xff)};

QImage drawWordMark(const QString& family, int scale, const WordMarkColours& colours)
{
    QImage image = transparentImage(122, 91, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);

    QFont font(family);
    font.setPixelSize(34);
    font.setBold(true);
    font.setItalic(true);
    font.setHintingPreference(QFont::PreferNoHinting);

    const QString word = QStringLiteral("Tarvix");
    QPainterPath text;
    text.addText(0, 0, font, word);
    // Centre the lettering a little above the middle, leaving room for the swoosh below.
    const QRectF bounds = text.boundingRect();
    const QPointF offset(61 - bounds.center().x(), 40 - bounds.center().y());
    text.translate(offset);

    // Soft shadow for depth on light and dark backgrounds alike.
    p.setPen(Qt::NoPen);
    p.setBrush(colours.shadow);
    p.drawPath(text.translated(1.2, 1.4));

    QLinearGradient fill(0, text.boundingRect().top(), 0, text.boundingRect().bottom());
    fill.setColorAt(0, colours.top);
    fill.setColorAt(0.55, colours.middle);
    fill.setColorAt(1, colours.bottom);
    p.setBrush(fill);
    p.setPen(QPen(colours.outline, 0.8));
    p.drawPath(text);

    // A tapering swoosh under the lettering, rising to the right like the slant of the letters.
    const qreal base = text.boundingRect().bottom() + 7;
    QPainterPath swoosh;
    swoosh.moveTo(12, base + 4);
    swoosh.cubicTo(40, base + 10, 80, base + 6, 112, base - 6);
    swoosh.cubicTo(82, base + 2, 44, base + 7, 12, base + 4);
    swoosh.closeSubpath();
    QLinearGradient swooshFill(12, 0, 112, 0);
    swooshFill.setColorAt(0, colours.swooshTail);
    swooshFill.setColorAt(1, colours.swooshHead);
    p.setPen(Qt::NoPen);
    p.setBrush(swooshFill);
    p.drawPath(swoosh);
    return image;
}

// Three fader slots with their knobs, in the brand's colours, inside the given rectangle of the
// icon grid. Shared by both icons so the preset file visibly belongs to the program.
void drawFaders(QPainter& p, const QRectF& area, const QColor& slot, const QColor& knob,
                const QColor& knobEdge)
{
    const qreal knobWidth = area.width() / 4.2;
    const qreal knobHeight = area.height() / 7.0;
    const qreal positions[] = {0.68, 0.28, 0.5}; // knob centres, 0 top to 1 bottom
    for (int i = 0; i < 3; ++i) {
        const qreal x = area.left() + area.width() * (1 + 2 * i) / 6.0;
        p.setPen(QPen(slot, area.width() / 14.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        const qreal y = area.top() + area.height() * positions[i];
        p.setPen(QPen(knobEdge, area.width() / 40.0));
        p.setBrush(knob);
        p.drawRoundedRect(QRectF(x - knobWidth / 2, y - knobHeight / 2, knobWidth, knobHeight),
                          knobHeight / 4, knobHeight / 4);
    }
}

// The application icon: a rounded blue tile with three faders, on the 64-unit grid.
void paintApplicationIcon(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(3, 3, 58, 58);
    QLinearGradient fill(0, tile.top(), 0, tile.bottom());
    fill.setColorAt(0, QColor(0x3d, 0x8b, 0xf2));
    fill.setColorAt(0.55, QColor(0x15, 0x5c, 0xd0));
    fill.setColorAt(1, QColor(0x0b, 0x3b, 0x92));
    p.setPen(QPen(QColor(0x08, 0x2c, 0x6e), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(tile, 12, 12);
    drawFaders(p, QRectF(12, 12, 40, 40), QColor(0x05, 0x1e, 0x4d, 200), QColor(0xf4, 0xf7, 0xfc),
               QColor(0x08, 0x2c, 0x6e));
}

// The preset-file icon: a sheet of paper with a folded corner and the program's faders on it.
void paintPresetIcon(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath sheet;
    sheet.moveTo(10, 3);
    sheet.lineTo(42, 3);
    sheet.lineTo(55, 16);
    sheet.lineTo(55, 61);
    sheet.lineTo(10, 61);
    sheet.closeSubpath();
    QLinearGradient paper(0, 3, 0, 61);
    paper.setColorAt(0, QColor(0xff, 0xff, 0xff));
    paper.setColorAt(1, QColor(0xe6, 0xea, 0xf0));
    p.setPen(QPen(QColor(0x6b, 0x74, 0x80), 1.5));
    p.setBrush(paper);
    p.drawPath(sheet);

    QPainterPath fold;
    fold.moveTo(42, 3);
    fold.lineTo(42, 16);
    fold.lineTo(55, 16);
    fold.closeSubpath();
    p.setBrush(QColor(0xc8, 0xcf, 0xd9));
    p.drawPath(fold);

    drawFaders(p, QRectF(16, 22, 33, 33), QColor(0x15, 0x5c, 0xd0), QColor(0x3d, 0x8b, 0xf2),
               QColor(0x0b, 0x3b, 0x92));
}

bool save(const QImage& image, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << "wrote " << path << '\n';
    return true;
}

bool saveSvg(void (*paint)(QPainter&), const QDir& dir, const QString& name, const QString& title)
{
    const QString path = dir.filePath(name);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(iconGrid, iconGrid));
    svg.setViewBox(QRectF(0, 0, iconGrid, iconGrid));
    svg.setTitle(title);
    QPainter p;
    if (!p.begin(&svg)) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    paint(p);
    p.end();
    QTextStream(stdout) << "wrote " << path << '\n';
    return true;
}

// Writes one theme icon as hicolor/scalable/CONTEXT/NAME.svg and hicolor/NxN/CONTEXT/NAME.png.
bool saveThemeIcon(void (*paint)(QPainter&), const QDir& iconsDir, const QString& context,
                   const QString& name, const QString& title, std::initializer_list<int> sizes)
{
    if (!saveSvg(paint, iconsDir, QStringLiteral("hicolor/scalable/%1/%2.svg").arg(context, name),
                 title))
        return false;
    for (const int size : sizes) {
        QImage image = transparentImage(size, size, 1);
        QPainter p(&image);
        p.scale(size / iconGrid, size / iconGrid);
        paint(p);
        p.end();
        const QString file = QStringLiteral("hicolor/%1x%1/%2/%3.png").arg(size).arg(context, name);
        if (!save(image, iconsDir, file))
            return false;
    }
    return true;
}

bool saveWindowImages(const QDir& dir, const QString& family)
{
    for (const int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
        if (!save(drawFolder(scale), dir, QStringLiteral("folder_16x16%1.png").arg(suffix)) ||
            !save(drawFloppy(scale), dir, QStringLiteral("floppy_16x16%1.png").arg(suffix)) ||
            !save(drawWordMark(family, scale, lightWordMark), dir,
                  QStringLiteral("Tarvix%1.png").arg(suffix)) ||
            !save(drawWordMark(family, scale, darkWordMark), dir,
                  QStringLiteral("Tarvix-dark%1.png").arg(suffix)))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: tarvix_imagegen WINDOW_IMAGES_DIRECTORY ICONS_DIRECTORY\n";
        return 2;
    }
    const int fontId = QFontDatabase::addApplicationFont(QString::fromUtf8(wordMarkFontFile));
    if (fontId < 0) {
        QTextStream(stderr) << "cannot load " << wordMarkFontFile << '\n';
        return 1;
    }
    const QString family = QFontDatabase::applicationFontFamilies(fontId).value(0);
    const QDir imagesDir(QString::fromLocal8Bit(argv[1]));
    const QDir iconsDir(QString::fromLocal8Bit(argv[2]));
    const bool ok =
        saveWindowImages(imagesDir, family) &&
        saveThemeIcon(paintApplicationIcon, iconsDir, QStringLiteral("apps"),
                      QString::fromLatin1(applicationIconName), QStringLiteral("TarvixMixer"),
                      {16, 22, 24, 32, 48, 64, 128, 256}) &&
        saveThemeIcon(paintPresetIcon, iconsDir, QStringLiteral("mimetypes"),
                      QString::fromLatin1(presetIconName), QStringLiteral("Tarvix preset file"),
                      {16, 22, 24, 32, 48, 64});
    return ok ? 0 : 1;
}
