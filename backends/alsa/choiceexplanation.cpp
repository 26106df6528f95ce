// SPDX-License-Identifier: GPL-3.0-or-later
#include "choiceexplanation.h"

#include <cstdio>

namespace ChoiceExplanation {

namespace {

using ElementChoice::ChannelRef;
using ElementChoice::Element;
using NameRules::Rule;

std::string escaped(const std::string& text)
{
    std::string result;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\')
            result += "\\\\";
        else if (c == '\t')
            result += "\\t";
        else if (c == '\n')
            result += "\\n";
        else if (c == '\r')
            result += "\\r";
        else if (byte < 0x20 || byte == 0x7f) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            result += code;
        } else
            result += c;
    }
    return result;
}

std::string nameOf(const std::vector<Element>& elements, int element)
{
    const Element& e = elements[static_cast<std::size_t>(element)];
    return escaped(e.name) + (e.index != 0 ? "#" + std::to_string(e.index) : std::string());
}

// One element, or the two of a pair; a side without one is left out.
std::string controls(const std::vector<Element>& elements, const ChannelRef& left,
                     const ChannelRef& right)
{
    const std::string first = nameOf(elements, left.element);
    return !right.present() || left.element == right.element
               ? first
               : first + " + " + nameOf(elements, right.element);
}

std::string ruleText(const Rule& rule)
{
    return std::string(rule.pattern) + " (" + rule.origin + ")";
}

std::string line(const char* role, const std::string& control, const std::string& why)
{
    return std::string(role) + '\t' + control + '\t' + why + '\n';
}

std::string endpointLines(const std::vector<Element>& elements,
                          const ElementChoice::EndpointChoice& choice, const char* direction)
{
    const std::string level = std::string(direction) + " level";
    const std::string mute = std::string(direction) + " mute";
    std::string text;
    if (choice.hasLevels())
        text += line(level.c_str(), controls(elements, choice.left, choice.right),
                     ruleText(*choice.levelRule) +
                         (choice.inDb ? "" : "; no dB, so in percent of its raw range"));
    else
        text += line(level.c_str(), "-",
                     std::string("no integer control of more than one value matches an ") + level +
                         " rule");
    if (choice.hasMute())
        text += line(mute.c_str(), controls(elements, choice.switchLeft, choice.switchRight),
                     ruleText(*choice.muteRule));
    else
        text += line(mute.c_str(), "-",
                     choice.hasLevels()
                         ? "the level has no switch of its own and the card no mute rule's"
                         : "no boolean control matches an " + mute + " rule");
    return text;
}

std::string switchLine(const std::vector<Element>& elements, const char* role, int element,
                       const Rule* rule, const char* none, const char* mode = "")
{
    return element >= 0 && rule ? line(role, nameOf(elements, element), ruleText(*rule) + mode)
                                : line(role, "-", none);
}

} // namespace

std::string explain(const std::vector<Element>& elements, const ElementChoice::Choice& choice)
{
    const ElementChoice::SwitchChoice& switches = choice.switches;
    const char* const noPhantom = "no switch matches a phantom power rule for this input";
    const char* const noLoopback =
        "no direct monitoring, sidetone or microphone-to-output switch matches a loopback rule";
    std::string text = endpointLines(elements, choice.output, "output") +
                       endpointLines(elements, choice.input, "input");
    text += switchLine(elements, "phantom left", switches.phantomLeft.element,
                       switches.phantomLeftRule, noPhantom);
    text += switchLine(elements, "phantom right", switches.phantomRight.element,
                       switches.phantomRightRule, noPhantom);
    const bool modes = switches.monitorIsEnum;
    text += switchLine(elements, "loopback left", switches.monitor, switches.monitorRule,
                       noLoopback, modes ? "; its Mono item" : "");
    text += switchLine(elements, "loopback right", switches.monitor, switches.monitorRule,
                       noLoopback, modes ? "; its Stereo item" : "");
    return text;
}

} // namespace ChoiceExplanation
