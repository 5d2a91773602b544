#pragma once
// Inside the evening-out search: where every student is, and the counts that
// follow from it, kept up to date exchange by exchange. Every rule the search
// weighs is one of these counts: a band of a group in a class against its
// fair range, marked students sharing a class, a value of a flag column or of
// the mixing column in a class against its fair share, and the class sums
// behind the averages. Each kind of count is a part of its own
// (PlacementParts.h), told of every exchange; the placement holds the seats
// and the parts, and weighs an exchange by asking each. Its files:
// Placement.cpp (the counts and the key), PlacementRules.cpp (fixed students
// and together sets into their classes), PlacementUnits.cpp (a together set
// moved whole), PlacementMarks.cpp and PlacementScores.cpp (those parts).

#include "search/FreeSeats.h"
#include "search/Key.h"
#include "search/PlacementParts.h"
#include "search/Problem.h"
#include "search/Xoshiro256.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace classdiv::evening {

// The search draws millions of numbers, far too many to take one by one
// through the program's random source, which only seeds it.
using Rng = Xoshiro256;

// The students in the order of the CSV, in which the table sums class totals.
std::vector<int> fileOrder(const Problem& problem);

class Placement {
public:
    // classOf: a class per student that keeps every group's head counts.
    Placement(const Problem& problem, std::vector<int>& classOf);
    // Its free seats point into its own vectors: a copy would read the original's.
    Placement(const Placement&) = delete;
    Placement& operator=(const Placement&) = delete;

    const Problem& problem() const { return m_p; }
    int classOf(int s) const { return m_seats.classOf(s); }
    // s's class as an index into its group's classes.
    int local(int s) const { return m_seats.local(s); }
    double average(int c) const { return m_sums.average(c); }
    // Of extra score column k; NaN where nobody in the class is counted.
    double extraAverage(int k, int c) const { return m_sums.extraAverage(k, c); }
    // The class sums behind the averages, and the students counted in an extra column.
    double sum(int c) const { return m_sums.sum(c); }
    double extraSum(int k, int c) const { return m_sums.extraSum(k, c); }
    int extraCount(int k, int c) const { return m_sums.extraCount(k, c); }
    double inverseHead(int c) const { return m_sums.inverseHead(c); }
    int head(int c) const { return m_sums.head(c); }
    // The deviations of flag column k (the mixing column: kFlagColumns) and its count of cell class * values + value.
    const ShareLevels& levels(int k) const { return m_values.levels(k); }
    int valueCount(int k, int cell) const { return m_values.count(k, cell); }
    // The counts of flag column k (kFlagColumns: the mixing column) in class c outside their ranges.
    long valuesOutside(int k, int c) const
    {
        return m_values.outsideOf(k, c, k == kFlagColumns ? m_p.mixCount : m_p.flagValues[k]);
    }
    // Exchanged one for one: neither fixed nor in a together set.
    bool isFree(int s) const { return m_free[s]; }
    // Free students held in their classes for a while, then free again.
    void hold(const std::vector<int>& students, bool held);
    // Whether any of these students is in another class than it started in.
    bool movedSinceStart(const std::vector<int>& students) const;

    // Fixed students into their classes, together sets each into one class
    // (PlacementRules.cpp); the sets it could not gather.
    std::vector<int> placeRules();
    // Counts everything again from the classes.
    void recount();

    // Moving students without counting (the band repair): the seats
    // themselves; recount after.
    Seats& seats() { return m_seats; }

