#pragma once
// How good a placement of the evening-out search is (Key), and what one
// exchange changes (Change): rule by rule in their order, then the averages.

#include "search/Problem.h"

#include <array>
#include <cstdint>

// The steps of an exchange that the search weighs millions of times a use,
// kept inside the step that calls them, whatever the compiler would choose:
// split into the placement's parts, they were left as calls, a sixth slower.
#if defined(__GNUC__)
#define CLASSDIV_ALWAYS_INLINE inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define CLASSDIV_ALWAYS_INLINE __forceinline
#else
#define CLASSDIV_ALWAYS_INLINE inline
#endif

namespace classdiv::evening {

// The flag columns' counts outside their fair ranges, column by column in
// their order, as one number: column k counts kFlagWeight[k] a student, so
// that comparing the numbers compares the columns in order (no column ever
// has 2^15 students outside, nor changes by more than a few in one step).
inline constexpr std::array<int64_t, kFlagColumns> kFlagWeight{int64_t(1) << 48, int64_t(1) << 32, int64_t(1) << 16, 1};

// How good a placement is, rule by rule in their order: marked students
// sharing a class, the flag columns' counts outside their fair ranges, their
// deviations from their shares (ShareLevels.h), mixing counts outside theirs
// and their deviations (0 unless Problem::mixingLevels asks for them), the
// spread of the averages, and last the
// squared distances of the averages from their mean. With score columns
// evened beside the main one, spread is the largest normalised spread of
// every column, main the main score's own spread, which decides next, and
// squares are normalised too; without, main stays 0.
struct Key {
    long pairs = 0;
    int64_t flags = 0; // weighted by kFlagWeight
    // ShareLevels::value of flag columns 0 and 1, then 2 and 3, the first of each pair above.
    std::array<int64_t, 2> levels{};
    long mix = 0;
    int64_t mixLevel = 0; // ShareLevels::value of the mixing column
    double spread = 0;
    double main = 0;
    double squares = 0;
    double columns = 0; // with extra columns: the mean of every column's normalised spread, a guide only
};
// A rule lower down only decides when every rule above it is equal.
inline bool better(const Key& a, const Key& b)
{
    if (a.pairs != b.pairs)
        return a.pairs < b.pairs;
    if (a.flags != b.flags)
        return a.flags < b.flags; // column by column, in their order (kFlagWeight)
    if (a.levels != b.levels)
        return a.levels < b.levels;
    if (a.mix != b.mix)
        return a.mix < b.mix;
    if (a.mixLevel != b.mixLevel)
        return a.mixLevel < b.mixLevel;
    if (a.spread < b.spread - kTiny)
        return true;
    if (a.spread > b.spread + kTiny)
        return false;
    if (a.main < b.main - kTiny)
        return true;
    if (a.main > b.main + kTiny)
        return false;
    return a.squares < b.squares - kTiny;
}
// Every rule and the spread equal: just as good, whatever the squares say.
bool asGood(const Key& a, const Key& b);

// What exchanging two students of one group changes.
struct Change {
    long pairs = 0;
    int64_t flags = 0; // weighted by kFlagWeight
    std::array<int64_t, 2> levels{}; // as Key::levels
    long mix = 0;
    int64_t mixLevel = 0;
    double averageA = 0; // the new average of the first one's class
    double averageB = 0;
    // The same for the extra score columns; NaN where nobody is counted.
    // Left unset without extra columns: the search makes millions of these.
    std::array<double, kScoreColumns> extraA;
    std::array<double, kScoreColumns> extraB;
    // Nothing above the averages gets worse: the first rule that changes gets better.
    bool keepsTheRules() const
    {
        return pairs != 0 ? pairs < 0 : flags != 0 ? flags < 0 : levels[0] != 0 ? levels[0] < 0 : levels[1] != 0 ? levels[1] < 0 : mix != 0 ? mix < 0 : mixLevel <= 0;
    }
    // The rules above mixing's level break whatever it and the averages do:
    // the first of the marks and the flags' ranges that changes gets worse,
    // or neither changes, the mixing range gets worse and the flags' levels
    // do not get better (they count before it).
    bool worseAtTop() const
    {
        if (pairs != 0 || flags != 0)
            return pairs != 0 ? pairs > 0 : flags > 0;
        return mix > 0 && (levels[0] != 0 ? levels[0] > 0 : levels[1] >= 0);
    }
    // No marked students meet and no flag or mixing count leaves its range,
    // whatever the deviations within the ranges do.
    bool keepsTheRanges() const { return pairs == 0 && flags == 0 && mix == 0; }
    // Only the averages change.
    bool onlyAverages() const { return pairs == 0 && flags == 0 && levels == std::array<int64_t, 2>{} && mix == 0 && mixLevel == 0; }
    // Adds what another change does to the rules above the averages.
    void addRules(const Change& ch)
    {
        pairs += ch.pairs;
        flags += ch.flags;
        levels[0] += ch.levels[0];
        levels[1] += ch.levels[1];
        mix += ch.mix;
        mixLevel += ch.mixLevel;
    }
};
// The rules of a key after a change.
inline void addRules(Key& key, const Change& ch)
{
    key.pairs += ch.pairs;
    key.flags += ch.flags;
    key.levels[0] += ch.levels[0];
    key.levels[1] += ch.levels[1];
    key.mix += ch.mix;
    key.mixLevel += ch.mixLevel;
}

inline long outside(int count, int lo, int hi) { return count < lo ? lo - count : (count > hi ? count - hi : 0); }

} // namespace classdiv::evening
