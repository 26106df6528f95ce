// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCheckBox;
class QLabel;
class QString;
class QSlider;
class TarvixMixerDevice;
struct TarvixDevice;

// One level slider of the main window with its dB (or percent) read-out, the slider of the other
// channel of its direction and the direction's link box. The row knows which endpoint and which
// channel it stands for and how its direction maps slider positions to levels and read-out texts.
//
// GUI thread only. The window owns the row and the widgets; the caller holds the device
// library's lock around every call that takes a device or an endpoint.
class LevelRow
{
public:
    enum class Direction { Output, Input };
    enum class Channel { Left, Right };

    LevelRow(Direction direction, Channel channel, QSlider* slider, QLabel* label, QSlider* partner,
             QCheckBox* link);

    // The endpoint of `device` this row stands for; null without a device or that endpoint.
    TarvixMixerDevice* endpointOf(TarvixDevice* device) const;

    // The user moved the slider to `position`: sends the level to the row's channel, writes
    // the read-out and, while the link box is not unchecked, moves the partner slider, whose
    // own row then runs nested inside this call. Does nothing without the endpoint, or while
    // the row itself is moving the slider to show the device.
    void setLevel(TarvixDevice* device, int position) const;

    // Sets the slider's limits in endpoint steps, maximum first, and its page step to 6 dB. Output
    // sliders stop at the -72 dB floor whatever `minDb` is. Levels not in dB (percent) get a
    // linear slider over the whole range in either direction, paged by 10 %. A step the mixer
    // cannot divide by leaves them as they are. A slider that the new limits move writes nothing
    // to the device.
    void setRange(float minDb, float maxDb, float stepDb, bool inDb);

    // Enables the slider for a level that can be set; a read-only one still shows the device.
    void setWritable(bool writable) const;

    // For an endpoint without levels (its mute alone) disables the slider and the link box, with
    // `why` as their tool tip, and empties the read-out; with levels, enables the link box and
    // clears both tool tips.
    void setHasLevels(bool hasLevels, const QString& why) const;

    // Writes the channel's level as `endpoint` reports it into the read-out and the slider,
    // writing nothing back to the device.
    void showLevel(TarvixMixerDevice* endpoint, float stepDb);

private:
    float levelOf(TarvixMixerDevice* endpoint) const;
    void showText(const QString& text) const;
    void sendLevel(TarvixMixerDevice* endpoint, float levelDb) const;

    Direction direction;
    Channel channel;
    QSlider* slider;
    QLabel* label;
    QSlider* partner;
    QCheckBox* link;
    // Set while the row moves its slider to show the device rather than for the user.
    bool updating = false;
};
