#include "division/EveningPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace classdiv::evening {

namespace {

int localIndex(const Group& group, int cls)
{
    for (size_t l = 0; l < group.classes.size(); ++l) {
        if (group.classes[l] == cls)
            return static_cast<int>(l);
    }
    throw std::logic_error("evenOut: a student outside the classes of its group");
}

// For a mixing count: the floor and the ceiling of its fair share.
int shareFloor(double share) { return static_cast<int>(std::floor(share + kTiny)); }
int shareCeil(double share) { return static_cast<int>(std::ceil(share - kTiny)); }

long outside(int count, int lo, int hi) { return count < lo ? lo - count : (count > hi ? count - hi : 0); }

} // namespace

bool better(const Key& a, const Key& b)
{
    if (a.pairs != b.pairs)
        return a.pairs < b.pairs;
    if (a.flags != b.flags)
        return a.flags < b.flags; // column by column, in their order
    if (a.mix != b.mix)
        return a.mix < b.mix;
    if (a.spread < b.spread - kTiny)
        return true;
    if (a.spread > b.spread + kTiny)
        return false;
    return a.squares < b.squares - kTiny;
}

bool asGood(const Key& a, const Key& b)
{
    return a.pairs == b.pairs && a.flags == b.flags && a.mix == b.mix && std::abs(a.spread - b.spread) <= kTiny;
}

bool Change::keepsTheRules() const
{
    if (pairs != 0)
        return pairs < 0;
    for (long f : flags)
        if (f != 0)
            return f < 0;
    return mix <= 0;
}

bool Change::onlyAverages() const
{
    return pairs == 0 && mix == 0 && flags == std::array<long, kFlagColumns>{};
}

Placement::Placement(const Problem& problem, std::vector<int>& classOf)
    : m_p(problem), m_class(classOf), m_start(classOf)
{
    const int students = static_cast<int>(m_p.students.size());
    m_local.assign(students, 0);
    m_place.assign(students, 0);
    m_free.assign(students, 0);
    m_head.assign(m_p.classCount, 0);
    m_groupBase.assign(m_p.groups.size(), 0);
    int cells = 0;
    for (size_t g = 0; g < m_p.groups.size(); ++g) {
        const Group& group = m_p.groups[g];
        m_groupBase[g] = cells;
        cells += static_cast<int>(group.classes.size()) * m_p.bandCount;
        for (size_t l = 0; l < group.classes.size(); ++l)
            m_head[group.classes[l]] += group.headCounts[l];
        for (size_t i = 0; i < group.students.size(); ++i) {
            const int s = group.students[i];
            m_local[s] = localIndex(group, m_class[s]);
            m_place[s] = static_cast<int>(i);
            m_free[s] = m_p.students[s].fixedClass < 0 && m_p.students[s].unit < 0;
        }
    }
    // The fair ranges of the bands are set group by group when their bands are repaired.
    m_bandLo.assign(cells, 0);
    m_bandHi.assign(cells, 0);
    m_invHead.assign(m_p.classCount, 0);
    for (int c = 0; c < m_p.classCount; ++c)
        m_invHead[c] = m_head[c] > 0 ? 1.0 / m_head[c] : 0;
    for (int k = 0; k <= kFlagColumns; ++k) {
        const bool mixing = k == kFlagColumns;
        if (!mixing && k >= m_p.flagColumns)
            continue;
        const std::vector<double>& share = mixing ? m_p.mixShare : m_p.flagShare[k];
        m_valueLo[k].assign(share.size(), 0);
        m_valueHi[k].assign(share.size(), 0);
        for (size_t i = 0; i < share.size(); ++i) {
            m_valueLo[k][i] = shareFloor(share[i]);
            m_valueHi[k][i] = shareCeil(share[i]);
        }
    }
}

int Placement::bandRow(int s) const
{
    return m_groupBase[m_p.students[s].group] + m_local[s] * m_p.bandCount;
}

void Placement::recount()
{
    m_bandCount.assign(m_bandLo.size(), 0);
    m_sum.assign(m_p.classCount, 0);
    m_markCount.assign(static_cast<size_t>(m_p.classCount) * m_p.markCount, 0);
    for (int k = 0; k <= kFlagColumns; ++k)
        m_valueCount[k].assign(m_valueLo[k].size(), 0);
    const int mixValues = m_p.mixCount;
    for (size_t s = 0; s < m_p.students.size(); ++s) {
        const Student& student = m_p.students[s];
        const int c = m_class[s];
        m_sum[c] += student.score;
        ++m_bandCount[bandRow(static_cast<int>(s)) + student.band];
        if (student.mark >= 0)
            ++m_markCount[c * m_p.markCount + student.mark];
        if (student.mix >= 0)
            ++m_valueCount[kFlagColumns][c * mixValues + student.mix];
        for (int k = 0; k < m_p.flagColumns; ++k)
            if (student.flags[k] >= 0)
                ++m_valueCount[k][c * m_p.flagValues[k] + student.flags[k]];
    }
    m_average.assign(m_p.classCount, 0);
    for (int c = 0; c < m_p.classCount; ++c)
        m_average[c] = m_sum[c] * m_invHead[c];
}

