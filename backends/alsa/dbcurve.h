// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// The dB level of each raw value of a volume element, in hundredths of a dB, reckoned when asked
// from the element's dB description (its TLV: DB_SCALE, DB_MINMAX, DB_MINMAX_MUTE, DB_LINEAR, or
// a DB_RANGE of these) as alsa-lib reckons it. It keeps a few numbers per part of the curve,
// however many raw values the element has, and its arithmetic neither overflows nor divides by
// zero on any range or description a card reports. Built once when a card is opened; immutable
// afterwards, so any thread may read it.
class DbCurve
{
public:
    DbCurve() = default;
    // `tlv` as the element reports it: type, length in bytes, then the values. A description
    // that is malformed or of another kind, or that leaves a raw value of rawMin..rawMax without
    // a level, gives an empty curve. Where parts of a range overlap, the first one counts.
    DbCurve(const std::vector<unsigned int>& tlv, long rawMin, long rawMax);

    // At least two different levels that are not mute, all within a thousand dB of 0 dB, going
    // one way from the first raw value to the last: a range a slider can move over.
    bool isUsable() const;
    // The lowest and highest levels that are not mute; 0 without such a level.
    float minDb() const;
    float maxDb() const;
    // The dB size of one raw step; for a non-uniform curve, the finest step.
    float finestStepDb() const;
    // A mute raw value reads as minus infinity; one outside the range as the nearest end.
    float levelDb(long raw) const;
    // The raw value whose level is nearest `db` (the lowest raw value on a tie); beyond the
    // range, the nearest end; minus infinity: the mute step, if there is one. None for NaN or
    // an empty curve.
    std::optional<long> nearestRaw(float db) const;

private:
    // The raw values first..last, whose levels one description gives over the raw range
    // from..to that it was written for (an element's whole range, or one part of a DB_RANGE).
    struct Part
    {
        long first = 0, last = 0;
        long from = 0, to = 0;
        unsigned int type = 0;
        long low = 0, high = 0; // DB_SCALE: the level of `from` and the step; else min and max
        bool muteAtFrom = false;

        // The first raw value that is not mute, if there is one (else `first`, a mute step).
        long firstAudible() const;
        bool audible(long raw) const;
        long level(long raw) const; // of an audible raw value, within the description's ends
        long rawLevel(long raw) const;
        long finestStep() const;
        bool rises() const;
        // The first raw value from firstAudible() on whose level has reached `centiDb`, going
        // the way the part goes; none if no level has.
        std::optional<long> firstReaching(double centiDb) const;
        // The audible raw value nearest `db`, the lowest on a tie; none if no value is audible.
        std::optional<long> nearest(double db) const;
    };

    // The lowest or the highest level that is not mute; 0 without such a level.
    float extremeDb(bool highest) const;
    static bool readParts(const std::vector<unsigned int>& tlv, std::size_t at, long from, long to,
                          int depth, std::vector<Part>& parts);
    static std::vector<Part> firstMatchWins(const std::vector<Part>& found);
    bool keepsDirection() const;
    const Part* partOf(long raw) const;
    std::optional<long> muteRaw() const;

    std::vector<Part> parts; // in raw order, covering the range without a gap
};
