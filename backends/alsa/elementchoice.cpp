#include "elementchoice.h"

#include <optional>
#include <strings.h>

namespace ElementChoice {

namespace {

const char* const kPlayback = " Playback Volume";
const char* const kCapture = " Capture Volume";

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool startsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

std::string cut(std::string name)
{
    if (name.size() > kNameBytes)
        name.resize(kNameBytes);
    return name;
}

// What a name is before `suffix`, also when the card cut the name within the suffix.
std::optional<std::string> baseOf(const std::string& name, const std::string& suffix)
{
    if (endsWith(name, suffix))
        return name.substr(0, name.size() - suffix.size());
    // The cut must leave at least the direction word (" Playback", " Capture").
    const std::size_t direction = suffix.find(' ', 1);
    for (std::size_t kept = suffix.size() - 1; name.size() == kNameBytes && kept >= direction;
         --kept) {
        if (endsWith(name, suffix.substr(0, kept)))
            return name.substr(0, name.size() - kept);
    }
    return std::nullopt;
}

// An enum of the items Off and On, which acts as a switch.
bool isOffOn(const Element& element)
{
    return element.kind == Kind::Enumerated && element.items.size() == 2 &&
           strcasecmp(element.items[0].c_str(), "Off") == 0 &&
           strcasecmp(element.items[1].c_str(), "On") == 0;
}

bool isSwitch(const Element& element)
{
    return element.channels > 0 && (element.kind == Kind::Boolean || isOffOn(element));
}

// The element of a (possibly cut) name and kind: of `index`, else of the lowest index.
int findByName(const std::vector<Element>& elements, const std::string& name, Kind kind,
               int index = 0)
{
    int best = -1;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Element& element = elements[i];
        if (element.name != cut(name) || element.kind != kind || element.channels <= 0)
            continue;
        if (element.index == index)
            return static_cast<int>(i);
        if (best < 0 || element.index < elements[best].index)
            best = static_cast<int>(i);
    }
    return best;
}

// The volume with the lowest index, then the first listed, among those with a dB range (else
// those without one) whose name before `suffix` passes `matches`.
template <typename Match>
int findVolume(const std::vector<Element>& elements, bool inDb, const char* suffix, Match matches)
{
    int best = -1;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Element& element = elements[i];
        if (element.kind != Kind::Integer || element.channels <= 0 ||
            (inDb ? !element.hasDbRange : element.hasDbRange || !element.hasRawRange))
            continue;
        const std::optional<std::string> base = baseOf(element.name, suffix);
        if (base && matches(*base) && (best < 0 || element.index < elements[best].index))
            best = static_cast<int>(i);
    }
    return best;
}

int findNamed(const std::vector<Element>& elements, bool inDb, const char* suffix,
              const std::string& name)
{
    return findVolume(elements, inDb, suffix,
                      [&](const std::string& base) { return base == name; });
}

int findPrefixed(const std::vector<Element>& elements, bool inDb, const char* suffix,
                 const std::string& prefix)
{
    return findVolume(elements, inDb, suffix,
                      [&](const std::string& base) { return startsWith(base + " ", prefix); });
}

// The mute switch of a volume: the switch of its name (at 1 not muted), else its "... Mute ...
// Switch" without the volume's parenthesised description or "Gain" (at 1 muted), else the
// card-wide one, if any (at 1 muted).
void findMute(const std::vector<Element>& elements, int volume, const char* suffix,
              const std::string& cardWide, EndpointChoice& choice)
{
    const Element& element = elements[volume];
    const std::string direction =
        std::string(suffix) == kPlayback ? " Playback Switch" : " Capture Switch";
    std::string base = baseOf(element.name, suffix).value_or(element.name);
    int found = findByName(elements, base + direction, Kind::Boolean, element.index);
    if (found < 0) {
        const std::size_t description = base.find(" (");
        base = base.substr(0, description);
        if (endsWith(base, " Gain"))
            base.resize(base.size() - 5);
        found = findByName(elements, base + " Mute" + direction, Kind::Boolean, element.index);
        if (found < 0 && !cardWide.empty())
            found = findByName(elements, cardWide, Kind::Boolean);
        choice.muteInverted = found >= 0;
    }
    if (found < 0)
        return;
    const auto channel = [&](const ChannelRef& ref) {
        return ChannelRef{found, ref.channel < elements[found].channels ? ref.channel : 0};
    };
    choice.switchLeft = channel(choice.left);
    choice.switchRight = channel(choice.right);
}

