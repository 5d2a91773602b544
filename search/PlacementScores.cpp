// Placement with score columns evened beside the main one: the class sums
// of every column, and the key over every column, each class average
// measured in standard deviations of its column. Without extra columns none
// of this runs.

#include "search/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace classdiv::evening {

void Placement::recountExtras()
{
    for (int k = 0; k < m_p.scoreColumns; ++k) {
        m_extraSum[k].assign(m_p.classCount, 0);
        m_extraCount[k].assign(m_p.classCount, 0);
        m_extraAverage[k].assign(m_p.classCount, std::numeric_limits<double>::quiet_NaN());
    }
    for (size_t s = 0; s < m_p.students.size(); ++s)
        for (int k = 0; k < m_p.scoreColumns; ++k) {
            m_extraSum[k][m_class[s]] += m_p.extras[s][k].value;
            m_extraCount[k][m_class[s]] += m_p.extras[s][k].counted;
        }
    for (int k = 0; k < m_p.scoreColumns; ++k)
        for (int c = 0; c < m_p.classCount; ++c)
            if (m_extraCount[k][c] > 0)
                m_extraAverage[k][c] = m_extraSum[k][c] / m_extraCount[k][c];
}

Key Placement::scoresKey(const Component& component, const Key& rules, int ca, int cb, const Change* ch) const
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

Key Placement::scoresKeyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const
{
    Key rules = now;
    addRules(rules, ch);
    return scoresKey(component, rules, ca, cb, &ch);
}

} // namespace classdiv::evening
