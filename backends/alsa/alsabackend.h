// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class TarvixControl;

// The ALSA device library's entry points; no alsa-lib type appears here. Called on any thread
// (the program calls them on the GUI thread at start-up); they hold no state of their own.
namespace AlsaBackend {

struct Options
{
    // Watched for controlC<N> nodes.
    std::string deviceFolder = defaultDeviceFolder();
    // false: USB audio cards only (driver "USB-Audio"); true: every card.
    bool listAllCards = false;
    std::string sysfsRoot = "/sys";
    // Empty: the cards are the system's, opened through its ALSA configuration. Otherwise the
    // path of the state-file card plugin, which then serves every card of deviceFolder through
    // a configuration of the library's own; the system's configuration is not consulted.
    std::string statePlugin;

    // TARVIX_ALSA_DEVICE_DIR when set, otherwise /dev/snd.
    static std::string defaultDeviceFolder();
};

// Why card N of options.deviceFolder cannot be served by options.statePlugin ("Not an alsactl
// state file", for example); empty if it can. It silences alsa-lib's messages meanwhile, for the
// whole process: call it at start-up, before any control exists.
std::string stateCardProblem(const Options& options, int number);

// True where the device folder exists: the default backend choice then falls on ALSA.
bool isUsableHere(const Options& options = Options());
// A new control, owned by the caller; null if its thread or watches cannot be set up.
TarvixControl* createControl(const Options& options = Options());

} // namespace AlsaBackend
