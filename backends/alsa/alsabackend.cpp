// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsabackend.h"

#include "alsacard.h"
#include "alsacontrol.h"
#include "statefile.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <sys/stat.h>

namespace {

void ignoreError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

namespace AlsaBackend {

std::string Options::defaultDeviceFolder()
{
    const char* folder = std::getenv("TARVIX_ALSA_DEVICE_DIR");
    return folder && *folder ? folder : "/dev/snd";
}

std::string stateCardProblem(const Options& options, int number)
{
    snd_lib_error_set_handler(ignoreError);
    const int error = AlsaCard::check(number, options.statePlugin, options.deviceFolder);
    snd_lib_error_set_handler(nullptr);
    // The card's own reader, run again here, says which line it refused; the caller names the
    // file.
    stateError refusal{0, ""};
    const std::string path = options.deviceFolder + "/controlC" + std::to_string(number);
    switch (error) {
    case 0:
        return {};
    case -EFBIG:
        return "Larger than 8 MiB";
    case -EINVAL:
        if (stateCheck(path.c_str(), &refusal) == -EINVAL)
            return "Not an alsactl state file (line " + std::to_string(refusal.line) + ": " +
                   refusal.reason + ")";
        return "Not an alsactl state file";
    default:
        return std::string("Cannot be served (") + snd_strerror(error) + ")";
    }
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
