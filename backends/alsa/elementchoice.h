#pragma once

#include <cstddef>
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
    int index = 0; // tells apart elements that share a name
    Kind kind = Kind::Other;
    int channels = 0;
    bool hasDbRange = false;        // an integer element whose dB curve spans more than one level
    bool hasRawRange = false;       // an integer element of more than one raw value
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
    ChannelRef switchLeft, switchRight; // mute switches; may be absent
    bool muteInverted = false;          // a "... Mute ..." switch: at 1 muted, else at 1 not muted
    bool inDb = true;                   // false: volumes without a dB range, set in raw steps
    bool present() const { return left.present() && right.present(); }
};

struct SwitchChoice
{
    ChannelRef phantomLeft, phantomRight;
    int monitor = -1; // "Direct Monitor Playback Switch" or "... Enum"
    bool monitorIsEnum = false;
    bool present() const { return phantomLeft.present() || phantomRight.present() || monitor >= 0; }
};

// The longest element name a card reports; longer names are cut to it.
inline constexpr std::size_t kNameBytes = 43;

// Volumes with a dB range come first: only where no volume with one fits an endpoint does the
// same choice run again over the volumes without one (inDb false), which must span more than one
// raw value.
//
// The output: the first playback volume named Master, Speaker, Headphone or PCM, else one named
// "<product> Output", else the first pair of per-channel outputs ("Line 01 ...", "Line 02 ...").
// Among elements of one name the lowest index wins; a switch of the same index as its volume,
// else of the lowest, goes with it. A volume's mute is the switch of its name, else its "... Mute
// Playback Switch" (at 1 muted), else the card's "Mute Playback Switch". Mixer inputs, monitor
// mixes and meters never match.
EndpointChoice chooseOutput(const std::vector<Element>& elements);
// The input: the first capture volume named Mic, Capture or Line, else the per-input gains
// ("Line In 1 Gain ...", "Line In 2 Gain ...", or the first alone), else any other capture
// volume. Mutes as for the output, without a card-wide one.
EndpointChoice chooseInput(const std::vector<Element>& elements);
// Phantom power per input ("Line In N Phantom Power Capture Switch", or one grouped over
// inputs 1-2) and direct monitoring. A switch is a boolean element or an enum of the two items
// Off and On.
SwitchChoice chooseSwitches(const std::vector<Element>& elements);

} // namespace ElementChoice
