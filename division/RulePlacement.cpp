// Before the search: every fixed student into its class and every together
// set into one class, each by exchanges with free students of the same group,
// so every head count stays. After this neither moves one by one again.

#include "division/EveningPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace classdiv::evening {

namespace {

// Of the students of s's group in class c that `may` take, the one closest
// to s in band and score: its leaving changes the class least.
template <class May>
int nearest(const Problem& p, const std::vector<int>& classOf, int s, int c, May may)
{
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int t : p.groups[p.students[s].group].students) {
        if (classOf[t] != c || !may(t))
            continue;
        // Another band costs more than any difference of scores.
        const double distance = (p.students[t].band != p.students[s].band ? 1e6 : 0.0) +
                                std::abs(p.students[t].score - p.students[s].score);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = t;
        }
    }
    return best;
}

} // namespace

std::vector<int> Placement::placeRules()
{
    // A fixed student takes the place of anyone not fixed: the sets are gathered afterwards.
    for (size_t s = 0; s < m_p.students.size(); ++s) {
        const int target = m_p.students[s].fixedClass;
        if (target < 0 || m_class[s] == target)
            continue;
        const int partner = nearest(m_p, m_class, static_cast<int>(s), target,
                                    [&](int t) { return m_p.students[t].fixedClass < 0; });
        if (partner >= 0)
            exchangeClasses(static_cast<int>(s), partner);
    }

    // A set goes where most of it already is, among the classes all its
    // groups open, and its members take the places of free students there.
    std::vector<int> broken;
    std::vector<char> taken(m_p.students.size(), 0);
    for (size_t u = 0; u < m_p.units.size(); ++u) {
        const std::vector<int>& members = m_p.units[u];
        int target = -1, most = -1;
        for (int c : m_p.unitClasses[u]) {
            const int here = static_cast<int>(std::count_if(members.begin(), members.end(), [&](int m) { return m_class[m] == c; }));
            const bool fixedElsewhere = std::any_of(members.begin(), members.end(), [&](int m) {
                return m_p.students[m].fixedClass >= 0 && m_p.students[m].fixedClass != c;
            });
            if (!fixedElsewhere && here > most) {
                most = here;
                target = c;
            }
        }
        std::vector<std::pair<int, int>> exchanges;
        for (int m : members) {
            if (target < 0 || m_class[m] == target)
                continue;
            const int partner = nearest(m_p, m_class, m, target, [&](int t) { return m_free[t] && !taken[t]; });
            if (partner < 0) {
                target = -1;
                break;
            }
            taken[partner] = 1;
            exchanges.emplace_back(m, partner);
        }
        for (const auto& [m, partner] : exchanges) {
            taken[partner] = 0;
            if (target >= 0)
                exchangeClasses(m, partner);
        }
        if (target < 0)
            broken.push_back(static_cast<int>(u));
    }
    return broken;
}

} // namespace classdiv::evening
