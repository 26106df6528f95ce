// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Reads a preset file into memory, so that the device library's lock is never held while the
// file system is in use.
//
// Any thread; no lock is taken. A preset is well under a kilobyte: a file larger than
// kMaxPresetFileBytes is refused without being read whole, and only a regular file (symbolic
// links followed) is read at all. Anything else, a named pipe or a device above all, is refused
// before it is opened, so a read never blocks waiting for a writer. A file that a
// PresetFileWriter is rewriting in place is read once that writer is done (a shared flock()).
namespace PresetFileReader {

inline constexpr qint64 kMaxPresetFileBytes = 1024 * 1024;

enum class Result { Read, CannotOpen, TooLarge };

// Reads the whole of `fileName` into `content`.
Result read(const QString& fileName, QByteArray* content);

} // namespace PresetFileReader
