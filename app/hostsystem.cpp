#include "hostsystem.h"

HostSystem::HostSystem(const QString& backendName, bool listAllCards,
                       const QStringList& cardStateFiles)
{
    options.listAllCards = listAllCards;
    if (!cardStateFiles.isEmpty()) {
        cardStates = std::make_unique<CardStateFolder>(cardStateFiles);
        options.cardStateFolder = cardStates->path();
    }
    row = backendName.isEmpty() ? BackendTable::defaultEntry(options)
                                : BackendTable::find(backendName);
}

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
    return row && cardStateError().isEmpty() ? BackendTable::createControl(*row, options) : nullptr;
}
