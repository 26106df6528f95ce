// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QIODevice;
struct TarvixDevice;

enum class PresetReadResult {
    Applied,       // read to its end; every recognised value the device can take applied
    InvalidFile,   // not well-formed, ended early, or refused as hostile
    DeviceRemoved, // the device went away while the values were applied
};

// Reads a preset document from `file`, which is open for reading, then applies the recognised
// values to `device` (null: nothing is applied), each at most once. Every section is read and
// checked whether or not the device has it, so the verdict on a file is the same for any device.
// Of an element that occurs several times in the document the last readable one wins, so the
// library calls a load makes are bounded by the preset's fields, whatever the file's size. The
// values go in the order a store writes them; those read before a document turns out invalid are
// applied all the same.
// `isPresent`, when given, is asked after each value: once it says no, nothing more is applied.
//
// Any thread; the caller holds the device library's lock throughout.
PresetReadResult readPreset(QIODevice* file, TarvixDevice* device,
                            const std::function<bool()>& isPresent = {});
