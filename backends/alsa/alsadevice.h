// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alsacard.h"
#include "alsaendpoint.h"
#include "alsahid.h"
#include "kitdevice.h"

#include <memory>
#include <string>
#include <vector>

class LibraryLock;
class NotificationDispatcher;

// The record of one listed card: the endpoints and switches the card actually has, mapped onto
// its elements. The card object outlives the card's closing, so the record stays usable until
// its removal has been delivered. Built and changed with the library lock held.
class AlsaDevice final : public KitDevice<AlsaEndpoint, AlsaHid>
{
public:
    AlsaDevice(std::shared_ptr<AlsaCard> card, std::string id, LibraryLock& lock,
               NotificationDispatcher& dispatcher);

    AlsaCard& card() { return *openCard; }
    // Tells the endpoints' listeners of what `changedElements` touch, once per endpoint.
    void reportChanges(const std::vector<int>& changedElements);
    void reportAllLevels();

private:
    std::shared_ptr<AlsaCard> openCard;
    std::string explanationText;
};
