// The students under a hard rule (a fixed class, a together set, a keep-apart
// mark) given classes that meet all of those rules at once, the plans'
// head counts included: the free students fill the places left. A search over
// the sets and the marked or fixed students, most bound first, with a budget.

#include "search/RuleAssignment.h"

#include "search/FairShares.h"

#include <algorithm>
#include <numeric>

namespace classdiv::evening {

namespace {

// Nodes of the search before it gives up: a school's rules are placed in a
// few hundred, and only years that cannot be placed use more.
constexpr long kAssignmentBudget = 200'000;

struct Unit {
    std::vector<int> students;
    std::vector<int> classes; // where it may go, the preferred first
};


// The search itself: the units placed one by one, the most bound first,
// each into the first class that fits, backtracking when one does not.
class RuleSearch {
public:
    RuleSearch(const Problem& p, const std::vector<int>& preferred) : m_p(p), m_bands(p.bandCount)
    {
        gatherUnits(preferred);
        orderUnits();
        countRoom();
        m_result.classOf.assign(p.students.size(), -1);
    }

    Assignment run()
    {
        m_result.found = place(0);
        if (!m_result.found) { // none found that keeps the bands: the rules above them come first
            m_bandsFirst = false;
            m_budget = kAssignmentBudget;
            m_result.found = place(0);
        }
        m_result.complete = m_budget >= 0;
        if (!m_result.found)
            m_result.classOf.assign(m_p.students.size(), -1);
        return m_result;
    }

private:
    // The units: every together set, and every other student with a fixed
    // class or a mark, where most of it already is first (the fewest exchanges).
    void gatherUnits(const std::vector<int>& preferred)
    {
        const Problem& p = m_p;
        for (size_t u = 0; u < p.units.size(); ++u) {
            Unit unit{p.units[u], p.unitClasses[u]};
            for (int m : unit.students)
                if (p.rulesOf(m).fixedClass >= 0)
                    std::erase_if(unit.classes, [&](int c) { return c != p.rulesOf(m).fixedClass; });
            m_units.push_back(std::move(unit));
        }
        for (size_t s = 0; s < p.students.size(); ++s) {
            const Student& student = p.students[s];
            const StudentRules& bound = p.rulesOf(static_cast<int>(s));
            if (bound.unit >= 0 || (bound.fixedClass < 0 && student.mark < 0))
                continue;
            m_units.push_back({{static_cast<int>(s)},
                               bound.fixedClass >= 0 ? std::vector<int>{bound.fixedClass} : p.groups[student.group].classes});
        }
        for (Unit& unit : m_units) {
            const auto elsewhere = [&](int c) {
                return std::count_if(unit.students.begin(), unit.students.end(),
                                     [&](int s) { return s >= static_cast<int>(preferred.size()) || preferred[s] != c; });
            };
            std::stable_sort(unit.classes.begin(), unit.classes.end(),
                             [&](int a, int b) { return elsewhere(a) < elsewhere(b); });
        }
    }

    // The most bound first: the fewest classes, then the most students.
    void orderUnits()
    {
        m_order.resize(m_units.size());
        std::iota(m_order.begin(), m_order.end(), 0);
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            return std::pair(m_units[a].classes.size(), -m_units[a].students.size()) <
                   std::pair(m_units[b].classes.size(), -m_units[b].students.size());
        });
    }

    // Places left of each group in each class, the classes each mark holds,
    // and the fair band table of each group with the bound students placed
    // in each of its cells.
    void countRoom()
    {
        const Problem& p = m_p;
        m_room.assign(p.groups.size(), std::vector<int>(p.classCount, 0));
        m_fair.resize(p.groups.size());
        m_bound.assign(p.groups.size(), std::vector<int>(p.classCount * m_bands, 0));
        for (size_t g = 0; g < p.groups.size(); ++g) {
            const Group& group = p.groups[g];
            for (size_t l = 0; l < group.classes.size(); ++l)
                m_room[g][group.classes[l]] = group.headCounts[l];
            std::vector<int> inBand(m_bands, 0);
            for (int s : group.students)
                ++inBand[p.students[s].band];
            m_fair[g] = fairBandTable(group.headCounts, inBand, static_cast<int>(group.students.size()));
        }
        m_marked.assign(p.markCount, std::vector<char>(p.classCount, 0));
    }

