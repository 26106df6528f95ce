// SPDX-License-Identifier: GPL-3.0-or-later
#include "regularfile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace RegularFile {

Kind kindOf(const QByteArray& path, struct stat* info)
{
    struct stat own = {};
    if (!info)
        info = &own;
    if (::stat(path.constData(), info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Kind::Missing
               : errno == EACCES                   ? Kind::Denied
                                                   : Kind::Other;
    return S_ISREG(info->st_mode) ? Kind::Regular : Kind::Other;
}

int open(const QByteArray& path, int accessMode)
{
    if (kindOf(path) != Kind::Regular)
        return -1;
    // Should the name have become a pipe since, a non-blocking open returns at once, and the
    // descriptor itself is checked.
    const int fd = ::open(path.constData(), accessMode | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat info = {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

QString unreadableReason(const QString& fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    switch (kindOf(path)) {
    case Kind::Missing:
        return QStringLiteral("No such file");
    case Kind::Other:
        return QStringLiteral("Not a regular file");
    case Kind::Denied:
        return QStringLiteral("Permission denied");
    case Kind::Regular:
        break;
    }
    return ::access(path.constData(), R_OK) == 0 ? QString() : QStringLiteral("Permission denied");
}

bool readAtMost(const QString& fileName, qint64 maxBytes, QByteArray* content)
{
    const int fd = open(QFile::encodeName(fileName), O_RDONLY);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    *content = file.read(maxBytes);
    return file.error() == QFileDevice::NoError;
}

} // namespace RegularFile
