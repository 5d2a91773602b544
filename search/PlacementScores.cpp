// The class sums and averages of every score column, and the part of a key
// they decide: the spread of the averages and their squared distances from
// the mean. With score columns evened beside the main one, the key is over
// every column, each class average measured in standard deviations of its
// column; without extra columns that part never runs.

#include "search/PlacementParts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace classdiv::evening {

ClassSums::ClassSums(const Problem& problem)
    : m_p(problem), m_head(problem.classCount, 0), m_invHead(problem.classCount, 0), m_scale(scoreScales(problem))
{
    for (const Group& group : m_p.groups)
        for (size_t l = 0; l < group.classes.size(); ++l)
            m_head[group.classes[l]] += group.headCounts[l];
    for (int c = 0; c < m_p.classCount; ++c)
        m_invHead[c] = m_head[c] > 0 ? 1.0 / m_head[c] : 0;
}

void ClassSums::recount(const Seats& seats)
{
    m_sum.assign(m_p.classCount, 0);
    for (size_t s = 0; s < m_p.students.size(); ++s)
        m_sum[seats.classOf(static_cast<int>(s))] += m_p.students[s].score;
    m_average.assign(m_p.classCount, 0);
    for (int c = 0; c < m_p.classCount; ++c)
        m_average[c] = m_sum[c] * m_invHead[c];
    if (m_p.scoreColumns > 0)
        recountExtras(seats);
}

void ClassSums::recountExtras(const Seats& seats)
{
    for (int k = 0; k < m_p.scoreColumns; ++k) {
        m_extraSum[k].assign(m_p.classCount, 0);
        m_extraCount[k].assign(m_p.classCount, 0);
        m_extraAverage[k].assign(m_p.classCount, std::numeric_limits<double>::quiet_NaN());
    }
    for (size_t s = 0; s < m_p.students.size(); ++s)
        for (int k = 0; k < m_p.scoreColumns; ++k) {
            const int c = seats.classOf(static_cast<int>(s));
            m_extraSum[k][c] += m_p.extras[s][k].value;
            m_extraCount[k][c] += m_p.extras[s][k].counted;
        }
    for (int k = 0; k < m_p.scoreColumns; ++k)
        for (int c = 0; c < m_p.classCount; ++c)
            if (m_extraCount[k][c] > 0)
                m_extraAverage[k][c] = m_extraSum[k][c] / m_extraCount[k][c];
}

void ClassSums::completeKey(const Component& component, Key& key) const
{
    if (m_p.scoreColumns > 0) {
        key = scoresKey(component, key, -1, -1, nullptr);
        return;
    }
    double high = -std::numeric_limits<double>::infinity();
    double low = std::numeric_limits<double>::infinity();
    for (int c : component.classes) {
        high = std::max(high, m_average[c]);
        low = std::min(low, m_average[c]);
        key.squares += (m_average[c] - component.mean) * (m_average[c] - component.mean);
    }
    key.spread = high - low;
}

Key ClassSums::scoresKey(const Component& component, const Key& rules, int ca, int cb, const Change* ch) const
{
    Key key = rules;
    key.spread = key.main = key.squares = 0;
    const auto pick = [&](int c, double changedA, double changedB, double now) {
        return ch && c == ca ? changedA : ch && c == cb ? changedB : now;
    };
    AverageRange main;
    for (int c : component.classes) {
        const double a = pick(c, ch ? ch->averageA : 0, ch ? ch->averageB : 0, m_average[c]);
        main.add(a);
        const double d = (a - component.mean) * m_scale[0];
        key.squares += d * d;
    }
    key.main = main.width();
    key.spread = key.main * m_scale[0];
    key.columns = key.spread;
    for (int k = 0; k < m_p.scoreColumns; ++k) {
        AverageRange range;
        for (int c : component.classes) {
            const double a = pick(c, ch ? ch->extraA[k] : 0, ch ? ch->extraB[k] : 0, m_extraAverage[k][c]);
            range.add(a);
            if (!std::isnan(a)) {
                const double d = (a - component.extraMean[k]) * m_scale[k + 1];
                key.squares += d * d;
            }
        }
        key.spread = std::max(key.spread, range.width() * m_scale[k + 1]);
        key.columns += range.width() * m_scale[k + 1];
    }
    key.columns /= m_p.scoreColumns + 1;
    return key;
}

} // namespace classdiv::evening
