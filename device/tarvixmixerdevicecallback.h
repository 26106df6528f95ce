// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Told that a level or the mute state of an endpoint changed. May be called on any library thread.
class TarvixMixerDeviceCallback
{
public:
    // The argument carries no meaning for listeners.
    virtual void onVolumeChanged(std::int32_t unused) = 0;

protected:
    ~TarvixMixerDeviceCallback() = default;
};
