// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes as a state file through the whole mapping of a card: the state-file card
// plugin serves it, AlsaCard::open() reads its elements and dB curves, and the ALSA library's
// choice picks the output and input volumes.
//
// For each chosen volume in dB it sets the curve's ends and positions sampled between them, reads
// each back and aborts when a level read back leaves the curve's ends, a nearest raw value leaves
// the raw range, or a usable curve reports ends the wrong way round.

#include "alsacard.h"
#include "elementchoice.h"

#include <alsa/asoundlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_cardmapping: %s\n", what);
    std::abort();
}

void quiet(const char*, int, const char*, int, const char*, ...) {}

const std::string& folder()
{
    static const std::string path = [] {
        char name[] = "/tmp/fuzz_cardmapping-XXXXXX";
        if (!mkdtemp(name))
            fail("no folder for the card");
        snd_lib_error_set_handler(quiet);
        return std::string(name);
    }();
    return path;
}

// Replaces controlC0 in one step, as a card is plugged.
void plug(const std::uint8_t* data, std::size_t size)
{
    const std::string staging = folder() + "/.staging", node = folder() + "/controlC0";
    const int fd = open(staging.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size) || close(fd) != 0 ||
        rename(staging.c_str(), node.c_str()) != 0)
        fail("cannot write the card's state file");
}

void checkLevel(AlsaCard& card, ElementChoice::ChannelRef ref)
{
    const DbCurve& curve = card.curve(ref.element);
    if (!curve.isUsable())
        return;
    const float low = curve.minDb(), high = curve.maxDb();
    if (!(low < high))
        fail("a usable curve's ends are the wrong way round");
    for (int sample = 0; sample <= 8; ++sample) {
        const float db = low + (high - low) * float(sample) / 8.0f;
        const std::optional<long> raw = curve.nearestRaw(db);
        if (!raw || *raw < card.rawMin(ref.element) || *raw > card.rawMax(ref.element))
            fail("a nearest raw value outside the raw range");
        if (card.isWritable(ref.element))
            card.write(ref, *raw);
        const float back = curve.levelDb(card.read(ref));
        if (!std::isinf(back) && (back < low || back > high))
            fail("a level read back outside the curve's ends");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1 << 20))
        return 0;
    plug(data, size);
    const std::unique_ptr<AlsaCard> card = AlsaCard::open(0, TARVIX_STATE_CARD_PLUGIN, folder());
    if (!card)
        return 0;
    using namespace ElementChoice;
    const Choice choice = choose(card->elements());
    for (const EndpointChoice& endpoint : {choice.output, choice.input}) {
        if (!endpoint.hasLevels() || !endpoint.inDb)
            continue;
        checkLevel(*card, endpoint.left);
        checkLevel(*card, endpoint.right);
    }
    return 0;
}
