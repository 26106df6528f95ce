// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The stable identity of a sound card, read from sysfs (under `sysfsRoot`, "/sys" on a running
// system), so that a device keeps its id when it is unplugged and plugged in again, even into
// another port. Reads files only; callable from any thread.
struct CardIdentity
{
    // "usb:VVVV:PPPP:SERIAL" when the USB serial is present and not an obvious placeholder,
    // otherwise "usb:VVVV:PPPP@PORT" (the USB port path, e.g. "1-2.3"); for a card without USB
    // data "alsa:" and its card id string.
    std::string preferredId;
    // Unique among cards present at the same time: the port form, or for a card without USB data
    // its card id string with the card number.
    std::string fallbackId;

    static CardIdentity read(const std::string& sysfsRoot, int card, const std::string& cardId);
};

// True for a serial number that cannot tell two devices apart: empty, one character repeated,
// a run of ascending digits, or a word such as "none" or "default".
bool isPlaceholderSerial(const std::string& serial);
