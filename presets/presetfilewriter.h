// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Writes a preset document, already made in memory, to the file the user named, so that the
// device library's lock is never held while the file system is in use.
//
// Any one thread; no lock is taken. open() decides how the file is written and touches nothing
// the user can see; commit() writes, cancel() (or destruction without commit) leaves any
// existing file as it was:
// - a new file, or an existing regular file with one link that the user owns: written beside
//   it and renamed over it when complete, keeping its permission bits (atomic replace);
// - an existing regular file with several hard links or another owner or group, or one in a
//   folder where no file can be made beside it: rewritten in place, which keeps its links,
//   owner and permissions, under an exclusive flock() from open() to the end (a
//   PresetFileReader waits for it); the new content goes over the old and the file is cut to
//   its length afterwards, so an interrupted store never leaves it shorter than it was;
// - an existing name that is not a regular file once symbolic links are followed (a named
//   pipe, a device, a folder): refused.
class PresetFileWriter
{
public:
    explicit PresetFileWriter(const QString& fileName);
    ~PresetFileWriter();

    PresetFileWriter(const PresetFileWriter&) = delete;
    PresetFileWriter& operator=(const PresetFileWriter&) = delete;

    // False when the name is refused or cannot be opened for writing.
    bool open();
    // Replaces the file's content with `document`; false when the write failed.
    bool commit(const QByteArray& document);
    void cancel();

private:
    bool openInPlace();
    bool writeInPlace(const QByteArray& document);
    void closeInPlace();

    QByteArray path;
    QSaveFile replacement;
    int inPlace = -1; // descriptor of a file written in place
};
