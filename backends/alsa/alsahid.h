#pragma once

#include "directmonitor.h"
#include "elementchoice.h"
#include "tarvixhid.h"

#include <array>

class AlsaCard;
class LibraryLock;

// The hardware switches of a card that has phantom-power or direct-monitoring controls.
// Phantom left and right are "Line In 1/2 Phantom Power Capture Switch" (both the one control
// when it is grouped as "Line In 1-2"); loopback maps onto direct monitoring as DirectMonitor
// describes; an enum of two items (Off, On) counts as an on/off control, item 1 being on. A switch
// the card lacks reads false and ignores sets.
//
// Lock: every operation takes the library lock. poll() and registerChangedCallback() report on
// the calling thread.
class AlsaHid final : public TarvixHID
{
public:
    AlsaHid(AlsaCard& card, const ElementChoice::SwitchChoice& choice, LibraryLock& lock);

    void setPhantomLeft(bool on) override;
    bool getPhantomLeft() override;
    void setPhantomRight(bool on) override;
    bool getPhantomRight() override;
    void setLoopbackRight(bool on) override;
    bool getLoopbackRight() override;
    void setLoopbackLeft(bool on) override;
    bool getLoopbackLeft() override;
    void poll() override;
    bool hasSwitch(Switch which) override;

    bool usesElement(int element) const;

protected:
    void setChangedCallback(TarvixHIDChangedCallback* callback) override;

private:
    using State = std::array<bool, 4>;

    bool monitorIsOnOff() const;
    DirectMonitor::Mode monitorMode();
    void setMonitorMode(DirectMonitor::Mode mode);
    long enumItem(const char* name, long fallback) const;
    State readState();

    AlsaCard& card;
    const ElementChoice::SwitchChoice choice;
    LibraryLock& lock;
    // Guarded by the lock.
    TarvixHIDChangedCallback* listener = nullptr;
    State reported{};
};
