#pragma once
// Inside the evening-out search: where every student is, and the counts that
// follow from it, kept up to date exchange by exchange. Every rule the search
// weighs is one of these counts: a band of a group in a class against its
// fair range, marked students sharing a class, a value of a flag column or of
// the mixing column in a class against its fair share, and the class sums
// behind the averages. Its files: Placement.cpp (the counts and the key),
// PlacementRules.cpp (fixed students and together sets into their classes),
// PlacementUnits.cpp (a together set moved whole), PlacementScores.cpp (the
// key with extra score columns); BandRepair, a friend, moves students itself.

#include "search/Key.h"
#include "search/Measures.h"
#include "search/Problem.h"
#include "search/ShareLevels.h"
#include "search/Xoshiro256.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <functional>
#include <vector>

namespace classdiv::evening {

// The search draws millions of numbers, far too many to take one by one
// through the program's random source, which only seeds it.
using Rng = Xoshiro256;

// The students in the order of the CSV, in which the table sums class totals.
std::vector<int> fileOrder(const Problem& problem);

// A set of linked classes, and the students who can move within it.
struct Component {
    std::vector<int> classes;
    std::vector<int> movable; // students of its groups that have a choice and are not fixed
    double mean = 0;          // the average of all its students: fixed by the head counts
    int largestClass = 1;
    std::array<double, kScoreColumns> extraMean{}; // of the counted students, column by column
};

class Placement {
public:
    // classOf: a class per student that keeps every group's head counts.
    Placement(const Problem& problem, std::vector<int>& classOf);

    const Problem& problem() const { return m_p; }
    int classOf(int s) const { return m_class[s]; }
    double average(int c) const { return m_average[c]; }
    // Of extra score column k; NaN where nobody in the class is counted.
    double extraAverage(int k, int c) const { return m_extraAverage[k][c]; }
    // The class sums behind the averages, and the students counted in an extra column.
    double sum(int c) const { return m_sum[c]; }
    double extraSum(int k, int c) const { return m_extraSum[k][c]; }
    int extraCount(int k, int c) const { return m_extraCount[k][c]; }
    double inverseHead(int c) const { return m_invHead[c]; }
    int head(int c) const { return m_head[c]; }
    // The deviations of flag column k (the mixing column: kFlagColumns) and its count of cell class * values + value.
    const ShareLevels& levels(int k) const { return m_levels[k]; }
    int valueCount(int k, int cell) const { return m_valueCount[k][cell]; }
    // Exchanged one for one: neither fixed nor in a together set.
    bool isFree(int s) const { return m_free[s]; }
    // Whether any of these students is in another class than it started in.
    bool movedSinceStart(const std::vector<int>& students) const;

    // Fixed students into their classes, together sets each into one class
    // (PlacementRules.cpp); the sets it could not gather.
    std::vector<int> placeRules();
    // Counts everything again from the classes.
    void recount();

    Key keyOf(const Component& component) const;
    // What exchanging a and b (one group, two classes) changes; false when a
    // band count would leave its fair range. A step of a compound move may
    // leave it (keepBands false) when the move as a whole keeps it.
    bool change(int a, int b, Change& out, bool keepBands = true) const;
    // Whether the class of `out` keeps its band counts within their fair
    // ranges when `in`, of the same group, takes its place.
    bool bandsAllow(int in, int out) const;
    // The range the search keeps a band count of group g in its local'th
    // class within: the fair range, widened where fixed students hold it.
    std::pair<int, int> bandRange(int g, int local, int band) const
    {
        const int i = m_groupBase[g] + local * m_p.bandCount + band;
        return {m_bandLo[i], m_bandHi[i]};
    }
    // Sets that range, where no band repair does (mending keeps the counts it found).
    void setBandRange(int g, int local, int band, int lo, int hi)
    {
        const int i = m_groupBase[g] + local * m_p.bandCount + band;
        m_bandLo[i] = lo;
        m_bandHi[i] = hi;
    }
    // How far the band counts of s's group in s's class lie outside their ranges, summed.
    long bandsOutside(int s) const
    {
        const int row = bandRow(s);
        long sum = 0;
        for (int band = 0; band < m_p.bandCount; ++band)
            sum += outside(m_bandCount[row + band], m_bandLo[row + band], m_bandHi[row + band]);
        return sum;
    }
    Key keyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const;
    // keyOf and keyAfter with extra score columns (PlacementScores.cpp).
    Key scoresKey(const Component& component, const Key& rules, int ca, int cb, const Change* ch) const;
    Key scoresKeyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const;
    void apply(int a, int b, const Change& ch);
    // Puts the component's movable students back into the given classes.
    void restore(const Component& component, const std::vector<int>& classes);

