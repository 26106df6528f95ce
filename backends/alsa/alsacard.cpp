// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsacard.h"

#include "alsaerrors.h"

#include <algorithm>
#include <cerrno>

using ElementChoice::ChannelRef;
using ElementChoice::Kind;

namespace {

Kind kindOf(snd_ctl_elem_type_t type)
{
    switch (type) {
    case SND_CTL_ELEM_TYPE_INTEGER:
        return Kind::Integer;
    case SND_CTL_ELEM_TYPE_BOOLEAN:
        return Kind::Boolean;
    case SND_CTL_ELEM_TYPE_ENUMERATED:
        return Kind::Enumerated;
    default:
        return Kind::Other;
    }
}

// The dB curve of an integer element from its TLV, or an empty one.
DbCurve readCurve(snd_ctl_t* handle, unsigned int numid, long min, long max)
{
    snd_ctl_elem_id_t* id;
    snd_ctl_elem_id_alloca(&id);
    snd_ctl_elem_id_set_numid(id, numid);
    std::vector<unsigned int> tlv(256, 0);
    if (snd_ctl_elem_tlv_read(handle, id, tlv.data(),
                              static_cast<unsigned int>(tlv.size() * sizeof(unsigned int))) < 0)
        return {};
    return DbCurve(tlv, min, max);
}

// A string as alsa-lib's configuration syntax quotes it.
std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + '"';
}

// Opens card N of the state-file card plugin through a configuration made here, so that
// neither the system's ALSA configuration nor the environment has a say.
int openStateCard(snd_ctl_t** handle, int number, const std::string& plugin,
                  const std::string& folder)
{
    const std::string text = "ctl_type.tarvixstate.lib " + quoted(plugin) +
                             "\nctl.card { type tarvixstate card " + std::to_string(number) +
                             " folder " + quoted(folder) + " }\n";
    snd_config_t* config = nullptr;
    snd_input_t* input = nullptr;
    int result = snd_config_top(&config);
    if (result >= 0)
        result = snd_input_buffer_open(&input, text.data(), static_cast<ssize_t>(text.size()));
    if (result >= 0)
        result = snd_config_load(config, input);
    if (result >= 0)
        result = snd_ctl_open_lconf(handle, "card", SND_CTL_NONBLOCK, config);
    if (input)
        snd_input_close(input);
    if (config)
        snd_config_delete(config);
    return result;
}

} // namespace

std::unique_ptr<AlsaCard> AlsaCard::open(int number, const std::string& statePlugin,
                                         const std::string& folder)
{
    std::unique_ptr<AlsaCard> card(new AlsaCard());
    card->cardNumber = number;
    const std::string name = "hw:" + std::to_string(number);
    const int opened = statePlugin.empty()
                           ? snd_ctl_open(&card->handle, name.c_str(), SND_CTL_NONBLOCK)
                           : openStateCard(&card->handle, number, statePlugin, folder);
    if (opened < 0) {
        card->handle = nullptr;
        return nullptr;
    }
    snd_ctl_card_info_t* info;
    snd_ctl_card_info_alloca(&info);
    if (snd_ctl_card_info(card->handle, info) < 0 ||
        snd_ctl_subscribe_events(card->handle, 1) < 0 || !card->loadElements())
        return nullptr;
    card->cardId = snd_ctl_card_info_get_id(info);
    card->cardName = snd_ctl_card_info_get_name(info);
    card->driverName = snd_ctl_card_info_get_driver(info);
    return card;
}

int AlsaCard::check(int number, const std::string& statePlugin, const std::string& folder)
{
    snd_ctl_t* handle = nullptr;
    const int result = openStateCard(&handle, number, statePlugin, folder);
    if (result >= 0)
        snd_ctl_close(handle);
    return std::min(result, 0);
}

AlsaCard::~AlsaCard()
{
    close();
    for (Slot& slot : slots)
        snd_ctl_elem_id_free(slot.id);
}

void AlsaCard::close()
{
    if (handle)
        snd_ctl_close(handle);
    handle = nullptr;
}