    Key keyOf(const Component& component) const;
    // What exchanging a and b (one group, two classes) changes; false when a
    // band count would leave its fair range. A step of a compound move may
    // leave it (keepBands false) when the move as a whole keeps it.
    bool change(int a, int b, Change& out, bool keepBands = true) const { return weigh(a, b, out, keepBands, false); }
    // The same, but cut short where the rules weighed so far already break
    // (Change::worseAtTop): after the marks and the flags' ranges the rest of
    // `out` is left unset, after the mixing range its level. Nothing weighed
    // later can make such an exchange keep the rules, and most of the
    // exchanges the annealing weighs end there.
    CLASSDIV_ALWAYS_INLINE bool changeUnlessWorse(int a, int b, Change& out) const { return weigh(a, b, out, true, true); }
    // Whether the class of `out` keeps its band counts within their fair
    // ranges when `in`, of the same group, takes its place.
    bool bandsAllow(int in, int out) const { return m_bands.allow(in, out, m_seats); }
    // The range the search keeps a band count of group g in its local'th
    // class within: the fair range, widened where fixed students hold it.
    std::pair<int, int> bandRange(int g, int local, int band) const { return m_bands.range(g, local, band); }
    // Sets that range (the band repair, and mending, which keeps the counts it found).
    void setBandRange(int g, int local, int band, int lo, int hi) { m_bands.setRange(g, local, band, lo, hi); }
    // How far the band counts of s's group in s's class lie outside their ranges, summed.
    long bandsOutside(int s) const { return m_bands.outsideOf(s, m_seats.local(s)); }
    Key keyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const
    {
        Key key = now;
        addRules(key, ch);
        m_sums.completeKeyAfter(component, key, ca, cb, ch);
        return key;
    }
    void apply(int a, int b, const Change& ch)
    {
        const Exchange x(m_p, m_seats, a, b);
        m_bands.exchange(x, m_seats);
        m_marks.exchange(x);
        m_values.exchange(x);
        m_sums.exchange(x, ch);
        m_freeSeats.exchange(a, b, m_seats.local(a), m_seats.local(b));
        m_seats.exchange(a, b);
    }
    // Puts the component's movable students back into the given classes.
    void restore(const Component& component, const std::vector<int>& classes);

    // A random exchange partner for a: anyone of its group, or, half the
    // time, a student a few ranks away, whose score is close. -1: none.
    CLASSDIV_ALWAYS_INLINE int partner(int a, Rng& rng) const
    {
        // Close partners make the fine steps at the end, and across a band
        // boundary they are the cheapest way to change a class's band counts.
        constexpr uint32_t kFarthestNeighbour = 4; // ranks up or down
        const Group& group = m_p.groups[m_p.students[a].group];
        const uint32_t size = static_cast<uint32_t>(group.students.size());
        if (rng.next() & 1)
            return group.students[rng.below(size)];
        const int step = 1 + static_cast<int>(rng.below(kFarthestNeighbour));
        const int at = m_place[a] + ((rng.next() & 1) ? step : -step);
        return at >= 0 && at < static_cast<int>(size) ? group.students[at] : -1;
    }

    // A together set moved whole into another class, each member exchanged
    // with a free student of its group there (PlacementUnits.cpp). False, and
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
    CLASSDIV_ALWAYS_INLINE bool weigh(int a, int b, Change& out, bool keepBands, bool cutShort) const
    {
        const Exchange x(m_p, m_seats, a, b);
        if (keepBands && !m_bands.keepRanges(x, m_seats))
            return false;
        out.pairs = m_marks.change(x);
        if (cutShort && out.pairs > 0)
            return true;
        if (!m_values.change(x, out, cutShort))
            return true;
        m_sums.change(x, out);
        return true;
    }

    const Problem& m_p;
    Seats m_seats;
    std::vector<int> m_start; // the classes it started from
    std::vector<char> m_free;
    std::vector<int> m_place; // index in its group's students, which run from the highest score
    BandCounts m_bands;
    MarkCounts m_marks;
    ValueCounts m_values;
    ClassSums m_sums;
    FreeSeats m_freeSeats;
};

// The sets of linked classes, each with its students that may move (a group
// with a choice, and `movable`), the average its head counts fix, its largest
// class and its score columns' averages. The search and the mend start here.
std::vector<Component> componentsOf(const Problem& problem, const Placement& placement,
                                    const std::function<bool(int)>& movable);

} // namespace classdiv::evening
