// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presettransfer.h"

#include <QString>

class PresetFileDialogs;
class QWidget;
class TarvixControl;
struct TarvixDevice;

// The preset store and load commands behind the window's two preset buttons: the file
// dialogs, the preset files, the document written or applied under the device library's lock,
// and the error boxes.
//
// GUI thread only. Owned by the window; it borrows the window (parent of its dialogs and boxes),
// the library's control and the window's selected-device pointer, which it reads only under
// the lock. The lock is never held across a file dialog or file I/O.
class PresetCommands
{
public:
    PresetCommands(QWidget* window, TarvixControl* control, TarvixDevice* const& currentDevice);

    // Replaces the file dialogs; the commands do not take ownership.
    void setFileDialogs(PresetFileDialogs* dialogs);

    // Asks for a file and writes the state of the device `deviceId`, the one selected when the
    // command began. Nothing is written if that device is no longer selected by then.
    void store(const QString& deviceId);

    // Asks for a file and applies it to the device `deviceId`, the one selected when the
    // command began, if it is still selected; should the device go while the values are
    // applied, the rest is dropped and the removal reported. Returns whether the window is now to
    // be brought up to date from the device: always, except when the file could not be opened.
    bool load(const QString& deviceId);

    // The same load with `fileName` chosen already (a file named on the command line).
    bool loadFile(const QString& deviceId, const QString& fileName);

private:
    PresetTransfer::DeviceLookup selectedDevice(const QString& deviceId) const;
    void showError(const QString& message);

    QWidget* window;
    TarvixControl* control;
    TarvixDevice* const& currentDevice;
    PresetFileDialogs* fileDialogs;
};
