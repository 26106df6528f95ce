// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QIODevice;
struct TarvixDevice;

// Writes the preset document for `device` (null: no device selected) to `file`, which is open
// for writing. Each value is read from the device the moment it is written. Write errors are
// not detected.
void writePreset(QIODevice* file, TarvixDevice* device);
