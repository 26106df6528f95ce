#include "cardstatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Up to `limit` bytes of a regular file. A FIFO or device node is never opened, and one swapped
// in after the check is opened without waiting and refused.
bool readRegular(const QString& path, qint64 limit, QByteArray* bytes)
{
    struct stat info;
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QFile file;
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    *bytes = file.read(limit);
    return file.error() == QFileDevice::NoError;
}

// The card's name: from the .name file beside the state file, else the state file's own name.
QByteArray cardNameOf(const QFileInfo& stateFile)
{
    QByteArray name;
    return readRegular(stateFile.dir().filePath(stateFile.completeBaseName() + ".name"), 4096,
                       &name)
               ? name
               : stateFile.completeBaseName().toUtf8();
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
    QByteArray bytes;
    if (!readRegular(stateFile, stateCopyBytes, &bytes)) {
        failure = QStringLiteral("Cannot read card state file '%1': Not a readable regular file.")
                      .arg(stateFile);
        return false;
    }
    if (copyPrivately(bytes, node) &&
        copyPrivately(cardNameOf(QFileInfo(stateFile)), node + QStringLiteral(".name")))
        return true;
    failure = QStringLiteral("Cannot read card state file '%1': Cannot copy it.").arg(stateFile);
    return false;
}
