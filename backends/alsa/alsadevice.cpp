#include "alsadevice.h"

AlsaDevice::AlsaDevice(std::shared_ptr<AlsaCard> card, std::string id, LibraryLock& lock,
                       NotificationDispatcher& dispatcher)
    : openCard(std::move(card)), idText(std::move(id)), nameText(openCard->name())
{
    const auto& elements = openCard->elements();
    const ElementChoice::EndpointChoice out = ElementChoice::chooseOutput(elements);
    if (out.present())
        outputEndpoint = std::make_unique<AlsaEndpoint>(
            *openCard, out, AlsaEndpoint::Direction::Output, lock, dispatcher);
    const ElementChoice::EndpointChoice in = ElementChoice::chooseInput(elements);
    if (in.present())
        inputEndpoint = std::make_unique<AlsaEndpoint>(
            *openCard, in, AlsaEndpoint::Direction::Input, lock, dispatcher);
    const ElementChoice::SwitchChoice switchChoice = ElementChoice::chooseSwitches(elements);
    if (switchChoice.present())
        switches = std::make_unique<AlsaHid>(*openCard, switchChoice, lock);
    TarvixDevice::id = idText.c_str();
    TarvixDevice::name = nameText.c_str();
    output = outputEndpoint.get();
    input = inputEndpoint.get();
    hid = switches.get();
}

bool AlsaDevice::reportChanges(const std::vector<int>& changedElements)
{
    bool outputChanged = false, inputChanged = false, switchChanged = false;
    for (int element : changedElements) {
        outputChanged |= outputEndpoint && outputEndpoint->usesElement(element);
        inputChanged |= inputEndpoint && inputEndpoint->usesElement(element);
        switchChanged |= switches && switches->usesElement(element);
    }
    // One report per endpoint however many of its elements changed.
    if (outputChanged)
        outputEndpoint->reportChange();
    if (inputChanged)
        inputEndpoint->reportChange();
    return switchChanged;
}

void AlsaDevice::reportAllLevels()
{
    if (outputEndpoint)
        outputEndpoint->reportChange();
    if (inputEndpoint)
        inputEndpoint->reportChange();
}