    // A random exchange partner for a: anyone of its group, or, half the
    // time, a student a few ranks away, whose score is close. -1: none.
    int partner(int a, Rng& rng) const;

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
    // Brings the band counts of a group into their ranges by moving
    // students itself (BandRepair.h); the counts are recounted after it.
    friend class BandRepair;

    // Where the band counts of s's class in its group start.
    int bandRow(int s) const { return m_bandBase[s] + m_local[s] * m_p.bandCount; }
    // The classes a together set may go to, the likeliest first, and its
    // gathering there by exchanges with free students (none made when it fails).
    std::vector<int> unitTargets(int unit) const;
    bool gatherUnit(int unit, int target, std::vector<std::pair<int, int>>& made);
    void exchangeClasses(int a, int b);
    // The keep-apart pairs an exchange makes or ends, and its counts moved,
    // where a student is under more than one set (PlacementMarks.cpp).
    long morePairsChange(int a, int b, int ca, int cb) const;
    void moveMoreMarks(int a, int b, int ca, int cb);
    // What exchanging a value va in class ca for vb in cb does to ShareLevels::value of column k.
    int64_t levelChange(int k, int values, int va, int vb, int ca, int cb) const;
    void extraChange(int a, int b, int ca, int cb, Change& out) const;
    void extraApply(int a, int b, int ca, int cb);
    void recountExtras();
    void buildLevels();

