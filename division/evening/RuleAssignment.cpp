// The students under a hard rule (a fixed class, a together set, a keep-apart
// mark) given classes that meet all of those rules at once, the plans'
// head counts included: the free students fill the places left. A search over
// the sets and the marked or fixed students, most bound first, with a budget.

#include "division/evening/RuleAssignment.h"

#include "division/evening/FairShares.h"

#include <algorithm>
#include <functional>
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

} // namespace

Assignment assignRuleStudents(const Problem& p, const std::vector<int>& preferred)
{
    // The units: every together set, and every other student with a fixed class or a mark.
    std::vector<Unit> units;
    for (size_t u = 0; u < p.units.size(); ++u) {
        Unit unit{p.units[u], p.unitClasses[u]};
        for (int m : unit.students)
            if (p.rulesOf(m).fixedClass >= 0)
                std::erase_if(unit.classes, [&](int c) { return c != p.rulesOf(m).fixedClass; });
        units.push_back(std::move(unit));
    }
    for (size_t s = 0; s < p.students.size(); ++s) {
        const Student& student = p.students[s];
        const StudentRules& bound = p.rulesOf(static_cast<int>(s));
        if (bound.unit >= 0 || (bound.fixedClass < 0 && student.mark < 0))
            continue;
        units.push_back({{static_cast<int>(s)},
                         bound.fixedClass >= 0 ? std::vector<int>{bound.fixedClass} : p.groups[student.group].classes});
    }
    for (Unit& unit : units) {
        // Where most of it already is comes first: the fewest exchanges.
        const auto elsewhere = [&](int c) {
            return std::count_if(unit.students.begin(), unit.students.end(),
                                 [&](int s) { return s >= static_cast<int>(preferred.size()) || preferred[s] != c; });
        };
        std::stable_sort(unit.classes.begin(), unit.classes.end(), [&](int a, int b) { return elsewhere(a) < elsewhere(b); });
    }
    // The most bound first: the fewest classes, then the most students.
    std::vector<int> order(units.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return std::pair(units[a].classes.size(), -units[a].students.size()) <
               std::pair(units[b].classes.size(), -units[b].students.size());
    });

    // Places left of each group in each class, and the classes each mark holds.
    std::vector<std::vector<int>> room(p.groups.size(), std::vector<int>(p.classCount, 0));
    for (size_t g = 0; g < p.groups.size(); ++g)
        for (size_t l = 0; l < p.groups[g].classes.size(); ++l)
            room[g][p.groups[g].classes[l]] = p.groups[g].headCounts[l];
    std::vector<std::vector<char>> marked(p.markCount, std::vector<char>(p.classCount, 0));

    // The fair range of every (group, class, band) and the bound students
    // placed in it: a set or a marked student is first placed only where it
    // leaves every band of the class room for its fair share.
    const int bands = p.bandCount;
    std::vector<std::vector<FairRange>> fair(p.groups.size());
    std::vector<std::vector<int>> bound(p.groups.size(), std::vector<int>(p.classCount * bands, 0));
    for (size_t g = 0; g < p.groups.size(); ++g) {
        std::vector<int> inBand(bands, 0);
        for (int s : p.groups[g].students)
            ++inBand[p.students[s].band];
        fair[g].resize(p.classCount * bands);
        for (size_t l = 0; l < p.groups[g].classes.size(); ++l)
            for (int b = 0; b < bands; ++b)
                fair[g][p.groups[g].classes[l] * bands + b] = fairBandRange(
                    p.groups[g].headCounts[l], inBand[b], static_cast<int>(p.groups[g].students.size()));
    }
    const auto keepsBands = [&](const Unit& unit, int c) {
        for (int s : unit.students)
            ++bound[p.students[s].group][c * bands + p.students[s].band];
        bool keeps = true;
        for (int s : unit.students) {
            const int g = p.students[s].group;
            int floors = 0; // the places the class's bands need at least
            for (int b = 0; b < bands; ++b) {
                const int i = c * bands + b;
                keeps = keeps && bound[g][i] <= fair[g][i].high;
                floors += std::max(bound[g][i], fair[g][i].low);
            }
            const std::vector<int>& classes = p.groups[g].classes;
            keeps = keeps && floors <= p.groups[g].headCounts[std::find(classes.begin(), classes.end(), c) - classes.begin()];
        }
        for (int s : unit.students)
            --bound[p.students[s].group][c * bands + p.students[s].band];
        return keeps;
    };
    bool bandsFirst = true;

    Assignment result;
    result.classOf.assign(p.students.size(), -1);
    long budget = kAssignmentBudget;
    const auto fits = [&](const Unit& unit, int c) {
        for (int s : unit.students) {
            const Student& student = p.students[s];
            if (room[student.group][c] <= 0 || (student.mark >= 0 && marked[student.mark][c]))
                return false;
        }
        // A fixed student goes to its class whatever the bands.
        if (bandsFirst && unit.classes.size() > 1 && !keepsBands(unit, c))
            return false;
        // Two members of one group need two places.
        for (size_t i = 0; i < unit.students.size(); ++i) {
            int same = 0;
            for (size_t j = 0; j <= i; ++j)
                same += p.students[unit.students[j]].group == p.students[unit.students[i]].group;
            if (same > room[p.students[unit.students[i]].group][c])
                return false;
        }
        return true;
    };
    const auto take = [&](const Unit& unit, int c, int by) {
        for (int s : unit.students) {
            room[p.students[s].group][c] -= by;
            bound[p.students[s].group][c * bands + p.students[s].band] += by;
            if (p.students[s].mark >= 0)
                marked[p.students[s].mark][c] = by > 0;
            result.classOf[s] = by > 0 ? c : -1;
        }
    };
    std::function<bool(size_t)> place = [&](size_t i) {
        if (i == order.size())
            return true;
        const Unit& unit = units[order[i]];
        for (int c : unit.classes) {
            if (--budget < 0)
                return false;
            if (!fits(unit, c))
                continue;
            take(unit, c, 1);
            if (place(i + 1))
                return true;
            take(unit, c, -1);
        }
        return false;
    };
    result.found = place(0);
    if (!result.found) { // none found that keeps the bands: the rules above them come first
        bandsFirst = false;
        budget = kAssignmentBudget;
        result.found = place(0);
    }
    result.complete = budget >= 0;
    if (!result.found)
        result.classOf.assign(p.students.size(), -1);
    return result;
}

} // namespace classdiv::evening
