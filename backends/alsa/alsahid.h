// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directmonitor.h"
#include "elementchoice.h"
#include "kithid.h"

class AlsaCard;

// The hardware switches of a card that has phantom-power or direct-monitoring controls.
// Phantom left and right are "Line In 1/2 Phantom Power Capture Switch" (both the one control
// when it is grouped as "Line In 1-2"); loopback maps onto direct monitoring as DirectMonitor
// describes; an enum of two items (Off, On) counts as an on/off control, item 1 being on. A switch
// the card lacks reads false and ignores sets.
//
// Lock and reporting: see KitHid. A switch changed elsewhere is reported by the next poll().
class AlsaHid final : public KitHid
{
public:
    AlsaHid(AlsaCard& card, const ElementChoice::SwitchChoice& choice, LibraryLock& lock);

    bool hasSwitch(Switch which) override;

protected:
    bool readSwitch(Switch which) override;
    void writeSwitch(Switch which, bool on) override;

private:
    bool monitorIsOnOff() const;
    DirectMonitor::Mode monitorMode();
    void setMonitorMode(DirectMonitor::Mode mode);
    long enumItem(const char* name, long fallback) const;

    AlsaCard& card;
    const ElementChoice::SwitchChoice choice;
};
