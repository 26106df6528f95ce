// Draws the three images of the mixer window and writes them as 8-bit RGBA PNG files:
// folder_16x16.png (load preset), floppy_16x16.png (store preset) and Tarvix.png (word mark).
// The word mark uses the DejaVu Sans Bold Oblique font file, so the output does not depend on
// the fonts the system would pick.

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

namespace {

const char* const wordMarkFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf";

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage drawFolder()
{
    QImage image = transparentImage(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
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

QImage drawFloppy()
{
    QImage image = transparentImage(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

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

QImage drawWordMark(const QString& family)
{
    QImage image = transparentImage(122, 91);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

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
    p.setBrush(QColor(0x05, 0x1e, 0x4d, 70));
    p.drawPath(text.translated(1.2, 1.4));

    QLinearGradient fill(0, text.boundingRect().top(), 0, text.boundingRect().bottom());
    fill.setColorAt(0, QColor(0x3d, 0x8b, 0xf2));
    fill.setColorAt(0.55, QColor(0x15, 0x5c, 0xd0));
    fill.setColorAt(1, QColor(0x0b, 0x3b, 0x92));
    p.setBrush(fill);
    p.setPen(QPen(QColor(0x08, 0x2c, 0x6e), 0.8));
    p.drawPath(text);

    // A tapering swoosh under the lettering, rising to the right like the slant of the letters.
    const qreal base = text.boundingRect().bottom() + 7;
    QPainterPath swoosh;
    swoosh.moveTo(12, base + 4);
    swoosh.cubicTo(40, base + 10, 80, base + 6, 112, base - 6);
    swoosh.cubicTo(82, base + 2, 44, base + 7, 12, base + 4);
    swoosh.closeSubpath();
    QLinearGradient swooshFill(12, 0, 112, 0);
    swooshFill.setColorAt(0, QColor(0x15, 0x5c, 0xd0, 40));
    swooshFill.setColorAt(1, QColor(0x15, 0x5c, 0xd0, 255));
    p.setPen(Qt::NoPen);
    p.setBrush(swooshFill);
    p.drawPath(swoosh);
    return image;
}

bool save(const QImage& image, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << "wrote " << path << '\n';
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tarvix_imagegen OUTPUT_DIRECTORY\n";
        return 2;
    }
    const int fontId = QFontDatabase::addApplicationFont(QString::fromUtf8(wordMarkFontFile));
    if (fontId < 0) {
        QTextStream(stderr) << "cannot load " << wordMarkFontFile << '\n';
        return 1;
    }
    const QString family = QFontDatabase::applicationFontFamilies(fontId).value(0);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const bool ok = save(drawFolder(), dir, QStringLiteral("folder_16x16.png")) &&
                    save(drawFloppy(), dir, QStringLiteral("floppy_16x16.png")) &&
                    save(drawWordMark(family), dir, QStringLiteral("Tarvix.png"));
    return ok ? 0 : 1;
}
