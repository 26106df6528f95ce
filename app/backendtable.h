#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class TarvixControl;

// The device backends this program can use, one row each, in order of preference; the first
// usable row is the default. Consulted on the GUI thread at start-up.
struct BackendEntry
{
    const char* name;           // as chosen by name, e.g. "simulator"
    const char* description;    // for the user
    bool (*usable)();           // whether it can serve this machine
    TarvixControl* (*create)(); // a new control owned by the caller; may throw
};

namespace BackendTable {

const std::vector<BackendEntry>& entries();
// Null if no row has this name.
const BackendEntry* find(const QString& name);
// The first usable row; null if there is none.
const BackendEntry* defaultEntry();
// A new control from a usable row; null if the row is not usable or the control cannot be made
// (out of memory, threads that cannot be started).
TarvixControl* createControl(const BackendEntry& entry);
// Whether hardware backends list every card rather than only USB audio interfaces; set before
// a control is created.
void setListAllCards(bool all);
// Makes the alsa row serve only virtual cards built from copies of these `alsactl store` state
// files (card N from the N-th file), kept in a private folder until the program ends; set
// before a control is created, at most once. Returns a message naming the first file that could
// not be copied or that is no card (malformed, too large), or an empty string.
QString setCardStates(const QStringList& stateFiles);

} // namespace BackendTable
