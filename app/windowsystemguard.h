// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

// Stands by while QApplication connects to the window system. Where no display can be opened or
// the platform plugin is missing, Qt would print several lines of its own and abort; instead the
// program ends with one line on standard error, saying what is missing and that the commands
// without a window need none, and status 1. Qt's messages of that time are held back and passed
// on once the window system is connected.
//
// Made on the main thread before QApplication and ended right after it, once per process;
// messages from other threads meanwhile are held under a mutex.
class WindowSystemGuard
{
public:
    WindowSystemGuard();
    ~WindowSystemGuard();
    WindowSystemGuard(const WindowSystemGuard&) = delete;
    WindowSystemGuard& operator=(const WindowSystemGuard&) = delete;

    // QApplication is made: Qt's own message handling comes back, with what was held.
    void connected();

    // What stopped the window from opening, from Qt's messages ("category: text", the last one
    // the fatal one), as the end of "Cannot open the window: ...".
    static QString failureText(const QStringList& messages);
};
