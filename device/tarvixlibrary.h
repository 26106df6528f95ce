#pragma once

// The device library as the mixer uses it.

#include "callbacktype.h"
#include "tarvixcontrol.h"
#include "tarvixdevice.h"
#include "tarvixdevicecallback.h"
#include "tarvixhid.h"
#include "tarvixhidchangedcallback.h"
#include "tarvixmixerdevice.h"
#include "tarvixmixerdevicecallback.h"

// A new control of the backend that serves this machine: the simulated device library where no
// supported hardware is present. Null if no control can be made.
TarvixControl* tarvix_control_create_win32();
