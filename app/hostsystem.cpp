#include "hostsystem.h"

#include "backendtable.h"

HostSystem::HostSystem(const QString& backendName) : backendName(backendName) {}

int HostSystem::windowsVersion() const
{
    return Windows7;
}

long HostSystem::coInitialize()
{
    return ComOk;
}

void HostSystem::coUninitialize() {}

TarvixControl* HostSystem::createControl()
{
    const BackendEntry* entry =
        backendName.isEmpty() ? BackendTable::defaultEntry() : BackendTable::find(backendName);
    return entry ? BackendTable::createControl(*entry) : nullptr;
}
