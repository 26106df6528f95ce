// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dbcurve.h"
#include "elementchoice.h"

#include <alsa/asoundlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One open sound card: its control handle ("hw:<N>" through alsa-lib's configuration), its
// mixer elements, their dB curves, and the last values read.
//
// Lock: every member is called with the library lock held. The library thread polls the
// card's descriptors, reads its events and closes it; any thread reads and writes values.
// Once closed (or once the card has failed) reads return the last values seen and writes are
// ignored, so a record whose removal has not been delivered yet stays usable.
class AlsaCard
{
public:
    struct Events
    {
        bool gone = false;
        std::vector<int> changedValues; // element indices, each once
        bool accessChanged = false;     // an element became read-only or writable
        bool reshaped = false;          // elements came or went: the card must be opened afresh
    };

    // Opens card N read-write; null when it cannot. With a state-file card plugin, card N is
    // the state file controlC<N> in the folder, served by that plugin.
    static std::unique_ptr<AlsaCard> open(int number, const std::string& statePlugin = {},
                                          const std::string& folder = {});
    // Opens and closes card N of a state-file card plugin: 0, or the negative error number with
    // which the plugin (or alsa-lib) refused it.
    static int check(int number, const std::string& statePlugin, const std::string& folder);
    ~AlsaCard();

    AlsaCard(const AlsaCard&) = delete;
    AlsaCard& operator=(const AlsaCard&) = delete;

    int number() const { return cardNumber; }
    const std::string& id() const { return cardId; }
    const std::string& name() const { return cardName; }
    const std::string& driver() const { return driverName; }
    const std::vector<ElementChoice::Element>& elements() const { return descriptions; }
    const DbCurve& curve(int element) const { return slots[element].curve; }
    bool isWritable(int element) const { return slots[element].writable; }
    // An integer element's lowest and highest raw values (0 and 0 for other elements).
    long rawMin(int element) const { return slots[element].rawMin; }
    long rawMax(int element) const { return slots[element].rawMax; }

    long read(ElementChoice::ChannelRef ref);
    void write(ElementChoice::ChannelRef ref, long value);

    // The descriptors to poll, and what they reported.
    std::vector<pollfd> pollDescriptors();
    Events handleEvents(std::vector<pollfd>& descriptors);

    // True once an operation has found the card gone (ENODEV): the library thread then closes it.
    bool hasFailed() const { return failed; }
    void close();

private:
    struct Slot
    {
        snd_ctl_elem_id_t* id = nullptr;
        unsigned int numid = 0;
        bool writable = false;
        long rawMin = 0, rawMax = 0;
        DbCurve curve;
        std::vector<long> values; // last read, per channel
    };

    AlsaCard() = default;
    bool loadElements();
    void loadElement(snd_ctl_elem_id_t* id);
    void readSlot(int element);
    void refreshAccess();
    void noteError(int error);

    snd_ctl_t* handle = nullptr;
    int cardNumber = -1;
    std::string cardId, cardName, driverName;
    std::vector<ElementChoice::Element> descriptions;
    std::vector<Slot> slots;
    bool failed = false;
};
