// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// The program's one way of opening a named file that must be a regular file: a preset, a card
// state file and the name file beside it. Anything else (a named pipe, a device, a folder) is
// refused before it is opened where it can be told by its name, and is never read from or
// written to where it took the name's place since: the open never blocks waiting for a writer
// or reader at the other end. Symbolic links are followed. Any thread; no state.
namespace RegularFile {

enum class Kind { Missing, Regular, Other, Denied };

// What the name stands for now, symbolic links followed; Denied where a folder on the way
// cannot be searched. `info`, where given, receives what stat() tells of it.
Kind kindOf(const QByteArray& path, struct stat* info = nullptr);

// Opens `path` with `accessMode` (O_RDONLY or O_WRONLY; neither creates nor truncates) and
// returns the descriptor, close-on-exec and no controlling terminal; or -1 if it cannot be
// opened or is not a regular file. The descriptor is in blocking mode again.
int open(const QByteArray& path, int accessMode);

// Why the named file cannot be read, as a short phrase for a message ("No such file", "Not a
// regular file", "Permission denied"); empty if it can be.
QString unreadableReason(const QString& fileName);

// Reads at most `maxBytes` of the named regular file; false if it cannot be opened or read.
bool readAtMost(const QString& fileName, qint64 maxBytes, QByteArray* content);

} // namespace RegularFile
