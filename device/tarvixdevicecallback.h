// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "callbacktype.h"

struct TarvixDevice;

// Told of device arrival, removal and change. May be called on any library thread.
class TarvixDeviceCallback
{
public:
    virtual void onDeviceEvent(CallbackType type, const char* id, TarvixDevice* device) = 0;

protected:
    ~TarvixDeviceCallback() = default;
};
