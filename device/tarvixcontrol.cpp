// SPDX-License-Identifier: GPL-3.0-or-later
#include "tarvixcontrol.h"

TarvixControl::~TarvixControl() = default;
