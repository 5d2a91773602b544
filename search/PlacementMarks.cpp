// Keep-apart counts where a student is under more than one set: a mark and
// entries of the school's record, or several entries. Only years with such a
// student run this; the others keep the one-mark step of Placement.h.

#include "search/Placement.h"

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

long Placement::morePairsChange(int a, int b, int ca, int cb) const
{
    const std::vector<int> ma = marksOf(m_p, a), mb = marksOf(m_p, b);
    const int marks = m_p.markCount;
    long change = 0;
    // A set both hold keeps its counts: one leaves each class, one comes.
    for (int m : ma)
        if (!holds(mb, m))
            change += m_markCount[cb * marks + m] - (m_markCount[ca * marks + m] - 1);
    for (int m : mb)
        if (!holds(ma, m))
            change += m_markCount[ca * marks + m] - (m_markCount[cb * marks + m] - 1);
    return change;
}

void Placement::moveMoreMarks(int a, int b, int ca, int cb)
{
    const int marks = m_p.markCount;
    if (m_p.hasMoreMarks(a))
        for (int m : m_p.moreMarks[static_cast<size_t>(a)]) {
            --m_markCount[ca * marks + m];
            ++m_markCount[cb * marks + m];
        }
    if (m_p.hasMoreMarks(b))
        for (int m : m_p.moreMarks[static_cast<size_t>(b)]) {
            --m_markCount[cb * marks + m];
            ++m_markCount[ca * marks + m];
        }
}

} // namespace classdiv::evening
