// SPDX-License-Identifier: GPL-3.0-or-later
#include "cardstatefolder.h"

#include "regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// More than any card's state file takes (the largest real one is a few hundred KB), so that a
// huge file is never read whole: the card refuses the copy as too large.
constexpr qint64 stateCopyBytes = 16 << 20;

// Copies bytes to a new file that only its owner may read and write, as the state-file card
// plugin wants of a card's node.
bool copyPrivately(const QByteArray& bytes, const QString& destination)
{
    QFile file(destination);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

// The card's name: from the .name file beside the state file, else the state file's own name.
QByteArray cardNameOf(const QFileInfo& stateFile)
{
    QByteArray name;
    if (RegularFile::readAtMost(stateFile.dir().filePath(stateFile.completeBaseName() + ".name"),
                                4096, &name))
        return name;
    return stateFile.completeBaseName().toUtf8();
}

} // namespace

CardStateFolder::CardStateFolder(const QStringList& stateFiles)
{
    if (!folder.isValid()) {
        failure = QStringLiteral("Cannot make a folder for the card state files: %1.")
                      .arg(folder.errorString());
        return;
    }
    for (int card = 0; card < stateFiles.size(); ++card) {
        if (!copy(stateFiles[card], card))
            return;
    }
}

bool CardStateFolder::copy(const QString& stateFile, int card)
{
    const QString node = folder.filePath(QStringLiteral("controlC%1").arg(card));
    QByteArray state;
    if (!RegularFile::readAtMost(stateFile, stateCopyBytes, &state)) {
        const QString reason = RegularFile::unreadableReason(stateFile);
        failure = QStringLiteral("Cannot read card state file '%1': %2.")
                      .arg(stateFile, reason.isEmpty() ? QStringLiteral("Read error") : reason);
        return false;
    }
    if (copyPrivately(state, node) &&
        copyPrivately(cardNameOf(QFileInfo(stateFile)), node + QStringLiteral(".name")))
        return true;
    failure = QStringLiteral("Cannot copy card state file '%1' to %2.").arg(stateFile, node);
    return false;
}
