// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostsystem.h"

HostSystem::HostSystem(const QString& backendName, bool listAllCards,
                       const QStringList& cardStateFiles)
{
    options.listAllCards = listAllCards;
    if (!cardStateFiles.isEmpty()) {
        cardStates = std::make_unique<CardStateFolder>(cardStateFiles);
        options.cardStateFolder = cardStates->path();
        checkCardStates(cardStateFiles);
    }
    row = backendName.isEmpty() ? BackendTable::defaultEntry(options)
                                : BackendTable::find(backendName);
}

void HostSystem::checkCardStates(const QStringList& files)
{
    // Each card keeps a change watch of its own, and a user has few of them (128 by default):
    // as many cards as the kernel numbers by default, and no more, are sure to be served.
    constexpr int maxCards = 32;
    if (files.size() > maxCards) {
        refusal =
            QStringLiteral("At most %1 card state files can be served at once; %2 were given.")
                .arg(maxCards)
                .arg(files.size());
        return;
    }
    for (int card = 0; card < files.size() && cardStateError().isEmpty(); ++card) {
        const QString problem = BackendTable::cardStateProblem(options, card);
        if (!problem.isEmpty())
            refusal =
                QStringLiteral("Cannot read card state file '%1': %2.").arg(files[card], problem);
    }
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
