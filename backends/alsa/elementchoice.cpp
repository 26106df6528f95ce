#include "elementchoice.h"

#include <regex>

namespace ElementChoice {

namespace {

int findByName(const std::vector<Element>& elements, const std::string& name, Kind kind)
{
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (elements[i].name == name && elements[i].kind == kind && elements[i].channels > 0)
            return static_cast<int>(i);
    }
    return -1;
}

bool isVolume(const Element& element)
{
    return element.kind == Kind::Integer && element.channels > 0 && element.hasDbRange;
}

int findVolume(const std::vector<Element>& elements, const std::string& name)
{
    const int index = findByName(elements, name, Kind::Integer);
    return index >= 0 && isVolume(elements[index]) ? index : -1;
}

// The first volume whose name starts with `prefix` and ends with `suffix`.
int findVolumeLike(const std::vector<Element>& elements, const std::string& prefix,
                   const std::string& suffix)
{
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const std::string& name = elements[i].name;
        if (isVolume(elements[i]) && name.size() >= prefix.size() + suffix.size() &&
            name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

// The switch beside a volume: the same name with "Volume" replaced by "Switch".
ChannelRef switchFor(const std::vector<Element>& elements, int volume, int channel)
{
    std::string name = elements[volume].name;
    name.replace(name.size() - 6, 6, "Switch");
    const int index = findByName(elements, name, Kind::Boolean);
    if (index < 0)
        return {};
    return {index, channel < elements[index].channels ? channel : 0};
}

// One element: its first two channels, or its only channel for both sides.
EndpointChoice fromElement(const std::vector<Element>& elements, int index)
{
    const int right = elements[index].channels >= 2 ? 1 : 0;
    return {{index, 0},
            {index, right},
            switchFor(elements, index, 0),
            switchFor(elements, index, right)};
}

// Two mono elements, or one alone serving both sides.
EndpointChoice fromPair(const std::vector<Element>& elements, int left, int right)
{
    if (left < 0)
        left = right;
    if (right < 0)
        right = left;
    if (left < 0)
        return {};
    return {{left, 0}, {right, 0}, switchFor(elements, left, 0), switchFor(elements, right, 0)};
}

EndpointChoice choose(const std::vector<Element>& elements, const std::vector<std::string>& names,
                      const std::string& suffix, const std::string& firstPrefix,
                      const std::string& secondPrefix)
{
    for (const std::string& name : names) {
        const int index = findVolume(elements, name + " " + suffix);
        if (index >= 0)
            return fromElement(elements, index);
    }
    return fromPair(elements, findVolumeLike(elements, firstPrefix, suffix),
                    findVolumeLike(elements, secondPrefix, suffix));
}

} // namespace

EndpointChoice chooseOutput(const std::vector<Element>& elements)
{
    return choose(elements, {"Master", "Speaker", "Headphone", "PCM"}, "Playback Volume",
                  "Line 01 ", "Line 02 ");
}

EndpointChoice chooseInput(const std::vector<Element>& elements)
{
    return choose(elements, {"Mic", "Capture", "Line"}, "Capture Volume", "Line In 1 Gain ",
                  "Line In 2 Gain ");
}

SwitchChoice chooseSwitches(const std::vector<Element>& elements)
{
    static const std::regex phantom(
        "Line In ([0-9]{1,4})(?:-([0-9]{1,4}))? Phantom Power Capture Switch");
    SwitchChoice choice;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Element& element = elements[i];
        const int index = static_cast<int>(i);
        std::smatch match;
        if (element.kind == Kind::Boolean && element.channels > 0 &&
            std::regex_match(element.name, match, phantom)) {
            const int first = std::stoi(match[1].str());
            const int last = match[2].matched ? std::stoi(match[2].str()) : first;
            if (first <= 1 && last >= 1 && !choice.phantomLeft.present())
                choice.phantomLeft = {index, 0};
            if (first <= 2 && last >= 2 && !choice.phantomRight.present())
                choice.phantomRight = {index, 0};
        }
    }
    choice.monitor = findByName(elements, "Direct Monitor Playback Switch", Kind::Boolean);
    if (choice.monitor < 0) {
        choice.monitor = findByName(elements, "Direct Monitor Playback Enum", Kind::Enumerated);
        choice.monitorIsEnum = choice.monitor >= 0;
    }
    return choice;
}

} // namespace ElementChoice
