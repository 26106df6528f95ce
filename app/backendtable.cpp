#include "backendtable.h"

#include "simulatedcontrol.h"

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

} // namespace

namespace BackendTable {

const std::vector<BackendEntry>& entries()
{
    static const std::vector<BackendEntry> table = {
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

} // namespace BackendTable
