#pragma once
// The parts of the search's Placement (Placement.h), each keeping one kind of
// count. A part knows the problem and a narrow view of the placement
// (Seats.h): the seats (where every student sits, read only) when it counts
// from scratch, and each exchange as it is made. It never sees the placement
// or another part.
//   BandCounts   the band counts of each group's classes and the ranges kept (Placement.cpp)
//   MarkCounts   the marked students of each class (PlacementMarks.cpp)
//   ValueCounts  the values of the flag columns and of the mixing column, and
//                their deviations from their shares (Placement.cpp)
//   ClassSums    the class sums and averages of every score column, and the
//                part of a key they decide (PlacementScores.cpp)

#include "search/Key.h"
#include "search/Measures.h"
#include "search/Problem.h"
#include "search/Seats.h"
#include "search/ShareLevels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace classdiv::evening {

// The band counts of each group's classes: [groupBase + local * bands + band],
// and the range the search keeps each of them within.
class BandCounts {
public:
    explicit BandCounts(const Problem& problem);

    void recount(const Seats& seats);
    // Where the band counts of s's class (local in its group) start.
    int row(int s, int local) const { return m_bandBase[s] + local * m_p.bandCount; }
    // Whether the exchange keeps every band count in its range.
    bool keepRanges(const Exchange& x, const Seats& seats) const
    {
        const int ba = x.sa.band, bb = x.sb.band;
        if (ba == bb)
            return true;
        const int la = row(x.a, seats.local(x.a)), lb = row(x.b, seats.local(x.b));
        return !(m_count[la + ba] <= m_lo[la + ba] || m_count[la + bb] >= m_hi[la + bb] || m_count[lb + bb] <= m_lo[lb + bb] ||
                 m_count[lb + ba] >= m_hi[lb + ba]);
    }
    // Whether `in` may take the place of `out`, as far as the ranges go.
    bool allow(int in, int out, const Seats& seats) const
    {
        const int bandIn = m_p.students[in].band;
        const int bandOut = m_p.students[out].band;
        if (bandIn == bandOut)
            return true;
        const int r = row(out, seats.local(out));
        return m_count[r + bandOut] > m_lo[r + bandOut] && m_count[r + bandIn] < m_hi[r + bandIn];
    }
    // Before the seats change.
    void exchange(const Exchange& x, const Seats& seats)
    {
        const int ba = x.sa.band, bb = x.sb.band;
        if (ba == bb)
            return;
        const int la = row(x.a, seats.local(x.a)), lb = row(x.b, seats.local(x.b));
        --m_count[la + ba];
        ++m_count[la + bb];
        --m_count[lb + bb];
        ++m_count[lb + ba];
    }
    // How far the counts of s's class lie outside their ranges, summed.
    long outsideOf(int s, int local) const
    {
        const int r = row(s, local);
        long sum = 0;
        for (int band = 0; band < m_p.bandCount; ++band)
            sum += outside(m_count[r + band], m_lo[r + band], m_hi[r + band]);
        return sum;
    }
    std::pair<int, int> range(int g, int local, int band) const
    {
        const int i = m_groupBase[g] + local * m_p.bandCount + band;
        return {m_lo[i], m_hi[i]};
    }
    void setRange(int g, int local, int band, int lo, int hi)
    {
        const int i = m_groupBase[g] + local * m_p.bandCount + band;
        m_lo[i] = lo;
        m_hi[i] = hi;
    }

private:
    const Problem& m_p;
    std::vector<int> m_groupBase;
    std::vector<int> m_bandBase; // [student]: the group's base, where its band counts start
    std::vector<int> m_count, m_lo, m_hi;
};

// The marked students of each class: [class * marks + mark].
class MarkCounts {
public:
    explicit MarkCounts(const Problem& problem) : m_p(problem) {}

    void recount(const Seats& seats);
    // The keep-apart pairs an exchange makes, less those it ends.
    long change(const Exchange& x) const
    {
        const int ca = x.ca, cb = x.cb;
        if (m_p.hasMoreMarks(x.a) || m_p.hasMoreMarks(x.b)) [[unlikely]]
            return morePairsChange(x.a, x.b, ca, cb);
        const int ma = x.sa.mark, mb = x.sb.mark;
        long pairs = 0;
        if (ma != mb) {
            const int marks = m_p.markCount;
            if (ma >= 0)
                pairs += m_count[cb * marks + ma] - (m_count[ca * marks + ma] - 1);
            if (mb >= 0)
                pairs += m_count[ca * marks + mb] - (m_count[cb * marks + mb] - 1);
        }
        return pairs;
    }
    void exchange(const Exchange& x)
    {
        const int ca = x.ca, cb = x.cb;
        const int ma = x.sa.mark, mb = x.sb.mark;
        if (ma >= 0) {
            --m_count[ca * m_p.markCount + ma];
            ++m_count[cb * m_p.markCount + ma];
        }
        if (mb >= 0) {
            --m_count[cb * m_p.markCount + mb];
            ++m_count[ca * m_p.markCount + mb];
        }
        if (!m_p.moreMarks.empty()) [[unlikely]]
            moveMoreMarks(x.a, x.b, ca, cb);
    }
    // The keep-apart pairs in class c.
    long pairsIn(int c) const;

private:
    // Where a student is under more than one set (PlacementMarks.cpp).
    long morePairsChange(int a, int b, int ca, int cb) const;
    void moveMoreMarks(int a, int b, int ca, int cb);

