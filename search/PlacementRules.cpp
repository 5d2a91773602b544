// Before the search: every fixed student into its class, every together set
// into one class and marked students apart, as search/RuleAssignment.h
// finds classes for them, each by exchanges within its group, so every head
// count stays. After this neither fixed students nor sets move one by one again.

#include "search/Placement.h"
#include "search/RuleAssignment.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace classdiv::evening {

namespace {

// The distance of a student of another band: more than any difference of scores.
constexpr double kOtherBandDistance = 1e6;

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
        const double distance = (p.students[t].band != p.students[s].band ? kOtherBandDistance : 0.0) +
                                std::abs(p.students[t].score - p.students[s].score);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = t;
        }
    }
    return best;
}

// Moves seats only, before anything is counted.
class RuleSeating {
public:
    RuleSeating(const Problem& problem, Seats& seats)
        : m_p(problem), m_seats(seats), m_class(seats.classes()), m_unitPlaced(problem.units.size(), 0)
    {
    }
    // The sets it could not gather.
    std::vector<int> run();

private:
    std::vector<int> placeAssigned(const std::vector<int>& target);
    std::vector<int> placeOneByOne();
    // The classes a together set may go to, the likeliest first, and its
    // gathering there by exchanges with free students (none made when it fails).
    std::vector<int> unitTargets(int unit) const;
    bool gatherUnit(int unit, int target, std::vector<std::pair<int, int>>& made);

    const Problem& m_p;
    Seats& m_seats;
    const std::vector<int>& m_class;
    std::vector<char> m_unitPlaced; // the sets already in their classes
};

std::vector<int> RuleSeating::run()
{
    const Assignment assignment = assignRuleStudents(m_p, m_class);
    return assignment.found ? placeAssigned(assignment.classOf) : placeOneByOne();
}

std::vector<int> RuleSeating::placeAssigned(const std::vector<int>& target)
{
    // Each student under a rule changes places with one of its group in
    // its class that is free of rules, or that is bound elsewhere anyway.
    for (size_t s = 0; s < m_p.students.size(); ++s) {
        const int c = target[s];
        if (c < 0 || m_class[s] == c)
            continue;
        const int partner = nearest(m_p, m_class, static_cast<int>(s), c, [&](int t) { return target[t] != c; });
        if (partner >= 0)
            m_seats.exchange(static_cast<int>(s), partner);
    }
    return {};
}

std::vector<int> RuleSeating::placeOneByOne()
{
    // Beyond the search's budget: fixed students first, then each set where
    // it finds room; the sets left apart are named afterwards.
    for (size_t s = 0; s < m_p.students.size(); ++s) {
        const int c = m_p.rulesOf(s).fixedClass;
        if (c < 0 || m_class[s] == c)
            continue;
        const int partner = nearest(m_p, m_class, static_cast<int>(s), c, [&](int t) { return m_p.rulesOf(t).fixedClass < 0; });
        if (partner >= 0)
            m_seats.exchange(static_cast<int>(s), partner);
    }
    std::vector<int> broken;
    std::vector<std::pair<int, int>> made;
    for (size_t u = 0; u < m_p.units.size(); ++u) {
        const std::vector<int> targets = unitTargets(static_cast<int>(u));
        if (std::none_of(targets.begin(), targets.end(), [&](int t) { return gatherUnit(static_cast<int>(u), t, made); }))
            broken.push_back(static_cast<int>(u));
        m_unitPlaced[u] = 1;
    }
    return broken;
}

std::vector<int> RuleSeating::unitTargets(int unit) const
{
    // Where most of the set already is comes first: the fewest exchanges.
    const std::vector<int>& members = m_p.units[unit];
    std::vector<std::pair<int, int>> ranked; // (members elsewhere, class)
    for (int c : m_p.unitClasses[unit]) {
        const bool fixedElsewhere = std::any_of(members.begin(), members.end(), [&](int m) {
            return m_p.rulesOf(m).fixedClass >= 0 && m_p.rulesOf(m).fixedClass != c;
        });
        if (!fixedElsewhere)
            ranked.emplace_back(static_cast<int>(std::count_if(members.begin(), members.end(), [&](int m) { return m_class[m] != c; })), c);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> targets;
    for (const auto& [elsewhere, c] : ranked)
        targets.push_back(c);
    return targets;
}

bool RuleSeating::gatherUnit(int unit, int target, std::vector<std::pair<int, int>>& made)
{
    made.clear();
    std::vector<char> taken(m_p.students.size(), 0);
    for (int m : m_p.units[unit]) {
        if (m_class[m] == target)
            continue;
        const int partner = nearest(m_p, m_class, m, target, [&](int t) {
            const int other = m_p.rulesOf(t).unit;
            return m_p.rulesOf(t).fixedClass < 0 && other != unit && (other < 0 || !m_unitPlaced[other]) && !taken[t];
        });
        if (partner < 0)
            return false;
        taken[partner] = 1;
        made.emplace_back(m, partner);
    }
    for (const auto& [m, partner] : made)
        m_seats.exchange(m, partner);
    return true;
}

} // namespace

std::vector<int> Placement::placeRules()
{
    return RuleSeating(m_p, m_seats).run();
}

} // namespace classdiv::evening
