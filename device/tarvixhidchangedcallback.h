// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Told that a HID switch changed. Called only on the thread that calls TarvixHID::poll() and
// TarvixHID::registerChangedCallback(), which for the mixer is the GUI thread.
class TarvixHIDChangedCallback
{
public:
    virtual void onHIDChanged() = 0;

protected:
    ~TarvixHIDChangedCallback() = default;
};
