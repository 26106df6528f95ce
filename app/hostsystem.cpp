#include "hostsystem.h"

#include "tarvixlibrary.h"

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
    return tarvix_control_create_win32();
}
