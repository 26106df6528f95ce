// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TarvixHIDChangedCallback;

// The device's four hardware switches, reached over its HID interface. Owned by the library.
class TarvixHID
{
public:
    enum class Switch { PhantomLeft, PhantomRight, LoopbackLeft, LoopbackRight };

    virtual void setPhantomLeft(bool on) = 0;
    virtual bool getPhantomLeft() = 0;
    virtual void setPhantomRight(bool on) = 0;
    virtual bool getPhantomRight() = 0;
    virtual void setLoopbackRight(bool on) = 0;
    virtual bool getLoopbackRight() = 0;
    virtual void setLoopbackLeft(bool on) = 0;
    virtual bool getLoopbackLeft() = 0;

protected:
    // Backs registerChangedCallback().
    virtual void setChangedCallback(TarvixHIDChangedCallback* callback) = 0;

public:
    // Whether the device has this switch. One it lacks reads as off and ignores sets. A library
    // whose devices have every switch need not say so.
    virtual bool hasSwitch(Switch) { return true; }

    // Reads the switches from the device; reports a difference from what was last reported
    // through the changed listener, on the calling thread.
    virtual void poll() = 0;

    // One listener; a new one replaces the old, null unregisters. The library may report the
    // current state from within this call.
    void registerChangedCallback(TarvixHIDChangedCallback* callback)
    {
        setChangedCallback(callback);
    }

protected:
    ~TarvixHID() = default;
};
