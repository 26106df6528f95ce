#include "backendtable.h"

#include "simulatedcontrol.h"
#ifdef TARVIX_WITH_ALSA
#include "alsabackend.h"
#endif

#include <exception>

namespace {

bool alwaysUsable()
{
    return true;
}

TarvixControl* createSimulator()
{
    return new SimulatedControl();
}

bool listAllCards = false;

#ifdef TARVIX_WITH_ALSA
// ALSA serves a machine that has a sound device folder.
bool alsaUsable()
{
    return AlsaBackend::isUsableHere();
}

TarvixControl* createAlsa()
{
    AlsaBackend::Options options;
    options.listAllCards = listAllCards;
    return AlsaBackend::createControl(options);
}
#endif

} // namespace

namespace BackendTable {

const std::vector<BackendEntry>& entries()
{
    static const std::vector<BackendEntry> table = {
#ifdef TARVIX_WITH_ALSA
        {"alsa", "Sound cards through ALSA", alsaUsable, createAlsa},
#endif
        {"simulator", "Simulated devices", alwaysUsable, createSimulator},
    };
    return table;
}

const BackendEntry* find(const QString& name)
{
    for (const BackendEntry& entry : entries()) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

const BackendEntry* defaultEntry()
{
    for (const BackendEntry& entry : entries()) {
        if (entry.usable())
            return &entry;
    }
    return nullptr;
}

TarvixControl* createControl(const BackendEntry& entry)
{
    if (!entry.usable())
        return nullptr;
    try {
        return entry.create();
    } catch (const std::exception&) {
        return nullptr;
    }
}

void setListAllCards(bool all)
{
    listAllCards = all;
}

} // namespace BackendTable
