// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetfilereader.h"

#include "regularfile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PresetFileReader {
namespace {

// Closes a file descriptor at the end of a scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    const int fd;
};

} // namespace

Result read(const QString& fileName, QByteArray* content)
{
    const Descriptor file(RegularFile::open(QFile::encodeName(fileName), O_RDONLY));
    struct stat info = {};
    if (file.fd < 0)
        return Result::CannotOpen;
    // A store rewriting this file in place holds it locked until it is whole again.
    if (::flock(file.fd, LOCK_SH) != 0 || ::fstat(file.fd, &info) != 0)
        return Result::CannotOpen;
    if (info.st_size > kMaxPresetFileBytes)
        return Result::TooLarge;

    QFile reader;
    if (!reader.open(file.fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return Result::CannotOpen;
    // One byte more than the limit tells a file that grew since it was checked.
    *content = reader.read(kMaxPresetFileBytes + 1);
    if (reader.error() != QFileDevice::NoError)
        return Result::CannotOpen;
    return content->size() > kMaxPresetFileBytes ? Result::TooLarge : Result::Read;
}

} // namespace PresetFileReader