    const Problem& m_p;
    std::vector<int> m_count;
};

// The values of the mixing column and the flag columns in each class:
// [column][class * values + value], the mixing column last; their fair
// ranges, and the flag columns' deviations from their shares.
class ValueCounts {
public:
    explicit ValueCounts(const Problem& problem);

    void recount(const Seats& seats);
    const ShareLevels& levels(int k) const { return m_levels[k]; }
    int count(int k, int cell) const { return m_count[k][cell]; }
    // What the exchange does to the flags, their levels and the mixing column;
    // with cutShort, false and only the flags when Change::worseAtTop(), and
    // mixing's level left out when it holds after the mixing range.
    bool change(const Exchange& x, Change& out, bool cutShort = false) const;
    void exchange(const Exchange& x);
    // The counts of column k (values of it) in class c outside their ranges, summed.
    long outsideOf(int k, int c, int values) const
    {
        long sum = 0;
        for (int v = 0; v < values; ++v) {
            const size_t i = static_cast<size_t>(c) * values + v;
            sum += outside(m_count[k][i], m_lo[k][i], m_hi[k][i]);
        }
        return sum;
    }
    // Adds the levels of the component of these linked classes to a key.
    void addLevels(const std::vector<int>& classes, Key& key) const;

private:
    void buildLevels();
    // A value of column k moving from one class to the other: its counts outside their ranges.
    CLASSDIV_ALWAYS_INLINE long moved(int k, int values, int va, int vb, int ca, int cb) const
    {
        const int* count = m_count[k].data();
        const int* lo = m_lo[k].data();
        const int* hi = m_hi[k].data();
        // What one less or one more in cell i does to outside(): as outside()
        // itself gives it (lo <= hi), in two comparisons each.
        const auto less = [&](int c, int v) {
            const size_t i = static_cast<size_t>(c) * values + v;
            return int(count[i] <= lo[i]) - int(count[i] > hi[i]);
        };
        const auto more = [&](int c, int v) {
            const size_t i = static_cast<size_t>(c) * values + v;
            return int(count[i] >= hi[i]) - int(count[i] < lo[i]);
        };
        long change = 0;
        if (va >= 0)
            change += less(ca, va) + more(cb, va);
        if (vb >= 0)
            change += less(cb, vb) + more(ca, vb);
        return change;
    }
    // What exchanging a value va in class ca for vb in cb does to ShareLevels::value of column k.
    int64_t levelChange(int k, int values, int va, int vb, int ca, int cb) const;
    void move(int k, int values, int v, int from, int to);

    const Problem& m_p;
    std::array<std::vector<int>, kFlagColumns + 1> m_count, m_lo, m_hi;
    std::array<ShareLevels, kFlagColumns + 1> m_levels; // inactive for the mixing column of a year without flags
};

// The class sums and averages of the main score and of the extra score
// columns ([column][class]), and the part of a key the averages decide.
class ClassSums {
public:
    explicit ClassSums(const Problem& problem);

    void recount(const Seats& seats);
    double average(int c) const { return m_average[c]; }
    double extraAverage(int k, int c) const { return m_extraAverage[k][c]; }
    double sum(int c) const { return m_sum[c]; }
    double extraSum(int k, int c) const { return m_extraSum[k][c]; }
    int extraCount(int k, int c) const { return m_extraCount[k][c]; }
    double inverseHead(int c) const { return m_invHead[c]; }
    int head(int c) const { return m_head[c]; }

