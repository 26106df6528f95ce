#pragma once

class TarvixHIDChangedCallback;

// The device's four hardware switches, reached over its HID interface. Owned by the library.
class TarvixHID
{
public:
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
