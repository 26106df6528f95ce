#include "presetfilereader.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
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
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info
    {
    };
    if (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return Result::CannotOpen;
    // Should the name have become a pipe since, a non-blocking open returns at once and the
    // descriptor is checked again.
    const Descriptor file(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return Result::CannotOpen;
    if (info.st_size > kMaxPresetFileBytes)
        return Result::TooLarge;

    content->clear();
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(file.fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return Result::CannotOpen;
        if (count == 0)
            return Result::Read;
        content->append(buffer, static_cast<qsizetype>(count));
        if (content->size() > kMaxPresetFileBytes)
            return Result::TooLarge;
    }
}

} // namespace PresetFileReader
