#pragma once

#include "systemservices.h"

// The system this program runs on. It has neither Windows versions nor COM: it counts as a
// supported system, and COM initialisation always succeeds and needs no undoing.
class HostSystem : public SystemServices
{
public:
    int windowsVersion() const override;
    long coInitialize() override;
    void coUninitialize() override;
    TarvixControl* createControl() override;
};
