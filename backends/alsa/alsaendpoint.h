// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elementchoice.h"
#include "kitendpoint.h"

class AlsaCard;
class LibraryLock;

// The output or input endpoint of a card, over the elements ElementChoice picked.
//
// Output levels are the element's real dB levels: a set picks the raw value nearest the level
// asked for, a get reads the level the card holds. Input levels follow the mixer's stepped
// scale (InputGainScale): a set of position p >= 1 sets a real gain of (p - 1) * 6 dB, nearest
// raw value, within the card's range; position 0 sets the raw value of the lowest level (the
// mute step of a curve that has one), whichever end of the raw range that is; a get reports the
// position whose read-out is nearest the real gain. Mute is the switch beside the volume (at 1: not
// muted, or muted for a "... Mute ..." switch); a stereo switch reads as muted when either channel
// is. An endpoint without one reads as not muted and ignores setMute(). An endpoint of a mute
// switch alone (ElementChoice found no level) has no levels, as TarvixMixerDevice describes.
//
// Over volumes without dB (ElementChoice's inDb false) both directions' levels are in percent of
// the raw range, as TarvixMixerDevice describes: a set takes the nearest raw value, a get reads
// the raw value as a percentage; a slider gets one position per raw step, at most a million.
//
// Lock: every operation takes the library lock. reportChange() is called by the library thread
// with the lock held; the listener is told as KitEndpoint tells it.
class AlsaEndpoint final : public KitEndpoint
{
public:
    enum class Direction { Output, Input };

    AlsaEndpoint(AlsaCard& card, const ElementChoice::EndpointChoice& choice, Direction direction,
                 LibraryLock& lock, NotificationDispatcher& dispatcher);

    bool getMute() override;
    void setMute(bool mute) override;
    float getVolumeLeft() override;
    float getVolumeRight() override;
    void setVolumeLeft(float db) override;
    void setVolumeRight(float db) override;
    int getChannelCount() override;
    void getVolumeRange(float* minDb, float* maxDb, float* stepDb) override;
    bool hasMute() override;
    bool hasLevels() override;
    bool levelsAreWritable() override;
    bool levelsAreInDb() override;

    bool usesElement(int element) const;
    using KitEndpoint::reportChange;

private:
    float levelOf(ElementChoice::ChannelRef volume);
    void setLevel(ElementChoice::ChannelRef volume, float db);

    AlsaCard& card;
    const ElementChoice::EndpointChoice choice;
    const Direction direction;
    LibraryLock& lock;
};
