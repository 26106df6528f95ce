// SPDX-License-Identifier: GPL-3.0-or-later
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
