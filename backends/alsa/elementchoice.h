#pragma once

#include <string>
#include <vector>

// Which of a card's control elements serve the mixer's output and input endpoints and its
// hardware switches, chosen from the element names alone. Pure functions over element
// descriptions, so that they are reached without a card; the caller holds whatever lock guards
// the descriptions.
namespace ElementChoice {

enum class Kind { Integer, Boolean, Enumerated, Other };

struct Element
{
    std::string name;
    Kind kind = Kind::Other;
    int channels = 0;
    bool hasDbRange = false;        // an integer element whose dB curve spans more than one level
    std::vector<std::string> items; // enumerated elements: item names
};

// One channel of one element; element -1 means none.
struct ChannelRef
{
    int element = -1;
    int channel = 0;
    bool present() const { return element >= 0; }
    bool operator==(const ChannelRef& other) const
    {
        return element == other.element && channel == other.channel;
    }
};

struct EndpointChoice
{
    ChannelRef left, right;             // volume channels
    ChannelRef switchLeft, switchRight; // mute switches (at 1: not muted); may be absent
    bool present() const { return left.present() && right.present(); }
};

struct SwitchChoice
{
    ChannelRef phantomLeft, phantomRight;
    int monitor = -1; // "Direct Monitor Playback Switch" or "... Enum"
    bool monitorIsEnum = false;
    bool present() const { return phantomLeft.present() || phantomRight.present() || monitor >= 0; }
};

// The first playback volume with a dB range among Master, Speaker, Headphone and PCM, else the
// first pair of per-channel outputs ("Line 01 ...", "Line 02 ...").
EndpointChoice chooseOutput(const std::vector<Element>& elements);
// The first capture volume with a dB range among Mic, Capture and Line, else the per-channel
// input gains ("Line In 1 Gain ...", "Line In 2 Gain ...").
EndpointChoice chooseInput(const std::vector<Element>& elements);
// Phantom power per input ("Line In N Phantom Power Capture Switch", or one grouped over
// inputs 1-2) and direct monitoring.
SwitchChoice chooseSwitches(const std::vector<Element>& elements);

} // namespace ElementChoice
