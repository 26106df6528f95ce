// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetfilewriter.h"

#include "regularfile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether replacing the file by a new one would lose its hard links or change its owner.
bool replacementWouldChangeIt(const struct stat& info)
{
    return info.st_nlink > 1 || info.st_uid != ::geteuid() || info.st_gid != ::getegid();
}

} // namespace

PresetFileWriter::PresetFileWriter(const QString& fileName)
    : path(QFile::encodeName(fileName)), replacement(fileName)
{
}

PresetFileWriter::~PresetFileWriter()
{
    cancel();
}

bool PresetFileWriter::open()
{
    struct stat info = {};
    const RegularFile::Kind kind = RegularFile::kindOf(path, &info);
    if (kind == RegularFile::Kind::Missing)
        return replacement.open(QIODevice::WriteOnly);
    if (kind != RegularFile::Kind::Regular)
        return false;
    if (replacementWouldChangeIt(info))
        return openInPlace();
    // No file can be made beside it (a folder the user cannot write): write it in place.
    return replacement.open(QIODevice::WriteOnly) || openInPlace();
}

bool PresetFileWriter::openInPlace()
{
    // Not truncated yet, so a cancelled store leaves the file as it was.
    inPlace = RegularFile::open(path, O_WRONLY);
    // Held until the file is closed, so a reader or a second store in place waits for the
    // whole preset rather than seeing it half-written.
    if (inPlace >= 0 && ::flock(inPlace, LOCK_EX) != 0)
        closeInPlace();
    return inPlace >= 0;
}

bool PresetFileWriter::commit(const QByteArray& document)
{
    if (inPlace >= 0) {
        const bool written = writeInPlace(document);
        closeInPlace();
        return written;
    }
    if (!replacement.isOpen())
        return false;
    // QSaveFile notices failed writes of its buffer only when they happen before commit().
    if (replacement.write(document) != document.size() || !replacement.flush() ||
        replacement.error() != QFileDevice::NoError)
        replacement.cancelWriting();
    return replacement.commit();
}

bool PresetFileWriter::writeInPlace(const QByteArray& document)
{
    QFile file;
    if (!file.open(inPlace, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::DontCloseHandle))
        return false;
    // Written over the old content first and cut to length only then: a store interrupted
    // half-way leaves the file at least as long as it was, never empty.
    return file.write(document) == document.size() && file.resize(document.size()) &&
           ::fsync(inPlace) == 0;
}

void PresetFileWriter::cancel()
{
    closeInPlace();
    // An uncommitted replacement is removed; the file it was to replace stays as it was.
    if (replacement.isOpen()) {
        replacement.cancelWriting();
        replacement.commit();
    }
}

void PresetFileWriter::closeInPlace()
{
    if (inPlace >= 0)
        ::close(inPlace);
    inPlace = -1;
}