// One element (its first two channels, or its only one for both sides), or two mono elements,
// or one alone serving both sides; with the mute of the left one's name.
EndpointChoice fromElements(const std::vector<Element>& elements, int left, int right,
                            const char* suffix, const std::string& cardWide)
{
    if (left < 0)
        left = right;
    if (left < 0)
        return {};
    EndpointChoice choice;
    choice.left = {left, 0};
    choice.right = right >= 0 && right != left
                       ? ChannelRef{right, 0}
                       : ChannelRef{left, elements[left].channels >= 2 ? 1 : 0};
    findMute(elements, left, suffix, cardWide, choice);
    if (right >= 0 && right != left) {
        EndpointChoice own = choice;
        own.left = choice.right;
        findMute(elements, right, suffix, cardWide, own);
        choice.switchRight = own.switchLeft;
    }
    return choice;
}

EndpointChoice chooseFrom(const std::vector<Element>& elements, bool inDb,
                          std::initializer_list<const char*> names, const char* suffix,
                          const std::string& cardWide)
{
    for (const char* name : names) {
        const int index = findNamed(elements, inDb, suffix, name);
        if (index >= 0)
            return fromElements(elements, index, -1, suffix, cardWide);
    }
    return {};
}

// The inputs a phantom power switch serves: "Line In N Phantom Power Capture Switch", or
// "Line In N-M ..." for a group.
bool phantomInputs(const std::string& name, int& first, int& last)
{
    const std::string prefix = "Line In ", suffix = " Phantom Power Capture Switch";
    if (!startsWith(name, prefix) || !endsWith(name, suffix) ||
        name.size() <= prefix.size() + suffix.size())
        return false;
    const std::string inputs =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const std::size_t dash = inputs.find('-');
    const auto number = [](const std::string& digits, int& value) {
        if (digits.empty() || digits.size() > 4 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        value = std::stoi(digits);
        return true;
    };
    if (!number(inputs.substr(0, dash), first))
        return false;
    last = first;
    return dash == std::string::npos || number(inputs.substr(dash + 1), last);
}

EndpointChoice outputIn(const std::vector<Element>& elements, bool inDb)
{
    const std::string cardWide = "Mute Playback Switch";
    EndpointChoice choice =
        chooseFrom(elements, inDb, {"Master", "Speaker", "Headphone", "PCM"}, kPlayback, cardWide);
    if (choice.present())
        return choice;
    const int product = findVolume(elements, inDb, kPlayback, [](const std::string& base) {
        return endsWith(base, " Output");
    });
    if (product >= 0)
        return fromElements(elements, product, -1, kPlayback, cardWide);
    return fromElements(elements, findPrefixed(elements, inDb, kPlayback, "Line 01 "),
                        findPrefixed(elements, inDb, kPlayback, "Line 02 "), kPlayback, cardWide);
}

EndpointChoice inputIn(const std::vector<Element>& elements, bool inDb)
{
    EndpointChoice choice = chooseFrom(elements, inDb, {"Mic", "Capture", "Line"}, kCapture, {});
    if (choice.present())
        return choice;
    choice = fromElements(elements, findPrefixed(elements, inDb, kCapture, "Line In 1 Gain "),
                          findPrefixed(elements, inDb, kCapture, "Line In 2 Gain "), kCapture, {});
    if (choice.present())
        return choice;
    const int any = findVolume(elements, inDb, kCapture, [](const std::string&) { return true; });
    return fromElements(elements, any, -1, kCapture, {});
}

// The choice among volumes with a dB range, else among those without.
template <typename Choose>
EndpointChoice preferringDb(const std::vector<Element>& elements, Choose choose)
{
    EndpointChoice choice = choose(elements, true);
    if (choice.present())
        return choice;
    choice = choose(elements, false);
    choice.inDb = false;
    return choice;
}

} // namespace

EndpointChoice chooseOutput(const std::vector<Element>& elements)
{
    return preferringDb(elements, outputIn);
}

EndpointChoice chooseInput(const std::vector<Element>& elements)
{
    return preferringDb(elements, inputIn);
}

SwitchChoice chooseSwitches(const std::vector<Element>& elements)
{
    SwitchChoice choice;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Element& element = elements[i];
        const int index = static_cast<int>(i);
        int first = 0, last = 0;
        if (isSwitch(element) && phantomInputs(element.name, first, last)) {
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
