// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

class QWidget;
class TarvixControl;

// What the command line asks of the backend a row makes.
struct BackendOptions
{
    // Hardware backends list every card rather than only USB audio interfaces.
    bool listAllCards = false;
    // Non-empty: the ALSA row serves only the virtual cards of this folder (card N from
    // controlC<N>, an `alsactl store` state file, named by controlC<N>.name), every one of them.
    QString cardStateFolder;
};

// The device backends this program can use, one row each, in order of preference; the first
// usable row is the default. Consulted on the GUI thread at start-up.
struct BackendEntry
{
    const char* name;        // as chosen by name, e.g. "simulator"
    const char* description; // for the user
    // Whether it may find no device at all, so that the window hints at what to do then.
    bool mayFindNothing;
    // Whether it can serve this machine.
    bool (*usable)(const BackendOptions& options);
    // A new control owned by the caller; may throw.
    TarvixControl* (*create)(const BackendOptions& options);
    // The window in which a person does on the devices what would happen on real hardware, for
    // a control this row made; null for a row that has none.
    QWidget* (*openHardwarePanel)(TarvixControl& control, QWidget* parent);
};

namespace BackendTable {

const std::vector<BackendEntry>& entries();
// Null if no row has this name.
const BackendEntry* find(const QString& name);
// The first usable row; null if there is none.
const BackendEntry* defaultEntry(const BackendOptions& options);
// A new control from a usable row; null if the row is not usable or the control cannot be made
// (out of memory, threads that cannot be started).
TarvixControl* createControl(const BackendEntry& entry, const BackendOptions& options);
// Why the options' card N cannot be served ("Not an alsactl state file", for example); empty if
// it can. Silences the ALSA library's messages meanwhile, for the whole process: call it at
// start-up, before any control exists.
QString cardStateProblem(const BackendOptions& options, int card);

} // namespace BackendTable
