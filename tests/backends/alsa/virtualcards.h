#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

#include <sys/file.h>

// Virtual sound cards for the ALSA backend's tests: a temporary device folder (exported as
// TARVIX_ALSA_DEVICE_DIR) whose controlC<N> files are cards of the state-file card plugin
// (alsa/statecard), each an `alsactl store` state file, changed from outside by running amixer
// as a separate process. GUI thread only.
class VirtualCards
{
public:
    // A card: its state file's text and its name file's (the card's name, then optionally a
    // line naming its driver, USB-Audio when absent).
    struct Shape
    {
        QString state, name;
    };

    VirtualCards() { qputenv("TARVIX_ALSA_DEVICE_DIR", folder.path().toLocal8Bit()); }

    // A card shape in tests/alsa/virtualcard/, e.g. "classcompliant".
    static Shape shape(const QString& name)
    {
        return stateFile(QStringLiteral(TARVIX_VIRTUAL_CARD_SHAPES "/%1.state").arg(name));
    }

    // A state file named by the .name file beside it, else by its own name.
    static Shape stateFile(const QString& path)
    {
        const QFileInfo info(path);
        const QString name = text(info.dir().filePath(info.completeBaseName() + ".name"));
        return {text(path), name.isEmpty() ? info.completeBaseName() : name};
    }

    // A card written as a few lines: "card|<id>|<driver>|<name>" and one line per control,
    // "elem|<name>|<i, b or e>|<r or rw>|<min>|<max>|<values,...>|<TLV words,...>|<items,...>".
    static Shape fromLines(const QString& lines)
    {
        Shape shape;
        int number = 0;
        for (const QString& line : lines.split('\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split('|');
            if (f.value(0) == "card") {
                shape.state.prepend(QStringLiteral("state.%1 {\n").arg(f.value(1)));
                shape.name = f.value(3) + '\n' + f.value(2);
                continue;
            }
            const QStringList values = f.value(6).split(',');
            QString control = QStringLiteral("control.%1 {\niface MIXER\nname '%2'\n")
                                  .arg(++number)
                                  .arg(f.value(1));
            for (int i = 0; i < values.size(); ++i)
                control += QStringLiteral("value.%1 %2\n").arg(i).arg(values[i]);
            control += QStringLiteral("comment {\naccess '%1'\ntype %2\ncount %3\n")
                           .arg(f.value(3) == "rw" ? "read write" : "read",
                                f.value(2) == "b"   ? "BOOLEAN"
                                : f.value(2) == "e" ? "ENUMERATED"
                                                    : "INTEGER")
                           .arg(values.size());
            if (f.value(2) == "i")
                control += QStringLiteral("range '%1 - %2'\n").arg(f.value(4), f.value(5));
            QString tlv;
            for (const QString& word : f.value(7).split(',', Qt::SkipEmptyParts))
                tlv += QStringLiteral("%1").arg(word.toInt() & 0xffffffffLL, 8, 16, QChar('0'));
            if (!tlv.isEmpty())
                control += "tlv '" + tlv + "'\n";
            const QStringList items = f.value(8).split(',', Qt::SkipEmptyParts);
            for (int i = 0; i < items.size(); ++i)
                control += QStringLiteral("item.%1 '%2'\n").arg(i).arg(items[i]);
            shape.state += control + "}\n}\n";
        }
        return {shape.state + "}\n", shape.name};
    }

    QString node(int card) const { return folder.filePath(QStringLiteral("controlC%1").arg(card)); }

    // Plugging creates the node in one step (a rename), as the kernel does.
    void plug(int card, const Shape& shape,
              QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        QFile name(node(card) + ".name"), file(folder.filePath(QStringLiteral(".staging")));
        if (!name.open(QIODevice::WriteOnly) || name.write(shape.name.toUtf8()) < 0 ||
            !name.flush() || !file.open(QIODevice::WriteOnly) ||
            file.write(shape.state.toUtf8()) < 0 || !file.setPermissions(permissions) ||
            !file.rename(node(card)))
            qFatal("cannot plug card %d", card);
    }
    void unplug(int card) { QFile::remove(node(card)); }

    // Changes a card's state file in place under the plugin's lock, as the card itself changes:
    // a rename would look like a replug.
    void rewrite(int card, const std::function<QByteArray(QByteArray)>& change)
    {
        QFile file(node(card));
        if (!file.open(QIODevice::ReadWrite) || flock(file.handle(), LOCK_EX) != 0)
            qFatal("cannot change card %d", card);
        const QByteArray text = change(file.readAll());
        file.seek(0);
        file.write(text);
        file.resize(text.size());
    }

    // Makes a control read-only, as a hardware knob taking over does.
    void makeReadOnly(int card, const QString& control)
    {
        rewrite(card, [&](QByteArray text) {
            const QByteArray access = "access 'read write'";
            return text.replace(text.indexOf(access, text.indexOf(control.toUtf8())), access.size(),
                                "access read");
        });
    }

    // Runs `amixer -D hw:<card>` cget, or cset when values are given, on the control and returns
    // the values it reports, e.g. "100,100".
    QString amixer(int card, const QString& control, const QString& values = {})
    {
        QStringList arguments{"-D", QStringLiteral("hw:%1").arg(card),
                              values.isEmpty() ? "cget" : "cset", "name=" + control};
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
    static QString text(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    }

    QTemporaryDir folder;
};