bool AlsaCard::loadElements()
{
    snd_ctl_elem_list_t* list;
    snd_ctl_elem_list_alloca(&list);
    if (snd_ctl_elem_list(handle, list) < 0)
        return false;
    const unsigned int count = snd_ctl_elem_list_get_count(list);
    if (snd_ctl_elem_list_alloc_space(list, count) < 0)
        return false;
    const bool listed = snd_ctl_elem_list(handle, list) >= 0;
    for (unsigned int i = 0; listed && i < snd_ctl_elem_list_get_used(list); ++i) {
        snd_ctl_elem_id_t* id;
        if (snd_ctl_elem_id_malloc(&id) < 0)
            break;
        snd_ctl_elem_list_get_id(list, i, id);
        loadElement(id);
    }
    snd_ctl_elem_list_free_space(list);
    return listed;
}

void AlsaCard::loadElement(snd_ctl_elem_id_t* id)
{
    snd_ctl_elem_info_t* info;
    snd_ctl_elem_info_alloca(&info);
    snd_ctl_elem_info_set_id(info, id);
    ElementChoice::Element element;
    Slot slot;
    slot.id = id;
    if (snd_ctl_elem_info(handle, info) == 0) {
        snd_ctl_elem_info_get_id(info, id);
        element.kind = kindOf(snd_ctl_elem_info_get_type(info));
        element.channels = static_cast<int>(std::min(snd_ctl_elem_info_get_count(info), 128u));
        slot.writable = snd_ctl_elem_info_is_writable(info);
        if (element.kind == Kind::Integer) {
            slot.rawMin = snd_ctl_elem_info_get_min(info);
            slot.rawMax = snd_ctl_elem_info_get_max(info);
            element.hasRawRange = slot.rawMax > slot.rawMin;
        }
        if (element.kind == Kind::Integer && snd_ctl_elem_info_is_tlv_readable(info)) {
            slot.curve = readCurve(handle, snd_ctl_elem_id_get_numid(id), slot.rawMin, slot.rawMax);
            element.hasDbRange = slot.curve.isUsable();
        }
        const unsigned int items =
            element.kind == Kind::Enumerated ? snd_ctl_elem_info_get_items(info) : 0;
        for (unsigned int item = 0; item < items && item < 64; ++item) {
            snd_ctl_elem_info_set_item(info, item);
            if (snd_ctl_elem_info(handle, info) == 0)
                element.items.push_back(snd_ctl_elem_info_get_item_name(info));
        }
    } else {
        element.kind = Kind::Other;
    }
    element.name = snd_ctl_elem_id_get_name(id);
    element.index = static_cast<int>(std::min(snd_ctl_elem_id_get_index(id), 65535u));
    slot.numid = snd_ctl_elem_id_get_numid(id);
    slot.values.assign(static_cast<std::size_t>(element.channels), 0);
    descriptions.push_back(std::move(element));
    slots.push_back(std::move(slot));
    readSlot(static_cast<int>(slots.size()) - 1);
}

void AlsaCard::noteError(int error)
{
    if (AlsaErrors::meansCardGone(error))
        failed = true;
}

void AlsaCard::readSlot(int element)
{
    Slot& slot = slots[element];
    if (!handle || failed || slot.values.empty())
        return;
    snd_ctl_elem_value_t* value;
    snd_ctl_elem_value_alloca(&value);
    snd_ctl_elem_value_set_id(value, slot.id);
    const int error = snd_ctl_elem_read(handle, value);
    if (error < 0) {
        noteError(error);
        return;
    }
    for (std::size_t channel = 0; channel < slot.values.size(); ++channel) {
        const unsigned int c = static_cast<unsigned int>(channel);
        switch (descriptions[element].kind) {
        case Kind::Integer:
            slot.values[channel] = snd_ctl_elem_value_get_integer(value, c);
            break;
        case Kind::Boolean:
            slot.values[channel] = snd_ctl_elem_value_get_boolean(value, c);
            break;
        case Kind::Enumerated:
            slot.values[channel] = snd_ctl_elem_value_get_enumerated(value, c);
            break;
        case Kind::Other:
            break;
        }
    }
}

long AlsaCard::read(ChannelRef ref)
{
    if (ref.element < 0 || ref.element >= static_cast<int>(slots.size()))
        return 0;
    readSlot(ref.element);
    const std::vector<long>& values = slots[ref.element].values;
    return ref.channel < static_cast<int>(values.size()) ? values[ref.channel] : 0;
}

