#include "search/BandRepair.h"

#include <algorithm>
#include <optional>

namespace classdiv::evening {

namespace {

// Tries of the band repair of one group; only marks can make a try fail,
// and a different order of exchanges mostly finds the way then.
constexpr int kRepairAttempts = 8;

} // namespace

void repairBands(Placement& placement, int g, Rng& rng)
{
    BandRepair(placement, g, rng).run();
}

BandRepair::BandRepair(Placement& placement, int g, Rng& rng)
    : m_placement(placement), m_p(placement.problem()), m_group(m_p.groups[g]), m_rng(rng),
      m_classes(static_cast<int>(m_group.classes.size())), m_bands(m_p.bandCount), m_g(g),
      m_inBand(m_bands, 0), m_count(m_classes * m_bands, 0)
{
    for (int s : m_group.students)
        ++m_inBand[m_p.students[s].band];
}

// Fixed students hold their cells for good, together sets until they move
// as one. Marked students move too, but only into a class without their
// mark, so the marks never get worse.
void BandRepair::run()
{
    std::vector<int> fixedHeld(m_classes * m_bands, 0), held(m_classes * m_bands, 0);
    for (int s : m_group.students) {
        const int i = m_placement.local(s) * m_bands + m_p.students[s].band;
        ++m_count[i];
        fixedHeld[i] += m_p.rulesOf(s).fixedClass >= 0;
        held[i] += !m_placement.isFree(s);
    }
    m_bounds = widened(fixedHeld);
    m_reachable = widened(held);
    const std::optional<std::vector<int>> fair = fairTarget(m_reachable, m_count, m_group.headCounts, m_inBand);
    if (!fair)
        return keepCounts();
    for (int i = 0; i < m_classes * m_bands; ++i) {
        m_placement.setBandRange(m_g, i / m_bands, i % m_bands, m_bounds.lo[i], m_bounds.hi[i]);
    }
    m_target = *fair;
    for (size_t s = 0; s < m_p.students.size(); ++s)
        m_p.forEachMark(static_cast<int>(s), [&](int m) { ++m_marked[{m_placement.classOf(static_cast<int>(s)), m}]; });
    if (reachTarget())
        return;
    bringIntoRanges();
    keepCounts(); // what is left out of range no exchange could mend
}

BandBounds BandRepair::widened(const std::vector<int>& held) const
{
    BandBounds bounds = fairBandBounds(m_group, m_inBand);
    if (std::any_of(held.begin(), held.end(), [](int n) { return n > 0; }))
        widenForFixed(bounds, held, m_group.headCounts, m_inBand);
    return bounds;
}

// The counts as they are allowed, rather than loop.
void BandRepair::keepCounts()
{
    for (int i = 0; i < m_classes * m_bands; ++i) {
        m_placement.setBandRange(m_g, i / m_bands, i % m_bands, std::min(m_bounds.lo[i], m_count[i]),
                                 std::max(m_bounds.hi[i], m_count[i]));
    }
}

// The exchanges are greedy, and where marks crowd one order of them can
// shut the way another order finds: then the group starts again.
bool BandRepair::reachTarget()
{
    const Seats::Saved start = m_placement.seats().save();
    const std::vector<int> startCount = m_count;
    const std::map<std::pair<int, int>, int> startMarked = m_marked;
    for (int attempt = 0; attempt < kRepairAttempts; ++attempt) {
        if (attempt > 0) {
            m_placement.seats().load(start);
            m_count = startCount;
            m_marked = startMarked;
        }
        for (bool moved = true; moved;) {
            moved = false;
            for (int i = 0; i < m_classes * m_bands && !moved; ++i)
                moved = m_count[i] < m_target[i] && exchangeInto(i / m_bands, i % m_bands);
        }
        if (m_count == m_target)
            return true;
    }
    return false;
}

// No way to the target: any counts within the ranges will do. Each exchange
// brings one count nearer its range and takes no other away.
void BandRepair::bringIntoRanges()
{
    for (bool moved = true; moved;) {
        moved = false;
        for (int i = 0; i < m_classes * m_bands && !moved; ++i)
            moved = away(i, 0) > 0 && bringIn(i);
    }
}

int BandRepair::away(int i, int by) const
{
    const int c = m_count[i] + by;
    return std::max({0, m_reachable.lo[i] - c, c - m_reachable.hi[i]});
}

bool BandRepair::bringIn(int i)
{
    const int l = i / m_bands, b = i % m_bands, up = away(i, 0) > 0 && m_count[i] < m_reachable.lo[i] ? 1 : -1;
    for (int l2 = 0; l2 < m_classes; ++l2)
        for (int b3 = 0; b3 < m_bands; ++b3)
            if (l2 != l && b3 != b && notWorse(l2 * m_bands + b, -up) && notWorse(l * m_bands + b3, -up) &&
                notWorse(l2 * m_bands + b3, up) && (up > 0 ? exchange(l, b, l2, b3) : exchange(l2, b, l, b3)))
                return true;
    return false;
}

// Class l1 short of band b1 takes one from a class l2 with too many, and
// gives l2 one of a band it has too many of. False: no such pair keeps the
// marks apart.
bool BandRepair::exchangeInto(int l1, int b1)
{
    for (int l2 = 0; l2 < m_classes; ++l2) {
        m_made.clear();
        if (m_count[l2 * m_bands + b1] <= m_target[l2 * m_bands + b1])
            continue;
        if (const int b3 = sameMarkPair(l1, b1, l2); b3 >= 0) {
            countExchange(l1, b1, l2, b3);
            return true;
        }
        for (int b = 0; b < m_bands; ++b) {
            if (m_count[l1 * m_bands + b] > m_target[l1 * m_bands + b] && exchange(l1, b1, l2, b))
                return true;
        }
    }
    return false;
}

bool BandRepair::exchange(int l1, int b1, int l2, int b3)
{
    m_made.clear();
    // Either way round: the second may go where the first made room.
    if ((carry(l2, l1, b1) && carry(l1, l2, b3)) || (takeBack(), carry(l1, l2, b3) && carry(l2, l1, b1))) {
        countExchange(l1, b1, l2, b3);
        return true;
    }
    takeBack();
    return false;
}

void BandRepair::countExchange(int l1, int b1, int l2, int b3)
{
    --m_count[l2 * m_bands + b1];
    ++m_count[l1 * m_bands + b1];
    --m_count[l1 * m_bands + b3];
    ++m_count[l2 * m_bands + b3];
}

// Two students of the same mark may change places when one mark bars each
// from going alone: s of band b1 from l2 to l1, and one of l1's bands it has
// too many of back. That band, or -1.
int BandRepair::sameMarkPair(int l1, int b1, int l2)
{
    const Seats& seats = m_placement.seats();
    for (int s : m_group.students) {
        if (seats.local(s) != l2 || m_p.students[s].band != b1 || !m_placement.isFree(s) || m_p.students[s].mark < 0 ||
            m_p.hasMoreMarks(s)) // a student of several sets moves only where none of them is
            continue;
        for (int t : m_group.students) {
            const int b3 = m_p.students[t].band;
            if (seats.local(t) == l1 && m_p.students[t].mark == m_p.students[s].mark && m_placement.isFree(t) && !m_p.hasMoreMarks(t) &&
                m_count[l1 * m_bands + b3] > m_target[l1 * m_bands + b3]) {
                place(s, m_group.classes[l1]);
                place(t, m_group.classes[l2]);
                return b3;
            }
        }
    }
    return -1;
}

// One student of band b taken from class `from` to class `to` (local
// indices): straight; or clearing the way of a mark; or through a third
// class whose student of that band goes on. False: no way, nothing made.
bool BandRepair::carry(int from, int to, int b)
{
    if (const int s = randomStudent(from, b, to); s >= 0)
        return place(s, m_group.classes[to]), true;
    m_pick.clear();
    for (int s : m_group.students) {
        if (m_placement.local(s) == from && m_p.students[s].band == b && m_placement.isFree(s) &&
            m_p.students[s].mark >= 0 && !m_p.hasMoreMarks(s))
            m_pick.push_back(s);
    }
    const size_t first = m_pick.empty() ? 0 : m_rng.below(static_cast<uint32_t>(m_pick.size()));
    for (size_t k = 0; k < m_pick.size(); ++k) {
        if (clearWay(m_pick[(first + k) % m_pick.size()], m_group.classes[to]))
            return true;
    }
    for (int via = 0; via < m_classes; ++via) {
        const int s = via == from || via == to ? -1 : randomStudent(from, b, via);
        const int t = s < 0 ? -1 : randomStudent(via, b, to);
        if (t >= 0) {
            place(s, m_group.classes[via]);
            place(t, m_group.classes[to]);
            return true;
        }
    }
    return false;
}

// s goes to class number `to` where one student there holds s's mark: that
// student changes places with one of its own group and band in s's class,
// so that no band count of its group changes.
bool BandRepair::clearWay(int s, int to)
{
    const std::vector<int>& classOf = m_placement.seats().classes();
    const int mark = m_p.students[s].mark;
    const int here = classOf[s];
    if (mark < 0 || m_marked[{to, mark}] != 1)
        return false;
    int t = 0;
    while (t < static_cast<int>(classOf.size()) && (classOf[t] != to || m_p.students[t].mark != mark))
        ++t;
    // The one there may hold the mark beside another: then no way is cleared.
    if (t == static_cast<int>(classOf.size()) || !m_placement.isFree(t) || m_p.hasMoreMarks(t))
        return false;
    for (int u : m_p.groups[m_p.students[t].group].students) {
        const int markU = m_p.students[u].mark;
        if (u != s && classOf[u] == here && m_p.students[u].band == m_p.students[t].band && m_placement.isFree(u) &&
            !m_p.hasMoreMarks(u) &&
            (markU < 0 || (markU != mark && m_marked[{to, markU}] == 0))) {
            place(s, to);
            place(t, here);
            place(u, to);
            return true;
        }
    }
    return false;
}

// A student of class l and band b who may move to class `to`; -1: none.
int BandRepair::randomStudent(int l, int b, int to)
{
    m_pick.clear();
    for (int s : m_group.students) {
        if (m_placement.local(s) == l && m_p.students[s].band == b && m_placement.isFree(s) && mayGoTo(s, to))
            m_pick.push_back(s);
    }
    return m_pick.empty() ? -1 : m_pick[m_rng.below(static_cast<uint32_t>(m_pick.size()))];
}

bool BandRepair::mayGoTo(int s, int l)
{
    bool free = true;
    m_p.forEachMark(s, [&](int m) { free = free && m_marked[{m_group.classes[l], m}] == 0; });
    return free;
}

// Puts s, of this group or another, into the class numbered c, its mark with it.
void BandRepair::place(int s, int c)
{
    Seats& seats = m_placement.seats();
    m_made.push_back({s, seats.classOf(s)});
    m_p.forEachMark(s, [&](int m) {
        --m_marked[{seats.classOf(s), m}];
        ++m_marked[{c, m}];
    });
    seats.seat(s, c);
}

void BandRepair::takeBack()
{
    while (!m_made.empty()) {
        const Step step = m_made.back();
        place(step.student, step.fromClass);
        m_made.pop_back(); // the step place() just noted
        m_made.pop_back();
    }
}

} // namespace classdiv::evening
