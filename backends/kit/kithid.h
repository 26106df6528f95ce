// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hidswitches.h"
#include "tarvixhid.h"

#include <optional>

class LibraryLock;

// The common part of a device's HID interface: the eight getters and setters, the changed
// listener and when it is told. A backend maps the switches onto its hardware through
// readSwitch() and writeSwitch(), which are called with the library lock held.
//
// Reporting, always on the caller's thread: a new listener is told the switches at once, from
// within registerChangedCallback(), so that what it shows is the device's from the start; then
// poll() tells it whenever the switches differ from what it was last told. The listener is called
// without the lock that these two take, so it may take it; it still runs within a lock its caller
// holds.
//
// Once detached (its device is gone) the interface ignores the setters and reports nothing more;
// the getters go on reading.
class KitHid : public TarvixHID
{
public:
    void setPhantomLeft(bool on) final;
    bool getPhantomLeft() final;
    void setPhantomRight(bool on) final;
    bool getPhantomRight() final;
    void setLoopbackRight(bool on) final;
    bool getLoopbackRight() final;
    void setLoopbackLeft(bool on) final;
    bool getLoopbackLeft() final;
    void poll() final;

    // The caller holds the lock.
    void detach() { attached = false; }

protected:
    explicit KitHid(LibraryLock& lock) : lock(lock) {}
    ~KitHid() = default;
    void setChangedCallback(TarvixHIDChangedCallback* callback) final;

    virtual bool readSwitch(Switch which) = 0;
    virtual void writeSwitch(Switch which, bool on) = 0;

private:
    SwitchStates readAll(); // the caller holds the lock
    bool read(Switch which);
    void write(Switch which, bool on);

    LibraryLock& lock;
    // Guarded by the lock.
    TarvixHIDChangedCallback* listener = nullptr;
    std::optional<SwitchStates> told; // what the listener was last told, none yet
    bool attached = true;
};
