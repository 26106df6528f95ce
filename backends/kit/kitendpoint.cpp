// SPDX-License-Identifier: GPL-3.0-or-later
#include "kitendpoint.h"

static_assert(KitEndpoint::nextChangeCount(0x7fffffffu) == 0);

void KitEndpoint::reportChange()
{
    changeCount = nextChangeCount(changeCount);
    dispatcher.postVolumeChange(listener, static_cast<std::int32_t>(changeCount));
}
