// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testfiles.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

#include <sys/file.h>

// Virtual sound cards for the ALSA backend's tests: a temporary device folder (exported as
// TARVIX_ALSA_DEVICE_DIR) whose controlC<N> files are cards of the state-file card plugin
// (backends/alsa/statecard), each an `alsactl store` state file, changed from outside by running
// amixer as a separate process. GUI thread only.
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

    // A card shape in tests/backends/alsa/virtualcard/, e.g. "classcompliant": its state file,
    // named by the .name file beside it.
    static Shape shape(const QString& name)
    {
        const QString path = QStringLiteral(TARVIX_VIRTUAL_CARD_SHAPES "/%1").arg(name);
        return {text(path + ".state"), text(path + ".name")};
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

    // A file's text, trimmed; empty where it cannot be read.
    static QString text(const QString& path) { return QString::fromUtf8(readFile(path)).trimmed(); }

private:
    QTemporaryDir folder;
};