    const Problem& m_p;
    std::vector<int>& m_class;
    std::vector<int> m_start; // the classes it started from
    std::vector<char> m_free;
    std::vector<char> m_unitPlaced; // while the sets are gathered: those already in their classes
    std::vector<int> m_local; // the class as an index into the group's classes
    std::vector<int> m_place; // index in its group's students, which run from the highest score
    std::vector<int> m_head;
    std::vector<double> m_invHead;
    std::vector<int> m_groupBase;
    std::vector<int> m_bandBase; // [student]: the group's base, where its band counts start
    std::vector<int> m_bandCount, m_bandLo, m_bandHi; // [groupBase + local * bands + band]
    std::vector<double> m_sum, m_average;
    std::vector<int> m_markCount; // [class * marks + mark]
    // The mixing column and the flag columns: [column][class * values + value],
    // the mixing column last.
    std::array<std::vector<int>, kFlagColumns + 1> m_valueCount, m_valueLo, m_valueHi;
    std::array<ShareLevels, kFlagColumns + 1> m_levels; // inactive for the mixing column of a year without flags
    // The extra score columns: [column][class].
    std::array<std::vector<double>, kScoreColumns> m_extraSum, m_extraAverage;
    std::array<std::vector<int>, kScoreColumns> m_extraCount;
    std::array<double, kScoreColumns + 1> m_scale{}; // scoreScales()
};


// The search calls these millions of times a use: they are inline.


inline bool Placement::change(int a, int b, Change& out, bool keepBands) const
{
    const Student& sa = m_p.students[a];
    const Student& sb = m_p.students[b];
    const int ca = m_class[a];
    const int cb = m_class[b];
    if (keepBands && sa.band != sb.band) {
        const int la = bandRow(a), lb = bandRow(b);
        if (m_bandCount[la + sa.band] <= m_bandLo[la + sa.band] || m_bandCount[la + sb.band] >= m_bandHi[la + sb.band]
            || m_bandCount[lb + sb.band] <= m_bandLo[lb + sb.band] || m_bandCount[lb + sa.band] >= m_bandHi[lb + sa.band])
            return false;
    }
    out.pairs = 0;
    out.mix = 0;
    if (m_p.hasMoreMarks(a) || m_p.hasMoreMarks(b)) [[unlikely]] {
        out.pairs = morePairsChange(a, b, ca, cb);
    } else if (sa.mark != sb.mark) {
        const int marks = m_p.markCount;
        if (sa.mark >= 0)
            out.pairs += m_markCount[cb * marks + sa.mark] - (m_markCount[ca * marks + sa.mark] - 1);
        if (sb.mark >= 0)
            out.pairs += m_markCount[ca * marks + sb.mark] - (m_markCount[cb * marks + sb.mark] - 1);
    }
    // A value of column k moving from one class to the other.
    const auto moved = [&](int k, int values, int va, int vb) {
        const auto shift = [&](int c, int v, int by) {
            const size_t i = static_cast<size_t>(c) * values + v;
            const std::vector<int>& count = m_valueCount[k];
            return outside(count[i] + by, m_valueLo[k][i], m_valueHi[k][i]) - outside(count[i], m_valueLo[k][i], m_valueHi[k][i]);
        };
        long change = 0;
        if (va >= 0)
            change += shift(ca, va, -1) + shift(cb, va, +1);
        if (vb >= 0)
            change += shift(cb, vb, -1) + shift(ca, vb, +1);
        return change;
    };
    out.flags = 0;
    out.levels = {};
    out.mixLevel = 0;
    for (int k = 0; k < m_p.flagColumns; ++k) {
        const int fa = m_p.rules[a].flags[k], fb = m_p.rules[b].flags[k];
        if (fa != fb) {
            out.flags += moved(k, m_p.flagValues[k], fa, fb) * kFlagWeight[k];
            out.levels[k / 2] += levelChange(k, m_p.flagValues[k], fa, fb, ca, cb) << (k % 2 == 0 ? 32 : 0);
        }
    }
    if (sa.mix != sb.mix) {
        out.mix = moved(kFlagColumns, m_p.mixCount, sa.mix, sb.mix);
        if (m_levels[kFlagColumns].active())
            out.mixLevel = levelChange(kFlagColumns, m_p.mixCount, sa.mix, sb.mix, ca, cb);
    }
    const double d = sb.score - sa.score;
    out.averageA = (m_sum[ca] + d) * m_invHead[ca];
    out.averageB = (m_sum[cb] - d) * m_invHead[cb];
    if (m_p.scoreColumns > 0) [[unlikely]]
        extraChange(a, b, ca, cb, out);
    return true;
}

inline void Placement::extraChange(int a, int b, int ca, int cb, Change& out) const
{
    const auto& ea = m_p.extras[a];
    const auto& eb = m_p.extras[b];
    for (int k = 0; k < m_p.scoreColumns; ++k) {
        const double d = eb[k].value - ea[k].value;
        const int n = eb[k].counted - ea[k].counted;
        const int countA = m_extraCount[k][ca] + n, countB = m_extraCount[k][cb] - n;
        out.extraA[k] = countA > 0 ? (m_extraSum[k][ca] + d) / countA : std::numeric_limits<double>::quiet_NaN();
        out.extraB[k] = countB > 0 ? (m_extraSum[k][cb] - d) / countB : std::numeric_limits<double>::quiet_NaN();
    }
}

inline void Placement::extraApply(int a, int b, int ca, int cb)
{
    const auto& ea = m_p.extras[a];
    const auto& eb = m_p.extras[b];
    for (int k = 0; k < m_p.scoreColumns; ++k) {
        const double d = eb[k].value - ea[k].value;
        const int n = eb[k].counted - ea[k].counted;
        m_extraSum[k][ca] += d;
        m_extraSum[k][cb] -= d;
        m_extraCount[k][ca] += n;
        m_extraCount[k][cb] -= n;
        for (const int c : {ca, cb})
            m_extraAverage[k][c] = m_extraCount[k][c] > 0 ? m_extraSum[k][c] / m_extraCount[k][c]
                                                         : std::numeric_limits<double>::quiet_NaN();
    }
}

inline Key Placement::keyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const
{
    if (m_p.scoreColumns > 0) [[unlikely]]
        return scoresKeyAfter(component, now, ca, cb, ch);
    Key key = now;
    addRules(key, ch);
    double high = -std::numeric_limits<double>::infinity();
    double low = std::numeric_limits<double>::infinity();
    for (int c : component.classes) {
        const double a = c == ca ? ch.averageA : (c == cb ? ch.averageB : m_average[c]);
        high = std::max(high, a);
        low = std::min(low, a);
    }
    key.spread = high - low;
    const auto sq = [&](double a) { return (a - component.mean) * (a - component.mean); };
    key.squares = now.squares + sq(ch.averageA) - sq(m_average[ca]) + sq(ch.averageB) - sq(m_average[cb]);
    return key;
}

inline void Placement::apply(int a, int b, const Change& ch)
{
    const Student& sa = m_p.students[a];
    const Student& sb = m_p.students[b];
    const int ca = m_class[a];
    const int cb = m_class[b];
    if (sa.band != sb.band) {
        const int la = bandRow(a), lb = bandRow(b);
        --m_bandCount[la + sa.band];
        ++m_bandCount[la + sb.band];
        --m_bandCount[lb + sb.band];
        ++m_bandCount[lb + sa.band];
    }
    if (sa.mark >= 0) {
        --m_markCount[ca * m_p.markCount + sa.mark];
        ++m_markCount[cb * m_p.markCount + sa.mark];
    }
    if (sb.mark >= 0) {
        --m_markCount[cb * m_p.markCount + sb.mark];
        ++m_markCount[ca * m_p.markCount + sb.mark];
    }
    if (!m_p.moreMarks.empty()) [[unlikely]]
        moveMoreMarks(a, b, ca, cb);
    const auto move = [&](int k, int values, int v, int from, int to) {
        if (v < 0)
            return;
        const int out = from * values + v, in = to * values + v;
        std::vector<int>& count = m_valueCount[k];
        if (m_levels[k].active()) {
            m_levels[k].step(m_levels[k].componentOf(from), {out, count[out], count[out] - 1});
            m_levels[k].step(m_levels[k].componentOf(to), {in, count[in], count[in] + 1});
        }
        --count[out];
        ++count[in];
    };
    move(kFlagColumns, m_p.mixCount, sa.mix, ca, cb);
    move(kFlagColumns, m_p.mixCount, sb.mix, cb, ca);
    for (int k = 0; k < m_p.flagColumns; ++k) {
        move(k, m_p.flagValues[k], m_p.rules[a].flags[k], ca, cb);
        move(k, m_p.flagValues[k], m_p.rules[b].flags[k], cb, ca);
    }
    const double d = sb.score - sa.score;
    m_sum[ca] += d;
    m_sum[cb] -= d;
    m_average[ca] = ch.averageA;
    m_average[cb] = ch.averageB;
    if (m_p.scoreColumns > 0) [[unlikely]]
        extraApply(a, b, ca, cb);
    exchangeClasses(a, b);
}

inline int64_t Placement::levelChange(int k, int values, int va, int vb, int ca, int cb) const
{
    const ShareLevels& levels = m_levels[k];
    const std::vector<int>& count = m_valueCount[k];
    std::array<ShareLevels::Step, 4> steps;
    int n = 0;
    const auto step = [&](int c, int v, int by) {
        const int i = c * values + v;
        steps[n++] = {i, count[i], count[i] + by};
    };
    if (va >= 0) {
        step(ca, va, -1);
        step(cb, va, +1);
    }
    if (vb >= 0) {
        step(cb, vb, -1);
        step(ca, vb, +1);
    }
    const int component = levels.componentOf(ca);
    return levels.after(component, steps.data(), n) - levels.value(component);
}

inline void Placement::exchangeClasses(int a, int b)
{
    std::swap(m_class[a], m_class[b]);
    std::swap(m_local[a], m_local[b]);
}

inline int Placement::partner(int a, Rng& rng) const
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

// The sets of linked classes, each with its students that may move (a group
// with a choice, and `movable`), the average its head counts fix, its largest
// class and its score columns' averages. The search and the mend start here.
std::vector<Component> componentsOf(const Problem& problem, const Placement& placement,
                                    const std::function<bool(int)>& movable);

} // namespace classdiv::evening
