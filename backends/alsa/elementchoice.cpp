// SPDX-License-Identifier: GPL-3.0-or-later
#include "elementchoice.h"

#include <strings.h>
#include <unordered_map>

namespace ElementChoice {

namespace {

using NameRules::Form;
using NameRules::Role;
using NameRules::Rule;

// What a pattern found in a name: the number '#' stood for (first..last), and the name as the
// pattern spells it where the card cut it.
struct Match
{
    int first = 0, last = 0;
    std::string full;
};

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string cut(std::string name)
{
    if (name.size() > kNameBytes)
        name.resize(kNameBytes);
    return name;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number of at most four digits at name[at], moving `at` past it.
bool readNumber(const std::string& name, std::size_t& at, int& value)
{
    std::size_t end = at;
    while (end < name.size() && isDigit(name[end]))
        ++end;
    if (end == at || end - at > 4)
        return false;
    value = std::stoi(name.substr(at, end - at));
    at = end;
    return true;
}

// A name the card cut ends where the pattern still has text: a match when only part of the
// name's last word is gone.
bool cutWithin(const char* rest, const std::string& name, Match& match)
{
    const std::string text(rest);
    if (name.size() != kNameBytes || text.find_first_of("*#") != std::string::npos ||
        text.find(' ', 1) != std::string::npos)
        return false;
    match.full = name + text;
    return true;
}

bool globFrom(const char* pattern, const std::string& name, std::size_t at, Match& match)
{
    for (; *pattern; ++pattern) {
        if (*pattern == '*') {
            for (std::size_t from = at; from <= name.size(); ++from) {
                if (globFrom(pattern + 1, name, from, match))
                    return true;
            }
            return false;
        }
        if (at == name.size())
            return cutWithin(pattern, name, match);
        if (*pattern == '#') {
            if (!readNumber(name, at, match.first))
                return false;
            match.last = match.first;
            std::size_t dash = at + 1;
            if (at < name.size() && name[at] == '-' && readNumber(name, dash, match.last))
                at = dash;
            continue;
        }
        if (name[at++] != *pattern)
            return false;
    }
    match.full = name;
    return at == name.size();
}

bool matches(const char* pattern, const std::string& name, Match& match)
{
    return globFrom(pattern, name, 0, match);
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

bool isMute(const Element& element)
{
    return element.channels > 0 && element.kind == Kind::Boolean;
}

bool isEnum(const Element& element)
{
    return element.channels > 0 && element.kind == Kind::Enumerated;
}

// An integer element with a dB range (inDb), else one without whose raw range is wider than one
// value.
bool isLevel(const Element& element, bool inDb)
{
    return element.kind == Kind::Integer && element.channels > 0 &&
           (inDb ? element.hasDbRange : !element.hasDbRange && element.hasRawRange);
}

// The elements, which of them never serve, and their names.
class Card
{
public:
    explicit Card(const std::vector<Element>& elements) : elements(elements)
    {
        never.resize(elements.size());
        for (std::size_t i = 0; i < elements.size(); ++i) {
            byName[elements[i].name].push_back(static_cast<int>(i));
            Match unused;
            for (std::size_t n = 0; n < NameRules::kNeverCount && !never[i]; ++n)
                never[i] = matches(NameRules::kNever[n], elements[i].name, unused);
        }
    }

    const Element& operator[](int i) const { return elements[static_cast<std::size_t>(i)]; }

    // Calls found(element, match) for each element, in listing order, that `rule` matches and
    // `fits` accepts.
    template <typename Fits, typename Found>
    void forEachMatch(const Rule& rule, Fits fits, Found found) const
    {
        for (std::size_t i = 0; i < elements.size(); ++i) {
            Match match;
            if (!never[i] && fits(elements[i]) && matches(rule.pattern, elements[i].name, match))
                found(static_cast<int>(i), match);
        }
    }

    // Whether `candidate` comes before `best` (none: -1): a lower index, else listed first.
    bool before(int candidate, int best) const
    {
        return best < 0 || (*this)[candidate].index < (*this)[best].index;
    }

    // The element of a (possibly cut) name that `fits` accepts: of `index`, else of the lowest.
    template <typename Fits> int named(const std::string& name, Fits fits, int index = 0) const
    {
        const auto found = byName.find(cut(name));
        if (found == byName.end())
            return -1;
        int best = -1;
        for (int i : found->second) {
            if (never[static_cast<std::size_t>(i)] || !fits((*this)[i]))
                continue;
            if ((*this)[i].index == index)
                return i;
            if (before(i, best))
                best = i;
        }
        return best;
    }

    // The first element of the lowest index that `rule` matches and `fits` accepts.
    template <typename Fits> int first(const Rule& rule, Fits fits) const
    {
        if (std::string(rule.pattern).find_first_of("*#") == std::string::npos)
            return named(rule.pattern, fits);
        int best = -1;
        forEachMatch(rule, fits, [&](int i, const Match&) {
            if (before(i, best))
                best = i;
        });
        return best;
    }

private:
    const std::vector<Element>& elements;
    std::vector<bool> never;
    std::unordered_map<std::string, std::vector<int>> byName;
};

std::string withoutVolume(const std::string& name)
{
    return endsWith(name, " Volume") ? name.substr(0, name.size() - 7) : name;
}

// "<level> Switch": a level's switch of its name.
std::string ownSwitchName(const std::string& level)
{
    return withoutVolume(level) + " Switch";
}

// "<level> Mute Switch": the level's name without its parenthesised description or "Gain", then
// " Mute", its direction word, " Switch".
std::string ownMuteName(const std::string& level)
{
    std::string base = withoutVolume(level), direction;
    for (const char* word : {" Playback", " Capture"}) {
        if (endsWith(base, word)) {
            direction = word;
            base.resize(base.size() - direction.size());
        }
    }
    base = base.substr(0, base.find(" ("));
    if (endsWith(base, " Gain"))
        base.resize(base.size() - 5);
    return base + " Mute" + direction + " Switch";
}

Role muteRoleOf(Role levelRole)
{
    return levelRole == Role::OutputLevel ? Role::OutputMute : Role::InputMute;
}

struct MuteFound
{
    int element = -1;
    const Rule* rule = nullptr;
    bool inverted = false;
};

// The mute of the level `element`, named `level` in full.
MuteFound findLevelMute(const Card& card, Role role, int element, const std::string& level)
{
    for (std::size_t r = 0; r < NameRules::kRuleCount; ++r) {
        const Rule& rule = NameRules::kRules[r];
        if (rule.role != role)
            continue;
        int found = -1;
        if (rule.form == Form::OwnSwitch)
            found = card.named(ownSwitchName(level), isMute, card[element].index);
        else if (rule.form == Form::OwnMute)
            found = card.named(ownMuteName(level), isMute, card[element].index);
        else if (rule.form == Form::CardMute)
            found = card.first(rule, isMute);
        if (found >= 0)
            return {found, &rule, rule.form != Form::OwnSwitch};
    }
    return {};
}

// One side's switch channel for a volume channel: the same channel, else the switch's first.
ChannelRef switchChannel(const Card& card, int element, const ChannelRef& volume)
{
    return {element, volume.channel < card[element].channels ? volume.channel : 0};
}

struct LevelFound
{
    int left = -1, right = -1;
    std::string leftName, rightName;
    const Rule* rule = nullptr;
};

// Takes a level that `rule` matched, if it comes first on its side.
void takeLevel(const Card& card, const Rule& rule, int element, const Match& match,
               LevelFound& found)
{
    found.rule = &rule;
    const bool left = rule.form == Form::Level || match.first == 1;
    if (left && card.before(element, found.left)) {
        found.left = element;
        found.leftName = match.full;
    } else if (!left && match.first == 2 && card.before(element, found.right)) {
        found.right = element;
        found.rightName = match.full;
    }
}

// A pair of which only the right side was found serves both sides with it.
bool completed(LevelFound& found)
{
    if (found.left < 0) {
        found.left = found.right;
        found.leftName = found.rightName;
    }
    return found.left >= 0;
}

// The first level rule that a level with a dB range matches, else the first that one without
// matches (inDb false); each rule looks at each element once.
LevelFound findLevel(const Card& card, Role role, bool& inDb)
{
    LevelFound firstRaw;
    for (std::size_t r = 0; r < NameRules::kRuleCount; ++r) {
        const Rule& rule = NameRules::kRules[r];
        if (rule.role != role || (rule.form != Form::Level && rule.form != Form::LevelPair))
            continue;
        LevelFound db, raw;
        card.forEachMatch(
            rule, [](const Element& e) { return isLevel(e, true) || isLevel(e, false); },
            [&](int i, const Match& match) {
                takeLevel(card, rule, i, match, isLevel(card[i], true) ? db : raw);
            });
        if (completed(db)) {
            inDb = true;
            return db;
        }
        if (firstRaw.left < 0 && completed(raw))
            firstRaw = raw;
    }
    inDb = false;
    return firstRaw;
}

// One element (its first two channels, or its only one for both sides), or two of a pair, with
// their mutes.
EndpointChoice fromLevel(const Card& card, Role role, const LevelFound& level)
{
    EndpointChoice choice;
    choice.levelRule = level.rule;
    const bool paired = level.right >= 0 && level.right != level.left;
    choice.left = {level.left, 0};
    choice.right = paired ? ChannelRef{level.right, 0}
                          : ChannelRef{level.left, card[level.left].channels >= 2 ? 1 : 0};
    const MuteFound mute = findLevelMute(card, muteRoleOf(role), level.left, level.leftName);
    if (mute.element < 0)
        return choice;
    choice.muteRule = mute.rule;
    choice.muteInverted = mute.inverted;
    choice.switchLeft = switchChannel(card, mute.element, choice.left);
    choice.switchRight = switchChannel(card, mute.element, choice.right);
    if (paired) {
        const MuteFound own = findLevelMute(card, muteRoleOf(role), level.right, level.rightName);
        choice.switchRight =
            own.element >= 0 ? switchChannel(card, own.element, choice.right) : ChannelRef{};
    }
    return choice;
}

// A direction without a level: the first switch a mute rule names.
EndpointChoice muteAlone(const Card& card, Role muteRole)
{
    EndpointChoice choice;
    for (std::size_t r = 0; r < NameRules::kRuleCount; ++r) {
        const Rule& rule = NameRules::kRules[r];
        if (rule.role != muteRole || rule.form == Form::OwnSwitch || rule.form == Form::OwnMute)
            continue;
        const int found = card.first(rule, isMute);
        if (found < 0)
            continue;
        choice.muteRule = &rule;
        choice.muteInverted = rule.form != Form::Switch;
        choice.switchLeft = {found, 0};
        choice.switchRight = {found, card[found].channels >= 2 ? 1 : 0};
        break;
    }
    return choice;
}

EndpointChoice chooseEndpoint(const Card& card, Role role)
{
    bool inDb = true;
    const LevelFound level = findLevel(card, role, inDb);
    if (level.left < 0)
        return muteAlone(card, muteRoleOf(role));
    EndpointChoice choice = fromLevel(card, role, level);
    choice.inDb = inDb;
    return choice;
}

SwitchChoice chooseSwitches(const Card& card)
{
    SwitchChoice choice;
    for (std::size_t r = 0; r < NameRules::kRuleCount; ++r) {
        const Rule& rule = NameRules::kRules[r];
        if (rule.role == Role::Phantom) {
            card.forEachMatch(rule, isSwitch, [&](int i, const Match& match) {
                const bool all = rule.form != Form::Inputs;
                if (!choice.phantomLeft.present() && (all || match.first <= 1) &&
                    (all || match.last >= 1)) {
                    choice.phantomLeft = {i, 0};
                    choice.phantomLeftRule = &rule;
                }
                if (!choice.phantomRight.present() && (all || match.first <= 2) &&
                    (all || match.last >= 2)) {
                    choice.phantomRight = {i, 0};
                    choice.phantomRightRule = &rule;
                }
            });
        } else if (rule.role == Role::Loopback && choice.monitor < 0) {
            const bool isEnumRule = rule.form == Form::MonitorEnum;
            choice.monitor = isEnumRule ? card.first(rule, isEnum) : card.first(rule, isSwitch);
            choice.monitorIsEnum = isEnumRule && choice.monitor >= 0;
            choice.monitorRule = choice.monitor >= 0 ? &rule : nullptr;
        }
    }
    return choice;
}

} // namespace

Choice choose(const std::vector<Element>& elements)
{
    const Card card(elements);
    return {chooseEndpoint(card, Role::OutputLevel), chooseEndpoint(card, Role::InputLevel),
            chooseSwitches(card)};
}

} // namespace ElementChoice
