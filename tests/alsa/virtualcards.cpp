#include "virtualcards.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <sys/file.h>

VirtualCards::VirtualCards()
{
    qputenv("TARVIX_ALSA_DEVICE_DIR", folder.path().toLocal8Bit());
}

QString VirtualCards::shape(const QString& name)
{
    QFile file(QStringLiteral(TARVIX_VIRTUAL_CARD_SHAPES "/%1.card").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing card shape %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

void VirtualCards::plug(int card, const QString& text, QFileDevice::Permissions permissions)
{
    const QString staging = folder.filePath(QStringLiteral(".staging%1").arg(card));
    QFile file(staging);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) != text.toUtf8().size())
        qFatal("cannot write %s", qPrintable(staging));
    file.close();
    file.setPermissions(permissions);
    if (!QFile::rename(staging, node(card)))
        qFatal("cannot plug card %d", card);
}

void VirtualCards::unplug(int card)
{
    QFile::remove(node(card));
}

void VirtualCards::setWritable(int card, const QString& element, bool writable)
{
    // In place, under the plugin's lock: a rename would look like a replug.
    QFile file(node(card));
    if (!file.open(QIODevice::ReadWrite) || flock(file.handle(), LOCK_EX) != 0)
        qFatal("cannot change card %d", card);
    QString text = QString::fromUtf8(file.readAll());
    text.replace(
        QRegularExpression(
            QStringLiteral("(elem\\|%1\\|.)\\|rw?\\|").arg(QRegularExpression::escape(element))),
        writable ? QStringLiteral("\\1|rw|") : QStringLiteral("\\1|r|"));
    file.resize(0);
    file.seek(0);
    file.write(text.toUtf8());
    file.flush();
}

QString VirtualCards::amixer(int card, const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral("amixer"),
                  QStringList{QStringLiteral("-D"), QStringLiteral("hw:%1").arg(card)} + args);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        qWarning("amixer %s: %s", qPrintable(args.join(' ')),
                 process.readAllStandardError().constData());
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void VirtualCards::cset(int card, const QString& element, const QString& values)
{
    amixer(card, {QStringLiteral("-q"), QStringLiteral("cset"),
                  QStringLiteral("name=%1").arg(element), QStringLiteral("--"), values});
}

QString VirtualCards::cget(int card, const QString& element)
{
    const QString output =
        amixer(card, {QStringLiteral("cget"), QStringLiteral("name=%1").arg(element)});
    return QRegularExpression(QStringLiteral(": values=(\\S+)")).match(output).captured(1);
}
