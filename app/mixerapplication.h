// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class SystemServices;
class TarvixControl;
class TarvixMixer;

// Called once the main window is shown, on the GUI thread, with the window and the device
// library's control: for what the command line asks beside the window. What it returns lives
// until the event loop has ended and is destroyed before the control.
using WindowCompanions =
    std::function<std::unique_ptr<QObject>(TarvixMixer& window, TarvixControl& control)>;

// Everything the program does once its QApplication exists: the version gate, COM, the device
// library's root object, the main window and the event loop, and the shutdown in this order:
// control deleted, COM uninitialised, window destroyed. Returns QApplication::exec()'s result,
// or 1 when the device library could not be opened.
int runMixerApplication(SystemServices& system, const WindowCompanions& companions = {});
