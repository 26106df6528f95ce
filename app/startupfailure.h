// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Start-up failures of the window's path: a preset or card state file named on the command line
// that cannot be used. They are always told in one line on standard error. Where the program was
// started from a menu or a file manager, whose standard error nobody reads (it is no terminal),
// and a display a person can see is at hand, they are shown in an error box as well before the
// program ends. Main thread.
namespace StartupFailure {

// Whether to show the box: standard error is no terminal, and `platform` (Qt's -platform option,
// or empty) or the environment names a window system with a display (X11 with DISPLAY, Wayland
// with WAYLAND_DISPLAY), never an offscreen one that no person could close a box on.
bool wantsBox(const QString& platform);

// Shows `message` in the program's error box, with QApplication made, and returns `status` once
// the box is closed.
int showBox(const QString& message, int status);

} // namespace StartupFailure
