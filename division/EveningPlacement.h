#pragma once
// Inside the evening-out search: where every student is, and the counts that
// follow from it, kept up to date exchange by exchange. Every rule the search
// weighs is one of these counts: a band of a group in a class against its
// fair range, marked students sharing a class, a mixing value in a class
// against its fair share, and the class sums behind the averages.

#include "division/EveningSearch.h"
#include "division/RandomSource.h"

#include <vector>

namespace classdiv::evening {

// The search draws millions of numbers, far too many to take one by one
// through the program's random source, which only seeds it.
using Rng = Xoshiro256;

// Differences below this are rounding noise of sums of scores.
inline constexpr double kTiny = 1e-9;

// How good a placement is, rule by rule in their order: marked students
// sharing a class, mixing counts outside their fair range, the spread of the
// averages, and last the squared distances of the averages from their mean.
struct Key {
    long pairs = 0;
    long mix = 0;
    double spread = 0;
    double squares = 0;
};
// A rule lower down only decides when every rule above it is equal.
bool better(const Key& a, const Key& b);

// The students in the order of the CSV, in which the table sums class totals.
std::vector<int> fileOrder(const Problem& problem);

// A set of linked classes, and the students who can move within it.
struct Component {
    std::vector<int> classes;
    std::vector<int> movable; // students of its groups that have a choice
    double mean = 0;          // the average of all its students: fixed by the head counts
    int largestClass = 1;
};

// What exchanging two students of one group changes.
struct Change {
    long pairs = 0;
    long mix = 0;
    double averageA = 0; // the new average of the first one's class
    double averageB = 0;
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

    // Brings every band count of group g within its fair range (FairBandRepair.cpp).
    void repairBands(int g, Rng& rng);
    // Counts everything again from the classes.
    void recount();

    Key keyOf(const Component& component) const;
    // What exchanging a and b (one group, two classes) changes; false when a
    // band count would leave its fair range. A step of a compound move may
    // leave it (keepBands false) when the move as a whole keeps it.
    bool change(int a, int b, Change& out, bool keepBands = true) const;
    // Whether the class of `out` keeps its band counts within their fair
    // ranges when `in`, of the same group, takes its place (EveningPatterns.cpp).
    bool bandsAllow(int in, int out) const;
    Key keyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const;
    void apply(int a, int b, const Change& ch);
    // Puts the component's movable students back into the given classes.
    void restore(const Component& component, const std::vector<int>& classes);

    // A random exchange partner for a: anyone of its group, or, half the
    // time, a student a few ranks away, whose score is close. -1: none.
    int partner(int a, Rng& rng) const;

private:
    int bandRow(int s) const; // where the band counts of s's class in its group start

    const Problem& m_p;
    std::vector<int>& m_class;
    std::vector<int> m_local; // the class as an index into the group's classes
    std::vector<int> m_place; // index in its group's students, which run from the highest score
    std::vector<int> m_head;
    std::vector<double> m_invHead;
    std::vector<int> m_groupBase;
    std::vector<int> m_bandCount, m_bandLo, m_bandHi; // [groupBase + local * bands + band]
    std::vector<double> m_sum, m_average;
    std::vector<int> m_markCount;                     // [class * marks + mark]
    std::vector<int> m_mixCount, m_mixLo, m_mixHi;    // [class * values + value]
};

} // namespace classdiv::evening
