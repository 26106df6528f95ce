#pragma once

#include "systemservices.h"

#include <QString>

// The system this program runs on. It has neither Windows versions nor COM: it counts as a
// supported system, and COM initialisation always succeeds and needs no undoing. The device
// library comes from the backend table: the named row, or the default row when no name is given.
class HostSystem : public SystemServices
{
public:
    explicit HostSystem(const QString& backendName = QString());

    int windowsVersion() const override;
    long coInitialize() override;
    void coUninitialize() override;
    TarvixControl* createControl() override;

private:
    const QString backendName;
};
