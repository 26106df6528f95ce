// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private folder of copies of `alsactl store` state files, from which the ALSA backend serves
// virtual cards (card N from the N-th file); removed with this object. Writes to the cards change
// only the copies. Lives on the thread that made it, for as long as any control serving it.
class CardStateFolder
{
public:
    // Copies the files; on failure error() names the file that could not be copied.
    explicit CardStateFolder(const QStringList& stateFiles);

    QString path() const { return folder.path(); }
    QString error() const { return failure; }

private:
    bool copy(const QString& stateFile, int card);

    QTemporaryDir folder;
    QString failure;
};
