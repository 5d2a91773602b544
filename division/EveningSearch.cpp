#include "division/EveningSearch.h"

#include "common/Numbers.h"
#include "division/RandomSource.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace classdiv::evening {

namespace {

// The search draws millions of numbers, far too many to take one by one
// through the program's random source, which only seeds it.
using Rng = Xoshiro256;

// A move is judged first by the marked students sharing a class, then by how
// far the mixing counts lie outside their fair rounding, then by the spread.
struct Key {
    long pairs = 0;
    long mix = 0;
    double spread = 0;
    double squares = 0;
};

constexpr double kTiny = 1e-9;
constexpr double kSquaresWeight = 0.02;
constexpr int kRoundingWalk = 3000;

std::vector<int> fileOrder(const Problem& problem)
{
    std::vector<int> order(problem.students.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return problem.students[a].order < problem.students[b].order; });
    return order;
}

bool better(const Key& a, const Key& b)
{
    if (a.pairs != b.pairs)
        return a.pairs < b.pairs;
    if (a.mix != b.mix)
        return a.mix < b.mix;
    if (a.spread < b.spread - kTiny)
        return true;
    if (a.spread > b.spread + kTiny)
        return false;
    return a.squares < b.squares - kTiny;
}

int localIndex(const Group& group, int cls)
{
    for (size_t l = 0; l < group.classes.size(); ++l) {
        if (group.classes[l] == cls)
            return static_cast<int>(l);
    }
    throw std::logic_error("evenOut: a student outside the classes of its group");
}

struct BandBounds {
    std::vector<int> lo; // [local * bands + band]
    std::vector<int> hi;
};

BandBounds fairBandBounds(const Problem& p, const Group& group)
{
    const int bands = p.bandCount;
    std::vector<int> inBand(bands, 0);
    for (int s : group.students)
        ++inBand[p.students[s].band];
    const int size = static_cast<int>(group.students.size());
    BandBounds bounds;
    const size_t cells = group.classes.size() * bands;
    bounds.lo.assign(cells, 0);
    bounds.hi.assign(cells, 0);
    for (size_t l = 0; l < group.classes.size(); ++l) {
        for (int b = 0; b < bands; ++b) {
            const long share = static_cast<long>(group.headCounts[l]) * inBand[b];
            bounds.lo[l * bands + b] = size > 0 ? static_cast<int>(share / size) : 0;
            bounds.hi[l * bands + b] = bounds.lo[l * bands + b] + (size > 0 && share % size != 0 ? 1 : 0);
        }
    }
    return bounds;
}

// For a mixing count: the floor and the ceiling of its fair share.
int shareFloor(double share) { return static_cast<int>(std::floor(share + kTiny)); }
int shareCeil(double share) { return static_cast<int>(std::ceil(share - kTiny)); }

long outside(int count, int lo, int hi) { return count < lo ? lo - count : (count > hi ? count - hi : 0); }

struct Component {
    std::vector<int> classes;
    std::vector<int> movable; // students of its groups that have a choice
    double mean = 0;          // the average of all its students: fixed by the head counts
    int largestClass = 1;
};

class Search {
public:
    Search(const Problem& problem, std::vector<int>& classOf, uint64_t seed)
        : m_p(problem), m_class(classOf), m_rng(seed)
    {
        const int students = static_cast<int>(m_p.students.size());
        m_local.assign(students, 0);
        m_place.assign(students, 0);
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
                m_local[group.students[i]] = localIndex(group, m_class[group.students[i]]);
                m_place[group.students[i]] = static_cast<int>(i);
            }
        }
        m_bandLo.assign(cells, 0);
        m_bandHi.assign(cells, 0);
        m_invHead.assign(m_p.classCount, 0);
        for (int c = 0; c < m_p.classCount; ++c)
            m_invHead[c] = m_head[c] > 0 ? 1.0 / m_head[c] : 0;
        m_mixLo.assign(static_cast<size_t>(m_p.classCount) * m_p.mixCount, 0);
        m_mixHi.assign(m_mixLo.size(), 0);
        for (size_t i = 0; i < m_mixLo.size(); ++i) {
            m_mixLo[i] = shareFloor(m_p.mixShare[i]);
            m_mixHi[i] = shareCeil(m_p.mixShare[i]);
        }
        buildComponents();
    }

    void run(const Effort& effort)
    {
        for (size_t g = 0; g < m_p.groups.size(); ++g) {
            if (m_p.groups[g].classes.size() > 1)
                repairBands(static_cast<int>(g));
        }
        recount();
        for (Component& component : m_components) {
            if (component.classes.size() < 2 || component.movable.empty())
                continue;
            searchComponent(component, effort);
        }
    }

