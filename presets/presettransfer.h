// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class TarvixControl;
struct TarvixDevice;

// A whole store or load between a device and a preset file, as the window's buttons and the
// command line do it: the file is read or written by PresetFileReader and PresetFileWriter, the
// device only under the library's lock, and the lock is never held while the file system is in
// use.
//
// Any one thread; the lock is taken here. The device is looked up under the lock by the caller's
// function, which returns null once the device meant is gone.
namespace PresetTransfer {

enum class Outcome { Done, CannotOpenFile, InvalidFileFormat, DeviceRemoved, CannotWriteFile };

using DeviceLookup = std::function<TarvixDevice*()>;

// Writes the device's state to `fileName`; an existing file stays as it was unless the whole
// new preset has been written.
Outcome store(TarvixControl& control, const DeviceLookup& device, const QString& fileName);
// Reads `fileName` into memory, then applies it to the device.
Outcome load(TarvixControl& control, const DeviceLookup& device, const QString& fileName);
// Whether `fileName` could be loaded: read and parsed, applied to no device.
Outcome check(const QString& fileName);

// The message the user is shown for a failed store or load, e.g. "Failed to store presets:
// The device was removed."; empty for Done.
QString storeFailure(Outcome outcome);
QString loadFailure(Outcome outcome);

} // namespace PresetTransfer
