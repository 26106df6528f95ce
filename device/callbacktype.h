// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What a device notification reports. The values travel across the library boundary as 32-bit
// integers, so they are fixed.
enum CallbackType : std::int32_t {
    DeviceArrival = 0,
    DeviceRemoval = 1,
    DeviceChange = 2,
};
