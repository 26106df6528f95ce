// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsaerrors.h"

#include <cerrno>

namespace AlsaErrors {

bool meansCardGone(int error)
{
    return error == -ENODEV || error == -ENXIO || error == -EBADFD || error == -EPIPE;
}

bool eventReadFailureMeansGone(int result)
{
    return result < 0 && result != -EAGAIN && result != -EINTR;
}

} // namespace AlsaErrors
