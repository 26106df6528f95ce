#pragma once

#include <optional>
#include <vector>

// The dB level of every raw value of a volume element, as its dB description (TLV) gives it,
// in hundredths of a dB; kMuteCentiDb marks a raw value that silences. Built once when a card
// is opened; immutable afterwards, so any thread may read it.
class DbCurve
{
public:
    static constexpr long kMuteCentiDb = -9999999;
    // Larger elements are not used as volumes.
    static constexpr long kMaxRawValues = 65536;

    DbCurve() = default;
    // centiDb[i] is the level of raw value rawMin + i.
    DbCurve(long rawMin, std::vector<long> centiDb);

    // At least two different levels that are not mute: a range a slider can move over.
    bool isUsable() const;
    // The lowest and highest levels that are not mute.
    float minDb() const;
    float maxDb() const;
    // The dB size of one raw step; for a non-uniform curve, the finest step.
    float finestStepDb() const;
    // A mute raw value reads as minus infinity.
    float levelDb(long raw) const;
    // The raw value whose level is nearest `db` (the lower one on a tie); none for NaN.
    std::optional<long> nearestRaw(float db) const;
    long rawMin() const { return first; }
    long rawMax() const { return first + static_cast<long>(levels.size()) - 1; }

private:
    long first = 0;
    std::vector<long> levels;
};
