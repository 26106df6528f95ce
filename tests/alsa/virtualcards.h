#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/file.h>

// Virtual sound cards for the ALSA backend's tests: a temporary device folder (exported as
// TARVIX_ALSA_DEVICE_DIR) whose controlC<N> files are cards of the tarvixtest alsa-lib plugin,
// changed from outside by running amixer as a separate process. GUI thread only.
class VirtualCards
{
public:
    VirtualCards() { qputenv("TARVIX_ALSA_DEVICE_DIR", folder.path().toLocal8Bit()); }

    // The text of a card shape in tests/alsa/virtualcard/, e.g. "classcompliant".
    static QString shape(const QString& name)
    {
        QFile file(QStringLiteral(TARVIX_VIRTUAL_CARD_SHAPES "/%1.card").arg(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString node(int card) const { return folder.filePath(QStringLiteral("controlC%1").arg(card)); }

    // Plugging creates the node in one step (a rename), as the kernel does.
    void plug(int card, const QString& text,
              QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        QFile file(folder.filePath(QStringLiteral(".staging")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 ||
            !file.setPermissions(permissions) || !file.rename(node(card)))
            qFatal("cannot plug card %d", card);
    }
    void unplug(int card) { QFile::remove(node(card)); }

    // Makes an integer or boolean element read-only, as a hardware knob taking over does: in place,
    // under the plugin's lock, since a rename would look like a replug.
    void makeReadOnly(int card, const QString& element)
    {
        QFile file(node(card));
        if (!file.open(QIODevice::ReadWrite) || flock(file.handle(), LOCK_EX) != 0)
            qFatal("cannot change card %d", card);
        const QByteArray name = '|' + element.toUtf8();
        QByteArray text = file.readAll();
        for (const char* type : {"|i|", "|b|"})
            text.replace(name + type + "rw|", name + type + "r|");
        file.seek(0);
        file.write(text);
        file.resize(text.size());
    }

    // Runs `amixer -D hw:<card>` cget, or cset when values are given, on the element and returns
    // the values it reports, e.g. "100,100".
    QString amixer(int card, const QString& element, const QString& values = {})
    {
        QStringList arguments{"-D", QStringLiteral("hw:%1").arg(card),
                              values.isEmpty() ? "cget" : "cset", "name=" + element};
        if (!values.isEmpty())
            arguments << "--" << values;
        QProcess process;
        process.start(QStringLiteral("amixer"), arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            qWarning("amixer %s: %s", qPrintable(arguments.join(' ')),
                     process.readAllStandardError().constData());
        return QRegularExpression(QStringLiteral(": values=(\\S+)"))
            .match(QString::fromLocal8Bit(process.readAllStandardOutput()))
            .captured(1);
    }

private:
    QTemporaryDir folder;
};