    // The averages of the two classes after the exchange.
    CLASSDIV_ALWAYS_INLINE void change(const Exchange& x, Change& out) const
    {
        const double d = x.sb.score - x.sa.score;
        out.averageA = (m_sum[x.ca] + d) * m_invHead[x.ca];
        out.averageB = (m_sum[x.cb] - d) * m_invHead[x.cb];
        if (m_p.scoreColumns > 0) [[unlikely]]
            extraChange(x.a, x.b, x.ca, x.cb, out);
    }
    void exchange(const Exchange& x, const Change& ch)
    {
        const double d = x.sb.score - x.sa.score;
        m_sum[x.ca] += d;
        m_sum[x.cb] -= d;
        m_average[x.ca] = ch.averageA;
        m_average[x.cb] = ch.averageB;
        if (m_p.scoreColumns > 0) [[unlikely]]
            extraApply(x.a, x.b, x.ca, x.cb);
    }
    // The spread and squares of a key whose rules are counted.
    void completeKey(const Component& component, Key& key) const;
    // The same after a change; `key` holds the rules after it and the squares before.
    void completeKeyAfter(const Component& component, Key& key, int ca, int cb, const Change& ch) const
    {
        if (m_p.scoreColumns > 0) [[unlikely]] {
            key = scoresKey(component, key, ca, cb, &ch);
            return;
        }
        double high = -std::numeric_limits<double>::infinity();
        double low = std::numeric_limits<double>::infinity();
        for (int c : component.classes) {
            const double a = c == ca ? ch.averageA : (c == cb ? ch.averageB : m_average[c]);
            high = std::max(high, a);
            low = std::min(low, a);
        }
        key.spread = high - low;
        const auto sq = [&](double a) { return (a - component.mean) * (a - component.mean); };
        key.squares = key.squares + sq(ch.averageA) - sq(m_average[ca]) + sq(ch.averageB) - sq(m_average[cb]);
    }

private:
    void extraChange(int a, int b, int ca, int cb, Change& out) const;
    void extraApply(int a, int b, int ca, int cb);
    void recountExtras(const Seats& seats);
    // The key over every score column (PlacementScores.cpp); ch null: as things are.
    Key scoresKey(const Component& component, const Key& rules, int ca, int cb, const Change* ch) const;

    const Problem& m_p;
    std::vector<int> m_head;
    std::vector<double> m_invHead;
    std::vector<double> m_sum, m_average;
    std::array<std::vector<double>, kScoreColumns> m_extraSum, m_extraAverage;
    std::array<std::vector<int>, kScoreColumns> m_extraCount;
    std::array<double, kScoreColumns + 1> m_scale{}; // scoreScales()
};

inline void ClassSums::extraChange(int a, int b, int ca, int cb, Change& out) const
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

inline void ClassSums::extraApply(int a, int b, int ca, int cb)
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

CLASSDIV_ALWAYS_INLINE bool ValueCounts::change(const Exchange& x, Change& out, bool cutShort) const
{
    const int a = x.a, b = x.b, ca = x.ca, cb = x.cb;
    out.flags = 0;
    out.levels = {};
    out.mixLevel = 0;
    out.mix = 0;
    // The ranges of every column first: the levels are the dearest part and
    // are not needed when a range already gets worse.
    unsigned differ = 0; // the columns where a and b differ, a bit each
    for (int k = 0; k < m_p.flagColumns; ++k) {
        const int fa = m_p.rules[a].flags[k], fb = m_p.rules[b].flags[k];
        if (fa != fb) {
            out.flags += moved(k, m_p.flagValues[k], fa, fb, ca, cb) * kFlagWeight[k];
            differ |= 1u << k;
        }
    }
    if (cutShort && out.worseAtTop())
        return false;
    for (int k = 0; differ != 0; ++k, differ >>= 1) {
        if (differ & 1u)
            out.levels[k / 2] += levelChange(k, m_p.flagValues[k], m_p.rules[a].flags[k], m_p.rules[b].flags[k], ca, cb)
                                 << (k % 2 == 0 ? 32 : 0);
    }
    const int ma = x.sa.mix, mb = x.sb.mix;
    if (ma != mb) {
        out.mix = moved(kFlagColumns, m_p.mixCount, ma, mb, ca, cb);
        if (m_levels[kFlagColumns].active() && !(cutShort && out.worseAtTop()))
            out.mixLevel = levelChange(kFlagColumns, m_p.mixCount, ma, mb, ca, cb);
    }
    return true;
}

inline void ValueCounts::move(int k, int values, int v, int from, int to)
{
    if (v < 0)
        return;
    const int out = from * values + v, in = to * values + v;
    std::vector<int>& count = m_count[k];
    if (m_levels[k].active()) {
        m_levels[k].step(m_levels[k].componentOf(from), {out, count[out], count[out] - 1});
        m_levels[k].step(m_levels[k].componentOf(to), {in, count[in], count[in] + 1});
    }
    --count[out];
    ++count[in];
}

// Two students of one value leave every count and level as it was.
CLASSDIV_ALWAYS_INLINE void ValueCounts::exchange(const Exchange& x)
{
    const int a = x.a, b = x.b, ca = x.ca, cb = x.cb;
    if (x.sa.mix != x.sb.mix) {
        move(kFlagColumns, m_p.mixCount, x.sa.mix, ca, cb);
        move(kFlagColumns, m_p.mixCount, x.sb.mix, cb, ca);
    }
    for (int k = 0; k < m_p.flagColumns; ++k) {
        const int fa = m_p.rules[a].flags[k], fb = m_p.rules[b].flags[k];
        if (fa == fb)
            continue;
        move(k, m_p.flagValues[k], fa, ca, cb);
        move(k, m_p.flagValues[k], fb, cb, ca);
    }
}

inline int64_t ValueCounts::levelChange(int k, int values, int va, int vb, int ca, int cb) const
{
    const ShareLevels& levels = m_levels[k];
    const std::vector<int>& count = m_count[k];
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

} // namespace classdiv::evening
