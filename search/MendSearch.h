#pragma once
// The exchanges of mending (FewestMoves.h): students of one group trade
// classes, so the head counts stay and the bands stay in their ranges.
// MendSearch.cpp mends the rules and takes moves back; MendEvening.cpp
// evens out at the number of moves reached.

#include "search/Placement.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace classdiv::evening {

// The rules above the averages in their order: below zero when the exchange
// mends them, zero when it leaves them, above when it breaks them.
inline long rulesChange(const Change& ch)
{
    if (ch.pairs != 0)
        return ch.pairs;
    if (ch.flags != 0)
        return ch.flags < 0 ? -1 : 1;
    return ch.mix;
}

class MendSearch {
public:
    // held: students that must not move (fixed, in a together set, in a locked class).
    MendSearch(Placement& placement, const std::vector<int>& start, const std::vector<char>& placed,
               const std::vector<char>& held, uint64_t seed);

    // Marked students apart, flag and mixing counts into their ranges, each
    // step the exchange that mends with the fewest moves; what is left
    // broken (pairs, flags and mix of the key).
    Key mendRules();
    // Exchanges that take moves back and leave the rules no worse, one at a
    // time, else two at once.
    void fewerMoves();
    // At the number of moves reached: the averages of each set of linked
    // classes as even as exchanges that keep it find.
    void evenOut();

private:
    bool movable(int s) const { return !m_held[s] && m_placement.isFree(s); }
    // Not where it started, or new: exchanging it may add no move.
    bool away(int s) const { return !m_placed[s] || m_placement.classOf(s) != m_start[s]; }
    int movedIn(int s, int c) const { return m_placed[s] && c != m_start[s] ? 1 : 0; }
    // How many moves exchanging a and b adds.
    int extraMoves(int a, int b) const;
    Key rulesLeft() const; // pairs, flags and mix of the key
    std::optional<Change> pairOfExchanges(bool mend);
    void weighSeconds(int a, int b, int firstMoves, const Change& first, bool mend);
    bool descend(const Component& component, Key& now);
    bool descendInFours(const Component& component, Key& now);
    void descendFully(const Component& component, Key& now);
    void undoExchange(int a, int b);
    void weighSecond(const Component& component, const std::array<int, 4>& four, int firstMoves);
    void shake(const Component& component, int steps);
    void anneal(const Component& component, Key best, const std::function<void(const Key&)>& met);
    std::vector<Component> components() const;

    Placement& m_placement;
    const Problem& m_p;
    const std::vector<int>& m_start;
    const std::vector<char>& m_placed;
    const std::vector<char>& m_held;
    Rng m_rng;
    // Pairs of exchanges weighed at most in a use (descendInFours): on a small
    // year every one, on a large one a bound on the time.
    static constexpr long kFourBudget = 100'000;
    long m_fourBudget;
    // Second exchanges looked at in pairOfExchanges: every one on a small
    // year, a bound on the time on a large one.
    static constexpr long kPairBudget = 400'000;
    long m_pairBudget;
    struct Pair {
        bool found = false;
        std::array<int, 4> four{};
        int moves = 0;
        Change both;
    };
    Pair m_pair; // pairOfExchanges: the best pair so far
    std::optional<std::array<int, 4>> m_bestFour; // descendInFours: the best pair of exchanges so far
    Key m_bestFourKey;
    // [group * bands + band]: the group's students of the band in the group's
    // order, the only ones descendInFours weighs as the second's partner.
    std::vector<std::vector<int>> m_ofBand;
};

} // namespace classdiv::evening
