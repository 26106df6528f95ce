// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "backendtable.h"
#include "cardstatefolder.h"
#include "systemservices.h"

#include <QString>
#include <QStringList>

#include <memory>

// The system this program runs on. It has neither Windows versions nor COM: it counts as a
// supported system, and COM initialisation always succeeds and needs no undoing. The device
// library comes from the backend table: the named row, or the default row when no name is given,
// made with the options the command line gives; virtual cards built from state files live here,
// until the system object goes.
class HostSystem : public SystemServices
{
public:
    explicit HostSystem(const QString& backendName = QString(), bool listAllCards = false,
                        const QStringList& cardStates = QStringList());

    int windowsVersion() const override;
    long coInitialize() override;
    void coUninitialize() override;
    TarvixControl* createControl() override;

    // The row createControl() uses; null if none has the name or none is usable.
    const BackendEntry* backend() const { return row; }
    // Names the card state file that could not be read; empty when all were, or none was given.
    QString cardStateError() const
    {
        return cardStates && !cardStates->error().isEmpty() ? cardStates->error() : refusal;
    }

private:
    // Whether the copies can serve as cards; the first that cannot is named in refusal.
    void checkCardStates(const QStringList& files);

    std::unique_ptr<CardStateFolder> cardStates;
    BackendOptions options;
    QString refusal;
    const BackendEntry* row = nullptr;
};