private:
    void buildComponents()
    {
        m_componentOf.assign(m_p.classCount, 0);
        for (std::vector<int>& classes : linkedClasses(m_p)) {
            for (int c : classes)
                m_componentOf[c] = static_cast<int>(m_components.size());
            m_components.emplace_back();
            m_components.back().classes = std::move(classes);
        }
        std::vector<double> total(m_components.size(), 0);
        std::vector<long> heads(m_components.size(), 0);
        for (const Group& group : m_p.groups) {
            if (group.classes.empty())
                continue;
            const int k = m_componentOf[group.classes[0]];
            for (int s : group.students) {
                total[k] += m_p.students[s].score;
                if (group.classes.size() > 1)
                    m_components[k].movable.push_back(s);
            }
            for (int h : group.headCounts)
                heads[k] += h;
        }
        for (size_t k = 0; k < m_components.size(); ++k) {
            m_components[k].mean = heads[k] > 0 ? total[k] / heads[k] : 0;
            for (int c : m_components[k].classes)
                m_components[k].largestClass = std::max(m_components[k].largestClass, m_head[c]);
        }
    }

    // Brings every band count of the group within its fair rounding. The
    // rounding that stays closest to the present counts is found as a flow
    // (it always exists); then pairs of students change places until the
    // counts match it, each exchange bringing two counts closer.
    void repairBands(int g)
    {
        const Group& group = m_p.groups[g];
        const int classes = static_cast<int>(group.classes.size());
        const int bands = m_p.bandCount;
        const BandBounds bounds = fairBandBounds(m_p, group);
        const int base = m_groupBase[g];
        std::vector<int> count(classes * bands, 0);
        for (int s : group.students)
            ++count[m_local[s] * bands + m_p.students[s].band];
        for (int i = 0; i < classes * bands; ++i) {
            m_bandLo[base + i] = bounds.lo[i];
            m_bandHi[base + i] = bounds.hi[i];
        }

        std::vector<int> rowNeed(classes), columnNeed(bands, 0);
        std::vector<char> up(classes * bands, 0); // takes the ceiling
        for (int l = 0; l < classes; ++l) {
            rowNeed[l] = group.headCounts[l];
            for (int b = 0; b < bands; ++b)
                rowNeed[l] -= bounds.lo[l * bands + b];
        }
        for (int s : group.students)
            ++columnNeed[m_p.students[s].band];
        for (int l = 0; l < classes; ++l) {
            for (int b = 0; b < bands; ++b)
                columnNeed[b] -= bounds.lo[l * bands + b];
        }
        for (int l = 0; l < classes; ++l) {
            for (int b = 0; b < bands; ++b) {
                const int i = l * bands + b;
                if (bounds.hi[i] > bounds.lo[i] && count[i] >= bounds.hi[i] && rowNeed[l] > 0 && columnNeed[b] > 0) {
                    up[i] = 1;
                    --rowNeed[l];
                    --columnNeed[b];
                }
            }
        }
        // Augmenting paths: class -> band over a cell not yet raised, band ->
        // class back over a raised one.
        std::vector<int> from(classes + bands);
        for (;;) {
            int start = -1;
            for (int l = 0; l < classes && start < 0; ++l)
                start = rowNeed[l] > 0 ? l : -1;
            if (start < 0)
                break;
            std::fill(from.begin(), from.end(), -2);
            std::vector<int> queue{start};
            from[start] = -1;
            int end = -1;
            for (size_t q = 0; q < queue.size() && end < 0; ++q) {
                const int node = queue[q];
                if (node < classes) {
                    for (int b = 0; b < bands; ++b) {
                        const int i = node * bands + b;
                        if (bounds.hi[i] > bounds.lo[i] && !up[i] && from[classes + b] == -2) {
                            from[classes + b] = node;
                            if (columnNeed[b] > 0) {
                                end = classes + b;
                                break;
                            }
                            queue.push_back(classes + b);
                        }
                    }
                } else {
                    const int b = node - classes;
                    for (int l = 0; l < classes; ++l) {
                        if (up[l * bands + b] && from[l] == -2) {
                            from[l] = node;
                            queue.push_back(l);
                        }
                    }
                }
            }
            if (end < 0) {
                // Not reachable with bands that partition the group; keep the
                // counts as they are allowed rather than loop.
                for (int i = 0; i < classes * bands; ++i) {
                    m_bandLo[base + i] = std::min(bounds.lo[i], count[i]);
                    m_bandHi[base + i] = std::max(bounds.hi[i], count[i]);
                }
                return;
            }
            --columnNeed[end - classes];
            --rowNeed[start];
            for (int node = end; from[node] != -1;) {
                const int prev = from[node];
                if (node >= classes)
                    up[prev * bands + (node - classes)] = 1;
                else
                    up[node * bands + (prev - classes)] = 0;
                node = prev;
            }
        }
        std::vector<int> target(classes * bands);
        for (int i = 0; i < classes * bands; ++i)
            target[i] = bounds.lo[i] + up[i];

        std::vector<int> pick;
        const auto randomStudent = [&](int l, int b) {
            pick.clear();
            for (int s : group.students) {
                if (m_local[s] == l && m_p.students[s].band == b)
                    pick.push_back(s);
            }
            return pick[m_rng.below(static_cast<uint32_t>(pick.size()))];
        };
        for (;;) {
            int l1 = -1, b1 = -1;
            for (int i = 0; i < classes * bands && l1 < 0; ++i) {
                if (count[i] < target[i]) {
                    l1 = i / bands;
                    b1 = i % bands;
                }
            }
            if (l1 < 0)
                break;
            int l2 = 0;
            while (count[l2 * bands + b1] <= target[l2 * bands + b1])
                ++l2;
            int b3 = 0;
            while (count[l1 * bands + b3] <= target[l1 * bands + b3])
                ++b3;
            const int incoming = randomStudent(l2, b1);
            const int outgoing = randomStudent(l1, b3);
            std::swap(m_class[incoming], m_class[outgoing]);
            std::swap(m_local[incoming], m_local[outgoing]);
            --count[l2 * bands + b1];
            ++count[l1 * bands + b1];
            --count[l1 * bands + b3];
            ++count[l2 * bands + b3];
        }
    }

    void recount()
    {
        m_bandCount.assign(m_bandLo.size(), 0);
        m_sum.assign(m_p.classCount, 0);
        m_markCount.assign(static_cast<size_t>(m_p.classCount) * m_p.markCount, 0);
        m_mixCount.assign(static_cast<size_t>(m_p.classCount) * m_p.mixCount, 0);
        for (size_t s = 0; s < m_p.students.size(); ++s) {
            const Student& student = m_p.students[s];
            const int c = m_class[s];
            m_sum[c] += student.score;
            ++m_bandCount[m_groupBase[student.group] + m_local[s] * m_p.bandCount + student.band];
            if (student.mark >= 0)
                ++m_markCount[c * m_p.markCount + student.mark];
            if (student.mix >= 0)
                ++m_mixCount[c * m_p.mixCount + student.mix];
        }
        m_average.assign(m_p.classCount, 0);
        for (int c = 0; c < m_p.classCount; ++c)
            m_average[c] = m_sum[c] * m_invHead[c];
    }

    Key keyOf(const Component& component) const
    {
        Key key;
        double high = -std::numeric_limits<double>::infinity();
        double low = std::numeric_limits<double>::infinity();
        for (int c : component.classes) {
            for (int m = 0; m < m_p.markCount; ++m) {
                const long n = m_markCount[c * m_p.markCount + m];
                key.pairs += n * (n - 1) / 2;
            }
            for (int v = 0; v < m_p.mixCount; ++v) {
                const size_t i = static_cast<size_t>(c) * m_p.mixCount + v;
                key.mix += outside(m_mixCount[i], m_mixLo[i], m_mixHi[i]);
            }
            high = std::max(high, m_average[c]);
            low = std::min(low, m_average[c]);
            key.squares += (m_average[c] - component.mean) * (m_average[c] - component.mean);
        }
        key.spread = high - low;
        return key;
    }

    // What swapping a and b (same group, different classes) does; false when
    // it would leave a band count outside its fair rounding.
    struct Change {
        long pairs = 0;
        long mix = 0;
        double averageA = 0; // new average of a's class
        double averageB = 0;
    };
    // Where the band counts of a's and of b's class in their (shared) group start.
    std::pair<int, int> bandRows(int a, int b) const
    {
        const int base = m_groupBase[m_p.students[a].group];
        return {base + m_local[a] * m_p.bandCount, base + m_local[b] * m_p.bandCount};
    }

    bool change(int a, int b, Change& out) const
    {
        const Student& sa = m_p.students[a];
        const Student& sb = m_p.students[b];
        const int ca = m_class[a];
        const int cb = m_class[b];
        if (sa.band != sb.band) {
            const auto [la, lb] = bandRows(a, b);
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
        if (sa.mix != sb.mix) {
            const int values = m_p.mixCount;
            const auto shift = [&](int c, int v, int by) {
                const size_t i = static_cast<size_t>(c) * values + v;
                return outside(m_mixCount[i] + by, m_mixLo[i], m_mixHi[i]) - outside(m_mixCount[i], m_mixLo[i], m_mixHi[i]);
            };
            if (sa.mix >= 0)
                out.mix += shift(ca, sa.mix, -1) + shift(cb, sa.mix, +1);
            if (sb.mix >= 0)
                out.mix += shift(cb, sb.mix, -1) + shift(ca, sb.mix, +1);
        }
        const double d = sb.score - sa.score;
        out.averageA = (m_sum[ca] + d) * m_invHead[ca];
        out.averageB = (m_sum[cb] - d) * m_invHead[cb];
        return true;
    }

    Key keyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const
    {
        Key key;
        key.pairs = now.pairs + ch.pairs;
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

    void apply(int a, int b, const Change& ch)
    {
        const Student& sa = m_p.students[a];
        const Student& sb = m_p.students[b];
        const int ca = m_class[a];
        const int cb = m_class[b];
        if (sa.band != sb.band) {
            const auto [la, lb] = bandRows(a, b);
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
        if (sa.mix >= 0) {
            --m_mixCount[static_cast<size_t>(ca) * m_p.mixCount + sa.mix];
            ++m_mixCount[static_cast<size_t>(cb) * m_p.mixCount + sa.mix];
        }
        if (sb.mix >= 0) {
            --m_mixCount[static_cast<size_t>(cb) * m_p.mixCount + sb.mix];
            ++m_mixCount[static_cast<size_t>(ca) * m_p.mixCount + sb.mix];
        }
        const double d = sb.score - sa.score;
        m_sum[ca] += d;
        m_sum[cb] -= d;
        m_average[ca] = ch.averageA;
        m_average[cb] = ch.averageB;
        std::swap(m_class[a], m_class[b]);
        std::swap(m_local[a], m_local[b]);
    }

    // The spread decides; a little of the classes' squared distance from the
    // mean guides the annealing across moves that leave the spread as it is.
    double energy(const Key& key, const Component& component) const
    {
        return key.spread + kSquaresWeight * key.squares / static_cast<double>(component.classes.size());
    }

    // A random exchange partner for a: anyone of its group, or, half the
    // time, a student a few ranks away, whose score is close. Close partners
    // make the fine steps at the end, and across a band boundary they are
    // the cheapest way to change a class's band counts. -1: none.
    int partner(int a)
    {
        const Group& group = m_p.groups[m_p.students[a].group];
        const uint32_t size = static_cast<uint32_t>(group.students.size());
        if (m_rng.next() & 1)
            return group.students[m_rng.below(size)];
        const int step = 1 + static_cast<int>(m_rng.below(4));
        const int at = m_place[a] + ((m_rng.next() & 1) ? step : -step);
        return at >= 0 && at < static_cast<int>(size) ? group.students[at] : -1;
    }

    // Simulated annealing over exchanges inside a group, in rounds that each
    // start again from the best state found; then a descent. Marked students
    // sharing a class and mixing counts outside their fair rounding are never
    // allowed to grow, and any move that reduces them is taken.
    void searchComponent(const Component& component, const Effort& effort)
    {
        const std::vector<int>& movable = component.movable;
        const uint32_t count = static_cast<uint32_t>(movable.size());
        // Averages move in steps of a point over a class's head count.
        const double finest = 1.0 / component.largestClass;

        Key now = keyOf(component);
        Key best = now;
        std::vector<int> bestClass(count);
        const auto remember = [&] {
            for (uint32_t i = 0; i < count; ++i)
                bestClass[i] = m_class[movable[i]];
        };
        remember();

        // The first round starts at about the change of a random move.
        double typical = 0;
        int sampled = 0;
        for (int i = 0; i < 400; ++i) {
            const int a = movable[m_rng.below(count)];
            const int b = partner(a);
            Change ch;
            if (b < 0 || m_class[a] == m_class[b] || !change(a, b, ch))
                continue;
            typical += std::abs(energy(keyAfter(component, now, m_class[a], m_class[b], ch), component)
                                - energy(now, component));
            ++sampled;
        }
        typical = sampled > 0 ? typical / sampled : finest;

        const long iterations = std::clamp(static_cast<long>(effort.iterationsPerStudent) * static_cast<long>(count), effort.leastPerRound, effort.iterationsPerRound);
        for (int round = 0; round < effort.rounds; ++round) {
            const double hot = std::max(typical * (round == 0 ? 0.5 : 0.1), finest);
            const double cold = finest * 0.02;
            const double cooling = std::pow(cold / hot, 1.0 / static_cast<double>(std::max(1L, iterations)));
            double temperature = hot;
            double e = energy(now, component);
            for (long it = 0; it < iterations; ++it, temperature *= cooling) {
                const int a = movable[m_rng.below(count)];
                const int b = partner(a);
                if (b < 0)
                    continue;
                const int ca = m_class[a];
                const int cb = m_class[b];
                Change ch;
                if (ca == cb || !change(a, b, ch))
                    continue;
                if (ch.pairs > 0 || (ch.pairs == 0 && ch.mix > 0))
                    continue;
                const Key next = keyAfter(component, now, ca, cb, ch);
                const double en = energy(next, component);
                if (ch.pairs == 0 && ch.mix == 0 && en > e && m_rng.unit() >= std::exp((e - en) / temperature))
                    continue;
                apply(a, b, ch);
                now = next;
                e = en;
                if (better(now, best)) {
                    best = now;
                    remember();
                }
            }
            restore(component, bestClass);
            now = keyOf(component);
        }
        polish(component, now);
        if (!m_p.wholeScores)
            polishRounded(component);
    }

    void restore(const Component& component, const std::vector<int>& classes)
    {
        for (size_t i = 0; i < component.movable.size(); ++i) {
            const int s = component.movable[i];
            m_class[s] = classes[i];
            m_local[s] = localIndex(m_p.groups[m_p.students[s].group], classes[i]);
        }
        recount();
    }

    // Steepest descent over the exchanges that touch the highest or lowest
    // class: only they can narrow the spread.
    void polish(const Component& component, Key now)
    {
        for (int step = 0; step < 10000; ++step) {
            int high = component.classes[0];
            int low = component.classes[0];
            for (int c : component.classes) {
                if (m_average[c] > m_average[high])
                    high = c;
                if (m_average[c] < m_average[low])
                    low = c;
            }
            Key best = now;
            int bestA = -1, bestB = -1;
            Change bestChange;
            for (int a : component.movable) {
                if (m_class[a] != high && m_class[a] != low)
                    continue;
                for (int b : m_p.groups[m_p.students[a].group].students) {
                    Change ch;
                    if (m_class[b] == m_class[a] || !change(a, b, ch))
                        continue;
                    const Key next = keyAfter(component, now, m_class[a], m_class[b], ch);
                    if (better(next, best)) {
                        best = next;
                        bestA = a;
                        bestB = b;
                        bestChange = ch;
                    }
                }
            }
            if (bestA < 0)
                return;
            apply(bestA, bestB, bestChange);
            now = best;
        }
    }

    // With fractional scores the table's class totals round at every step,
    // which the exact sums above only approximate: a last descent judges
    // the exchanges by the totals the table will show. A class's total is
    // summed over its own students in file order, so an exchange costs a
    // pass over two classes.
    void polishRounded(const Component& component)
    {
        std::vector<std::vector<int>> members(m_p.classCount);
        for (int s : fileOrder(m_p)) {
            if (m_componentOf[m_class[s]] == m_componentOf[component.classes[0]])
                members[m_class[s]].push_back(s);
        }
        const auto score = [&](int s) { return m_p.students[s].score; };
        const auto order = [&](int s) { return m_p.students[s].order; };
        // A whole score added to a whole total needs no rounding.
        std::vector<char> whole(m_p.students.size());
        for (size_t s = 0; s < whole.size(); ++s)
            whole[s] = score(static_cast<int>(s)) == std::floor(score(static_cast<int>(s)));
        const auto add = [&](double t, int s) { return whole[s] ? t + score(s) : roundHalfEven(t + score(s)); };
        // The total of class c with student out taken away and in added.
        const auto totalOf = [&](int c, int out, int in) {
            double t = 0;
            bool placed = in < 0;
            for (int s : members[c]) {
                if (!placed && order(in) < order(s)) {
                    t = add(t, in);
                    placed = true;
                }
                if (s != out)
                    t = add(t, s);
            }
            return placed ? t : add(t, in);
        };
        std::vector<double> total(m_p.classCount, 0);
        for (int c : component.classes)
            total[c] = totalOf(c, -1, -1);
        const auto keyWith = [&](long pairs, long mix, int ca, double ta, int cb, double tb) {
            Key k{pairs, mix, 0, 0};
            double high = -std::numeric_limits<double>::infinity();
            double low = std::numeric_limits<double>::infinity();
            for (int c : component.classes) {
                const double a = (c == ca ? ta : c == cb ? tb : total[c]) * m_invHead[c];
                high = std::max(high, a);
                low = std::min(low, a);
                k.squares += (a - component.mean) * (a - component.mean);
            }
            k.spread = high - low;
            return k;
        };
        const auto move = [&](int s, int from, int to) {
            std::vector<int>& out = members[from];
            out.erase(std::find(out.begin(), out.end(), s));
            std::vector<int>& in = members[to];
            in.insert(std::upper_bound(in.begin(), in.end(), s, [&](int x, int y) { return order(x) < order(y); }), s);
        };
        // Each rounding moves a total by at most half a point: an exchange
        // whose scores differ by more than the spread and that cannot narrow it.
        double slack = 2;
        for (int c : component.classes) {
            for (int s : members[c])
                slack += whole[s] ? 0.0 : 0.5;
        }
        Key plain = keyOf(component);
        Key now = keyWith(plain.pairs, plain.mix, -1, 0, -1, 0);
        const auto take = [&](int a, int b, const Change& ch, double ta, double tb) {
            const int ca = m_class[a];
            const int cb = m_class[b];
            apply(a, b, ch);
            move(a, ca, cb);
            move(b, cb, ca);
            total[ca] = ta;
            total[cb] = tb;
            plain.pairs += ch.pairs;
            plain.mix += ch.mix;
            now = keyWith(plain.pairs, plain.mix, -1, 0, -1, 0);
        };
        for (int step = 0; step < 1000; ++step) {
            int high = component.classes[0];
            int low = component.classes[0];
            for (int c : component.classes) {
                if (total[c] * m_invHead[c] > total[high] * m_invHead[high])
                    high = c;
                if (total[c] * m_invHead[c] < total[low] * m_invHead[low])
                    low = c;
            }
            Key best = now;
            int bestA = -1, bestB = -1;
            double bestTa = 0, bestTb = 0;
            Change bestChange;
            for (int a : component.movable) {
                if (m_class[a] != high && m_class[a] != low)
                    continue;
                const double reach = 2 * now.spread * component.largestClass + slack;
                for (int b : m_p.groups[m_p.students[a].group].students) {
                    Change ch;
                    if (m_class[b] == m_class[a] || std::abs(score(b) - score(a)) > reach || !change(a, b, ch))
                        continue;
                    const double ta = totalOf(m_class[a], a, b);
                    const double tb = totalOf(m_class[b], b, a);
                    const Key next = keyWith(plain.pairs + ch.pairs, plain.mix + ch.mix, m_class[a], ta, m_class[b], tb);
                    if (better(next, best)) {
                        best = next;
                        bestA = a;
                        bestB = b;
                        bestTa = ta;
                        bestTb = tb;
                        bestChange = ch;
                    }
                }
            }
            if (bestA < 0)
                break;
            take(bestA, bestB, bestChange, bestTa, bestTb);
        }
        // Where no single exchange helps, the rounding often still can: walk
        // among exchanges that leave the shown spread as it is, by students
        // close in score, until one narrows it.
        const uint32_t count = static_cast<uint32_t>(component.movable.size());
        for (int attempt = 0; attempt < kRoundingWalk && now.spread > kTiny; ++attempt) {
            const int a = component.movable[m_rng.below(count)];
            const int b = partner(a);
            Change ch;
            if (b < 0 || m_class[a] == m_class[b] || !change(a, b, ch) || ch.pairs > 0 || (ch.pairs == 0 && ch.mix > 0))
                continue;
            const double ta = totalOf(m_class[a], a, b);
            const double tb = totalOf(m_class[b], b, a);
            if (!better(now, keyWith(plain.pairs + ch.pairs, plain.mix + ch.mix, m_class[a], ta, m_class[b], tb)))
                take(a, b, ch, ta, tb);
        }
    }

    const Problem& m_p;
    std::vector<int>& m_class;
    Rng m_rng;
    std::vector<int> m_local;
    std::vector<int> m_place; // index in its group's students, which run from the highest score
    std::vector<int> m_head;
    std::vector<double> m_invHead;
    std::vector<int> m_groupBase;
    std::vector<int> m_bandCount, m_bandLo, m_bandHi;
    std::vector<double> m_sum, m_average;
    std::vector<int> m_markCount;
    std::vector<int> m_mixCount, m_mixLo, m_mixHi;
    std::vector<Component> m_components;
    std::vector<int> m_componentOf;

};

} // namespace

namespace {

// The score total of every class as the distribution table counts it.
std::vector<double> classTotals(const Problem& problem, const std::vector<int>& classOf)
{
    std::vector<double> total(problem.classCount, 0);
    if (problem.wholeScores) {
        for (size_t s = 0; s < problem.students.size(); ++s) {
            if (classOf[s] >= 0)
                total[classOf[s]] += problem.students[s].score;
        }
        return total;
    }
    for (int s : fileOrder(problem)) {
        if (classOf[s] >= 0)
            total[classOf[s]] = roundHalfEven(total[classOf[s]] + problem.students[s].score);
    }
    return total;
}

} // namespace

std::vector<std::vector<int>> linkedClasses(const Problem& problem)
{
    std::vector<int> parent(problem.classCount);
    std::iota(parent.begin(), parent.end(), 0);
    const auto root = [&](int c) {
        while (parent[c] != c)
            c = parent[c] = parent[parent[c]];
        return c;
    };
    for (const Group& group : problem.groups) {
        for (size_t l = 1; l < group.classes.size(); ++l)
            parent[root(group.classes[l])] = root(group.classes[0]);
    }
    std::vector<std::vector<int>> components;
    std::vector<int> index(problem.classCount, -1);
    for (int c = 0; c < problem.classCount; ++c) {
        const int r = root(c);
        if (index[r] < 0) {
            index[r] = static_cast<int>(components.size());
            components.emplace_back();
        }
        components[index[r]].push_back(c);
    }
    return components;
}

double averageSpread(const Problem& problem, const std::vector<int>& classOf)
{
    const std::vector<double> sum = classTotals(problem, classOf);
    std::vector<int> heads(problem.classCount, 0);
    for (size_t s = 0; s < problem.students.size(); ++s) {
        if (classOf[s] >= 0)
            ++heads[classOf[s]];
    }
    double spread = 0;
    for (const auto& component : linkedClasses(problem)) {
        double high = -std::numeric_limits<double>::infinity();
        double low = std::numeric_limits<double>::infinity();
        for (int c : component) {
            if (heads[c] == 0)
                continue;
            high = std::max(high, sum[c] / heads[c]);
            low = std::min(low, sum[c] / heads[c]);
        }
        if (high > low)
            spread = std::max(spread, high - low);
    }
    return spread;
}

double mixingDeviation(const Problem& problem, const std::vector<int>& classOf)
{
    if (problem.mixCount == 0)
        return 0;
    std::vector<int> count(static_cast<size_t>(problem.classCount) * problem.mixCount, 0);
    for (size_t s = 0; s < problem.students.size(); ++s) {
        if (classOf[s] >= 0 && problem.students[s].mix >= 0)
            ++count[static_cast<size_t>(classOf[s]) * problem.mixCount + problem.students[s].mix];
    }
    double deviation = 0;
    for (size_t i = 0; i < count.size(); ++i)
        deviation = std::max(deviation, std::abs(count[i] - problem.mixShare[i]));
    return deviation;
}

void evenOut(const Problem& problem, std::vector<int>& classOf, uint64_t seed, const Effort& effort)
{
    if (classOf.size() != problem.students.size())
        throw std::logic_error("evenOut: one class per student");
    Search search(problem, classOf, seed);
    search.run(effort);
}

} // namespace classdiv::evening
