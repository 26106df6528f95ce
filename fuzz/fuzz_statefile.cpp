// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the state-file card's reader as an `alsactl store` file, then writes
// a value to a few of the controls read and reads the written text back.
//
// It aborts when a refusal names no line or one past the end of the file, or when a write does
// not read back: the same controls with the same names, ranges, curves and values, the written
// control holding exactly what was written.

#include "statefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_statefile: %s\n", what);
    std::abort();
}

bool sameControl(const stateControl& a, const stateControl& b)
{
    return stateSameIdent(&a.id, &b.id) && a.type == b.type && a.min == b.min && a.max == b.max &&
           a.count == b.count && a.items == b.items && a.tlvWords == b.tlvWords &&
           std::equal(a.tlv, a.tlv + a.tlvWords, b.tlv);
}

// A value of the control's range picked by `seed`.
long pick(const stateControl& c, std::uint64_t seed)
{
    const unsigned long span =
        static_cast<unsigned long>(c.max) - static_cast<unsigned long>(c.min);
    const unsigned long offset = span == ~0UL ? seed : seed % (span + 1);
    return static_cast<long>(static_cast<unsigned long>(c.min) + offset);
}

void checkWrite(const stateCard& card, unsigned int key, std::uint64_t seed)
{
    const stateControl& c = card.controls[key];
    std::vector<long> values(c.count);
    for (unsigned int n = 0; n < c.count; ++n)
        values[n] = pick(c, seed * 6364136223846793005ULL + n);
    std::size_t length = 0;
    char* text = stateRewrite(&card, key, values.data(), &length);
    if (!text)
        fail("a write made no text");
    stateCard written;
    stateError error;
    const int read = stateLoadText(text, length, &written, &error);
    std::free(text);
    if (read == -EFBIG)
        return;
    if (read != 0)
        fail(error.reason);
    if (written.count != card.count)
        fail("a write changed the number of controls");
    for (unsigned int k = 0; k < card.count; ++k) {
        const stateControl &before = card.controls[k], &after = written.controls[k];
        const long* expected = k == key ? values.data() : before.values;
        if (!sameControl(before, after) ||
            !std::equal(expected, expected + before.count, after.values))
            fail("a write does not read back");
        for (unsigned int item = 0; item < before.items; ++item)
            if (std::strcmp(before.itemNames[item], after.itemNames[item]) != 0)
                fail("a write changed an item's name");
    }
    stateFree(&written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    stateCard card;
    stateError error;
    const char* text = reinterpret_cast<const char*>(data);
    const int read = stateLoadText(text, size, &card, &error);
    if (read == -EINVAL) {
        const long lines = std::count(text, text + size, '\n') + 1;
        if (error.line < 1 || error.line > lines || !*error.reason)
            fail("a refusal names no line of the file");
        return 0;
    }
    if (read != 0)
        return 0;
    std::uint64_t seed = 1469598103934665603ULL;
    for (std::size_t i = 0; i < size; ++i)
        seed = (seed ^ data[i]) * 1099511628211ULL;
    for (unsigned int key = 0; key < card.count && key < 4; ++key)
        checkWrite(card, key, seed + key);
    stateFree(&card);
    return 0;
}