Key Placement::keyOf(const Component& component) const
{
    Key key;
    double high = -std::numeric_limits<double>::infinity();
    double low = std::numeric_limits<double>::infinity();
    const auto outsideOf = [&](int k, int c, int values) {
        long sum = 0;
        for (int v = 0; v < values; ++v) {
            const size_t i = static_cast<size_t>(c) * values + v;
            sum += outside(m_valueCount[k][i], m_valueLo[k][i], m_valueHi[k][i]);
        }
        return sum;
    };
    for (int c : component.classes) {
        for (int m = 0; m < m_p.markCount; ++m) {
            const long n = m_markCount[c * m_p.markCount + m];
            key.pairs += n * (n - 1) / 2;
        }
        for (int k = 0; k < m_p.flagColumns; ++k)
            key.flags[k] += outsideOf(k, c, m_p.flagValues[k]);
        key.mix += outsideOf(kFlagColumns, c, m_p.mixCount);
        high = std::max(high, m_average[c]);
        low = std::min(low, m_average[c]);
        key.squares += (m_average[c] - component.mean) * (m_average[c] - component.mean);
    }
    key.spread = high - low;
    return key;
}

bool Placement::change(int a, int b, Change& out) const
{
    const Student& sa = m_p.students[a];
    const Student& sb = m_p.students[b];
    const int ca = m_class[a];
    const int cb = m_class[b];
    if (sa.band != sb.band) {
        const int la = bandRow(a), lb = bandRow(b);
        if (m_bandCount[la + sa.band] <= m_bandLo[la + sa.band] || m_bandCount[la + sb.band] >= m_bandHi[la + sb.band]
            || m_bandCount[lb + sb.band] <= m_bandLo[lb + sb.band] || m_bandCount[lb + sa.band] >= m_bandHi[lb + sa.band])
            return false;
    }
    out.pairs = 0;
    out.mix = 0;
    if (sa.mark != sb.mark) {
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
    out.flags = {};
    for (int k = 0; k < m_p.flagColumns; ++k)
        if (sa.flags[k] != sb.flags[k])
            out.flags[k] = moved(k, m_p.flagValues[k], sa.flags[k], sb.flags[k]);
    if (sa.mix != sb.mix)
        out.mix = moved(kFlagColumns, m_p.mixCount, sa.mix, sb.mix);
    const double d = sb.score - sa.score;
    out.averageA = (m_sum[ca] + d) * m_invHead[ca];
    out.averageB = (m_sum[cb] - d) * m_invHead[cb];
    return true;
}

Key Placement::keyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const
{
    Key key;
    key.pairs = now.pairs + ch.pairs;
    for (int k = 0; k < kFlagColumns; ++k)
        key.flags[k] = now.flags[k] + ch.flags[k];
    key.mix = now.mix + ch.mix;
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

void Placement::apply(int a, int b, const Change& ch)
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
    const auto move = [&](int k, int values, int v, int from, int to) {
        if (v < 0)
            return;
        --m_valueCount[k][static_cast<size_t>(from) * values + v];
        ++m_valueCount[k][static_cast<size_t>(to) * values + v];
    };
    move(kFlagColumns, m_p.mixCount, sa.mix, ca, cb);
    move(kFlagColumns, m_p.mixCount, sb.mix, cb, ca);
    for (int k = 0; k < m_p.flagColumns; ++k) {
        move(k, m_p.flagValues[k], sa.flags[k], ca, cb);
        move(k, m_p.flagValues[k], sb.flags[k], cb, ca);
    }
    const double d = sb.score - sa.score;
    m_sum[ca] += d;
    m_sum[cb] -= d;
    m_average[ca] = ch.averageA;
    m_average[cb] = ch.averageB;
    exchangeClasses(a, b);
}

void Placement::exchangeClasses(int a, int b)
{
    m_moved -= (m_class[a] != m_start[a]) + (m_class[b] != m_start[b]);
    std::swap(m_class[a], m_class[b]);
    std::swap(m_local[a], m_local[b]);
    m_moved += (m_class[a] != m_start[a]) + (m_class[b] != m_start[b]);
}

void Placement::restore(const Component& component, const std::vector<int>& classes)
{
    for (size_t i = 0; i < component.movable.size(); ++i) {
        const int s = component.movable[i];
        m_moved += (classes[i] != m_start[s]) - (m_class[s] != m_start[s]);
        m_class[s] = classes[i];
        m_local[s] = localIndex(m_p.groups[m_p.students[s].group], classes[i]);
    }
    recount();
}

int Placement::partner(int a, Rng& rng) const
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

} // namespace classdiv::evening
