// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsadevice.h"

#include "choiceexplanation.h"

#include <algorithm>

namespace {

std::unique_ptr<AlsaEndpoint> makeEndpoint(AlsaCard& card,
                                           const ElementChoice::EndpointChoice& choice,
                                           AlsaEndpoint::Direction direction, LibraryLock& lock,
                                           NotificationDispatcher& dispatcher)
{
    if (!choice.present())
        return nullptr;
    return std::make_unique<AlsaEndpoint>(card, choice, direction, lock, dispatcher);
}

} // namespace

AlsaDevice::AlsaDevice(std::shared_ptr<AlsaCard> card, std::string id, LibraryLock& lock,
                       NotificationDispatcher& dispatcher)
    : KitDevice(std::move(id), card->name()), openCard(std::move(card))
{
    const ElementChoice::Choice choice = ElementChoice::choose(openCard->elements());
    explanationText = ChoiceExplanation::explain(openCard->elements(), choice);
    explanation = explanationText.c_str();
    setParts(
        makeEndpoint(*openCard, choice.output, AlsaEndpoint::Direction::Output, lock, dispatcher),
        makeEndpoint(*openCard, choice.input, AlsaEndpoint::Direction::Input, lock, dispatcher),
        choice.switches.present() ? std::make_unique<AlsaHid>(*openCard, choice.switches, lock)
                                  : nullptr);
}

void AlsaDevice::reportChanges(const std::vector<int>& changedElements)
{
    // One report per endpoint however many of its elements changed. Switches are read by poll().
    for (AlsaEndpoint* endpoint : {outputEndpoint(), inputEndpoint()}) {
        const bool changed = endpoint && std::any_of(changedElements.begin(), changedElements.end(),
                                                     [endpoint](int element) {
                                                         return endpoint->usesElement(element);
                                                     });
        if (changed)
            endpoint->reportChange();
    }
}

void AlsaDevice::reportAllLevels()
{
    for (AlsaEndpoint* endpoint : {outputEndpoint(), inputEndpoint()}) {
        if (endpoint)
            endpoint->reportChange();
    }
}