    // A set or a marked student is first placed only where it leaves every
    // band of the class room for its fair share.
    bool keepsBands(const Unit& unit, int c)
    {
        const Problem& p = m_p;
        for (int s : unit.students)
            ++m_bound[p.students[s].group][c * m_bands + p.students[s].band];
        bool keeps = true;
        for (int s : unit.students) {
            const int g = p.students[s].group;
            const std::vector<int>& classes = p.groups[g].classes;
            const size_t l = std::find(classes.begin(), classes.end(), c) - classes.begin();
            int floors = 0; // the places the class's bands need at least
            for (int b = 0; b < m_bands; ++b) {
                const int held = m_bound[g][c * m_bands + b];
                const FairRange& fair = m_fair[g][l * m_bands + b];
                keeps = keeps && held <= fair.high;
                floors += std::max(held, fair.low);
            }
            keeps = keeps && floors <= p.groups[g].headCounts[l];
        }
        for (int s : unit.students)
            --m_bound[p.students[s].group][c * m_bands + p.students[s].band];
        return keeps;
    }

    bool fits(const Unit& unit, int c)
    {
        for (int s : unit.students) {
            const Student& student = m_p.students[s];
            bool marked = false;
            m_p.forEachMark(s, [&](int m) { marked = marked || m_marked[m][c]; });
            if (m_room[student.group][c] <= 0 || marked)
                return false;
        }
        // A fixed student goes to its class whatever the bands.
        if (m_bandsFirst && unit.classes.size() > 1 && !keepsBands(unit, c))
            return false;
        // Two members of one group need two places.
        for (size_t i = 0; i < unit.students.size(); ++i) {
            int same = 0;
            for (size_t j = 0; j <= i; ++j)
                same += m_p.students[unit.students[j]].group == m_p.students[unit.students[i]].group;
            if (same > m_room[m_p.students[unit.students[i]].group][c])
                return false;
        }
        return true;
    }

    // by 1 puts the unit into class c, -1 takes it out again.
    void take(const Unit& unit, int c, int by)
    {
        for (int s : unit.students) {
            const Student& student = m_p.students[s];
            m_room[student.group][c] -= by;
            m_bound[student.group][c * m_bands + student.band] += by;
            m_p.forEachMark(s, [&](int m) { m_marked[m][c] = by > 0; });
            m_result.classOf[s] = by > 0 ? c : -1;
        }
    }

    // The units from the i'th on, in order.
    bool place(size_t i)
    {
        if (i == m_order.size())
            return true;
        const Unit& unit = m_units[m_order[i]];
        for (int c : unit.classes) {
            if (--m_budget < 0)
                return false;
            if (!fits(unit, c))
                continue;
            take(unit, c, 1);
            if (place(i + 1))
                return true;
            take(unit, c, -1);
        }
        return false;
    }

    const Problem& m_p;
    const int m_bands;
    std::vector<Unit> m_units;
    std::vector<int> m_order;
    std::vector<std::vector<int>> m_room;      // [group][class]
    std::vector<std::vector<char>> m_marked;   // [mark][class]
    std::vector<std::vector<FairRange>> m_fair; // [group]: fairBandTable, by the group's classes
    std::vector<std::vector<int>> m_bound;     // [group][class * bands + band]: bound students placed
    bool m_bandsFirst = true;
    long m_budget = kAssignmentBudget;
    Assignment m_result;
};

} // namespace

Assignment assignRuleStudents(const Problem& p, const std::vector<int>& preferred)
{
    return RuleSearch(p, preferred).run();
}

} // namespace classdiv::evening
