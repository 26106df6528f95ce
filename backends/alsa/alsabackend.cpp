#include "alsabackend.h"

#include "alsacontrol.h"

#include <cstdlib>
#include <exception>
#include <sys/stat.h>

namespace AlsaBackend {

std::string Options::defaultDeviceFolder()
{
    const char* folder = std::getenv("TARVIX_ALSA_DEVICE_DIR");
    return folder && *folder ? folder : "/dev/snd";
}

bool isUsableHere(const Options& options)
{
    struct stat info;
    return stat(options.deviceFolder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TarvixControl* createControl(const Options& options)
{
    try {
        return new AlsaControl(options);
    } catch (const std::exception&) {
        return nullptr;
    }
}

} // namespace AlsaBackend
