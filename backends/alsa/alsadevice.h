#pragma once

#include "alsacard.h"
#include "alsaendpoint.h"
#include "alsahid.h"
#include "tarvixdevice.h"

#include <memory>
#include <string>

class LibraryLock;
class NotificationDispatcher;

// The record of one listed card: its id and name, and the endpoints and switches the card
// actually has (each null when it has none). Owns everything it points to; the card object
// outlives the card's closing, so the record stays usable until its removal has been delivered.
// Built and changed with the library lock held.
class AlsaDevice final : public TarvixDevice
{
public:
    AlsaDevice(std::shared_ptr<AlsaCard> card, std::string id, LibraryLock& lock,
               NotificationDispatcher& dispatcher);

    AlsaCard& card() { return *openCard; }
    // Tells the listeners of what `changedElements` touch; true if a switch changed.
    bool reportChanges(const std::vector<int>& changedElements);
    void reportAllLevels();

private:
    std::shared_ptr<AlsaCard> openCard;
    std::string idText;
    std::string nameText;
    std::unique_ptr<AlsaEndpoint> outputEndpoint;
    std::unique_ptr<AlsaEndpoint> inputEndpoint;
    std::unique_ptr<AlsaHid> switches;
};