void AlsaCard::write(ChannelRef ref, long value)
{
    if (ref.element < 0 || ref.element >= static_cast<int>(slots.size()))
        return;
    Slot& slot = slots[ref.element];
    // A control that a hardware knob has taken over is read-only: leave it alone.
    if (!handle || failed || !slot.writable || ref.channel >= static_cast<int>(slot.values.size()))
        return;
    readSlot(ref.element);
    slot.values[ref.channel] = value;
    snd_ctl_elem_value_t* control;
    snd_ctl_elem_value_alloca(&control);
    snd_ctl_elem_value_set_id(control, slot.id);
    for (std::size_t channel = 0; channel < slot.values.size(); ++channel) {
        const unsigned int c = static_cast<unsigned int>(channel);
        switch (descriptions[ref.element].kind) {
        case Kind::Integer:
            snd_ctl_elem_value_set_integer(control, c, slot.values[channel]);
            break;
        case Kind::Boolean:
            snd_ctl_elem_value_set_boolean(control, c, slot.values[channel]);
            break;
        case Kind::Enumerated:
            snd_ctl_elem_value_set_enumerated(control, c,
                                              static_cast<unsigned int>(slot.values[channel]));
            break;
        case Kind::Other:
            return;
        }
    }
    const int error = snd_ctl_elem_write(handle, control);
    if (error < 0)
        noteError(error);
}

std::vector<pollfd> AlsaCard::pollDescriptors()
{
    if (!handle)
        return {};
    const int count = snd_ctl_poll_descriptors_count(handle);
    std::vector<pollfd> descriptors(static_cast<std::size_t>(std::max(count, 0)));
    const int filled =
        snd_ctl_poll_descriptors(handle, descriptors.data(), static_cast<unsigned int>(count));
    descriptors.resize(static_cast<std::size_t>(std::max(filled, 0)));
    return descriptors;
}

AlsaCard::Events AlsaCard::handleEvents(std::vector<pollfd>& descriptors)
{
    Events events;
    if (!handle || failed) {
        events.gone = true;
        return events;
    }
    unsigned short revents = 0;
    if (snd_ctl_poll_descriptors_revents(handle, descriptors.data(),
                                         static_cast<unsigned int>(descriptors.size()),
                                         &revents) < 0 ||
        (revents & (POLLERR | POLLHUP | POLLNVAL))) {
        events.gone = true;
        return events;
    }
    snd_ctl_event_t* event;
    snd_ctl_event_alloca(&event);
    int result;
    while ((revents & POLLIN) && (result = snd_ctl_read(handle, event)) > 0) {
        if (snd_ctl_event_get_type(event) != SND_CTL_EVENT_ELEM)
            continue;
        const unsigned int mask = snd_ctl_event_elem_get_mask(event);
        const unsigned int numid = snd_ctl_event_elem_get_numid(event);
        // Elements and dB curves are read once, when the card opens: a control that comes, goes
        // or gets another curve (firmware changing mode) means reading the card afresh.
        if (mask == SND_CTL_EVENT_MASK_REMOVE ||
            (mask & (SND_CTL_EVENT_MASK_ADD | SND_CTL_EVENT_MASK_TLV))) {
            events.reshaped = true;
            continue;
        }
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (slots[i].numid != numid)
                continue;
            if ((mask & SND_CTL_EVENT_MASK_VALUE) &&
                std::find(events.changedValues.begin(), events.changedValues.end(),
                          static_cast<int>(i)) == events.changedValues.end())
                events.changedValues.push_back(static_cast<int>(i));
            events.accessChanged |= (mask & SND_CTL_EVENT_MASK_INFO) != 0;
        }
    }
    if ((revents & POLLIN) && AlsaErrors::eventReadFailureMeansGone(result))
        failed = true;
    if (events.accessChanged)
        refreshAccess();
    events.gone = failed;
    return events;
}

void AlsaCard::refreshAccess()
{
    snd_ctl_elem_info_t* info;
    snd_ctl_elem_info_alloca(&info);
    for (Slot& slot : slots) {
        snd_ctl_elem_info_set_id(info, slot.id);
        if (snd_ctl_elem_info(handle, info) == 0)
            slot.writable = snd_ctl_elem_info_is_writable(info);
    }
}
