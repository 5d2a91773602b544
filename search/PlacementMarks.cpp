// The marked students of each class. Where a student is under more than one
// set (a mark and entries of the school's record, or several entries), an
// exchange is counted here; the others keep the one-mark step of
// PlacementParts.h.

#include "search/PlacementParts.h"

#include <algorithm>

namespace classdiv::evening {

namespace {

// The sets of s, at most a handful.
std::vector<int> marksOf(const Problem& p, int s)
{
    std::vector<int> marks;
    p.forEachMark(s, [&](int m) { marks.push_back(m); });
    return marks;
}

bool holds(const std::vector<int>& marks, int m)
{
    return std::find(marks.begin(), marks.end(), m) != marks.end();
}

} // namespace

void MarkCounts::recount(const Seats& seats)
{
    m_count.assign(static_cast<size_t>(m_p.classCount) * m_p.markCount, 0);
    for (size_t s = 0; s < m_p.students.size(); ++s) {
        const int c = seats.classOf(static_cast<int>(s));
        m_p.forEachMark(static_cast<int>(s), [&](int m) { ++m_count[c * m_p.markCount + m]; });
    }
}

long MarkCounts::pairsIn(int c) const
{
    long pairs = 0;
    for (int m = 0; m < m_p.markCount; ++m) {
        const long n = m_count[c * m_p.markCount + m];
        pairs += n * (n - 1) / 2;
    }
    return pairs;
}

long MarkCounts::morePairsChange(int a, int b, int ca, int cb) const
{
    const std::vector<int> ma = marksOf(m_p, a), mb = marksOf(m_p, b);
    const int marks = m_p.markCount;
    long change = 0;
    // A set both hold keeps its counts: one leaves each class, one comes.
    for (int m : ma)
        if (!holds(mb, m))
            change += m_count[cb * marks + m] - (m_count[ca * marks + m] - 1);
    for (int m : mb)
        if (!holds(ma, m))
            change += m_count[ca * marks + m] - (m_count[cb * marks + m] - 1);
    return change;
}

void MarkCounts::moveMoreMarks(int a, int b, int ca, int cb)
{
    const int marks = m_p.markCount;
    if (m_p.hasMoreMarks(a))
        for (int m : m_p.moreMarks[static_cast<size_t>(a)]) {
            --m_count[ca * marks + m];
            ++m_count[cb * marks + m];
        }
    if (m_p.hasMoreMarks(b))
        for (int m : m_p.moreMarks[static_cast<size_t>(b)]) {
            --m_count[cb * marks + m];
            ++m_count[ca * marks + m];
        }
}

} // namespace classdiv::evening
