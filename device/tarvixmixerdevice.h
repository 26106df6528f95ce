// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TarvixMixerDeviceCallback;

// One audio endpoint of a device: the output (playback) or the input (record). Levels are in dB,
// unless levelsAreInDb() says otherwise.
// Owned by the library; valid as long as its device record.
class TarvixMixerDevice
{
public:
    virtual bool getMute() = 0;
    virtual void setMute(bool mute) = 0;
    virtual float getVolumeLeft() = 0;
    virtual float getVolumeRight() = 0;
    virtual void setVolumeLeft(float db) = 0;
    virtual void setVolumeRight(float db) = 0;
    // One listener per endpoint; a new one replaces the old, null unregisters.
    virtual void registerCallback(TarvixMixerDeviceCallback* callback) = 0;
    // Number of channels the endpoint carries; the mixer assumes a stereo pair.
    virtual int getChannelCount() = 0;
    virtual void getVolumeRange(float* minDb, float* maxDb, float* stepDb) = 0;
    // Whether the endpoint has a mute switch. Without one getMute() is false and setMute() is
    // ignored. A library whose endpoints all have one need not say so.
    virtual bool hasMute() { return true; }
    // Whether the endpoint has levels. One without them is its mute switch alone: its level
    // getters give 0, getVolumeRange() gives 0, 0 and 0, and the level setters are ignored. A
    // library whose endpoints all have levels need not say so.
    virtual bool hasLevels() { return true; }
    // Whether the levels can be set: a level that a control on the device has taken over is
    // read-only, and setVolumeLeft() and setVolumeRight() leave it. A library whose levels can
    // always be set need not say so.
    virtual bool levelsAreWritable() { return true; }
    // Whether the levels are in dB. When not (a control without dB information), every level
    // that getVolumeLeft(), getVolumeRight(), setVolumeLeft() and setVolumeRight() take or give
    // is in percent of the control's raw range: 0 its lowest raw value, 100 its highest.
    // getVolumeRange() then gives 0, 100 and the percent one raw step makes (100 divided by the
    // number of raw steps; the library may make it coarser for a control of more than a million
    // steps). A set goes to the nearest raw value. A library whose levels are all in dB need not
    // say so.
    virtual bool levelsAreInDb() { return true; }

protected:
    ~TarvixMixerDevice() = default;
};
