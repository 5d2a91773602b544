#pragma once
// Inside the evening-out search: where every student is, and the counts that
// follow from it, kept up to date exchange by exchange. Every rule the search
// weighs is one of these counts: a band of a group in a class against its
// fair range, marked students sharing a class, a value of a flag column or of
// the mixing column in a class against its fair share, and the class sums
// behind the averages.

#include "division/EveningSearch.h"
#include "division/RandomSource.h"

#include <array>
#include <vector>

namespace classdiv::evening {

// The search draws millions of numbers, far too many to take one by one
// through the program's random source, which only seeds it.
using Rng = Xoshiro256;

// Differences below this are rounding noise of sums of scores.
inline constexpr double kTiny = 1e-9;

// How good a placement is, rule by rule in their order: marked students
// sharing a class, each flag column's counts outside their fair range,
// mixing counts outside theirs, the spread of the averages, and last the
// squared distances of the averages from their mean.
struct Key {
    long pairs = 0;
    std::array<long, kFlagColumns> flags{};
    long mix = 0;
    double spread = 0;
    double squares = 0;
};
// A rule lower down only decides when every rule above it is equal.
bool better(const Key& a, const Key& b);
// Every rule and the spread equal: just as good, whatever the squares say.
bool asGood(const Key& a, const Key& b);

// The students in the order of the CSV, in which the table sums class totals.
std::vector<int> fileOrder(const Problem& problem);

// A set of linked classes, and the students who can move within it.
struct Component {
    std::vector<int> classes;
    std::vector<int> movable; // students of its groups that have a choice and are not fixed
    double mean = 0;          // the average of all its students: fixed by the head counts
    int largestClass = 1;
};

// What exchanging two students of one group changes.
struct Change {
    long pairs = 0;
    std::array<long, kFlagColumns> flags{};
    long mix = 0;
    double averageA = 0; // the new average of the first one's class
    double averageB = 0;
    // Nothing above the averages gets worse, and something may get better.
    bool keepsTheRules() const;
    // Only the averages change.
    bool onlyAverages() const;
};

class Placement {
public:
    // classOf: a class per student that keeps every group's head counts.
    Placement(const Problem& problem, std::vector<int>& classOf);

    const Problem& problem() const { return m_p; }
    int classOf(int s) const { return m_class[s]; }
    double average(int c) const { return m_average[c]; }
    double inverseHead(int c) const { return m_invHead[c]; }
    int head(int c) const { return m_head[c]; }
    // Exchanged one for one: neither fixed nor in a together set.
    bool isFree(int s) const { return m_free[s]; }
    // Students whose class differs from the one they started in.
    int movedSinceStart() const { return m_moved; }

    // Fixed students into their classes, together sets each into one class
    // (RulePlacement.cpp); the sets it could not gather.
    std::vector<int> placeRules();
    // Brings every band count of group g within its fair range, as far as
    // fixed students and together sets allow (FairBandRepair.cpp).
    void repairBands(int g, Rng& rng);
    // Counts everything again from the classes.
    void recount();

    Key keyOf(const Component& component) const;
    // What exchanging a and b (one group, two classes) changes; false when a
    // band count would leave its fair range.
    bool change(int a, int b, Change& out) const;
    Key keyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const;
    void apply(int a, int b, const Change& ch);
    // Puts the component's movable students back into the given classes.
    void restore(const Component& component, const std::vector<int>& classes);

    // A random exchange partner for a: anyone of its group, or, half the
    // time, a student a few ranks away, whose score is close. -1: none.
    int partner(int a, Rng& rng) const;

    // A together set moved whole into another class, each member exchanged
    // with a free student of its group there (UnitMoves.cpp). False, and
    // nothing changed, when there are not enough free students or a band
    // would leave its range; else `after` is the component's key and `rules`
    // what the rules above the averages gained or lost.
    struct UnitMove {
        std::vector<std::pair<int, int>> exchanges;
        Change rules;
        Key after;
    };
    bool moveUnit(int unit, const Component& component, const Key& now, Rng& rng, UnitMove& move);
    void undo(const UnitMove& move);

private:
    int bandRow(int s) const; // where the band counts of s's class in its group start
    // The classes a together set may go to, the likeliest first, and its
    // gathering there by exchanges with free students (none made when it fails).
    std::vector<int> unitTargets(int unit) const;
    bool gatherUnit(int unit, int target, std::vector<std::pair<int, int>>& made);
    void exchangeClasses(int a, int b);

    const Problem& m_p;
    std::vector<int>& m_class;
    std::vector<int> m_start; // the classes it started from
    int m_moved = 0;
    std::vector<char> m_free;
    std::vector<char> m_unitPlaced; // while the sets are gathered: those already in their classes
    std::vector<int> m_local; // the class as an index into the group's classes
    std::vector<int> m_place; // index in its group's students, which run from the highest score
    std::vector<int> m_head;
    std::vector<double> m_invHead;
    std::vector<int> m_groupBase;
    std::vector<int> m_bandCount, m_bandLo, m_bandHi; // [groupBase + local * bands + band]
    std::vector<double> m_sum, m_average;
    std::vector<int> m_markCount; // [class * marks + mark]
    // The mixing column and the flag columns: [column][class * values + value],
    // the mixing column last.
    std::array<std::vector<int>, kFlagColumns + 1> m_valueCount, m_valueLo, m_valueHi;
};

} // namespace classdiv::evening
