#include "search/CountPaths.h"

#include "search/LevelRepair.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace classdiv::evening {

namespace {

// Moves of two or three students weighed, at most, to mend the flags after a path.
constexpr long kMendBudget = 20'000;
// Weighing them counts as this many pairs of students tried for a path.
constexpr long kMendsAPath = 100;
// Pairs weighed, at most, for the paths that mend what a path spoilt in
// its end classes (CountPaths::tryPath).
constexpr long kSecondPathBudget = 500;

class CountPaths {
public:
    CountPaths(Placement& placement, const Component& component, Key now, long budget)
        : m_placement(placement), m_p(placement.problem()), m_component(component), m_now(now), m_left(budget),
          m_levels(placement.levels(kFlagColumns))
    {
    }

    Key run()
    {
        if (!m_levels.active())
            return m_now;
        while (m_left > 0 && improveOnce()) {
        }
        return m_now;
    }

private:
    // The free students of the component by class and mixing value.
    void sortStudents()
    {
        const size_t classes = m_component.classes.size();
        m_local.assign(static_cast<size_t>(m_p.classCount), -1);
        for (size_t l = 0; l < classes; ++l)
            m_local[m_component.classes[l]] = static_cast<int>(l);
        m_students.assign(classes * (m_p.mixCount + 1), {});
        for (int s : m_component.movable)
            if (m_placement.isFree(s))
                studentsOf(m_local[m_placement.classOf(s)], m_p.students[s].mix).push_back(s);
    }
    std::vector<int>& studentsOf(int local, int value)
    {
        return m_students[static_cast<size_t>(local) * (m_p.mixCount + 1) + value + 1];
    }

    // The best path over every cell at the highest deviation, taken; false when none makes the key better.
    bool improveOnce()
    {
        const int component = m_levels.componentOf(m_component.classes.front());
        const int top = m_levels.top(component);
        if (top == 0)
            return false;
        sortStudents();
        m_start = m_now;
        m_found = false;
        carryEveryTopCell(top);
        if (!m_found)
            return false;
        m_placement.restore(m_component, m_best);
        m_now = m_bestKey;
        return true;
    }

    // Paths for every cell of the component at the highest deviation, top.
    void carryEveryTopCell(int top)
    {
        const int values = m_p.mixCount;
        const int classes = static_cast<int>(m_component.classes.size());
        for (int lx = 0; lx < classes && m_left > 0; ++lx)
            for (int v = 0; v < values; ++v) {
                const int cell = m_component.classes[lx] * values + v;
                const int count = m_placement.valueCount(kFlagColumns, cell);
                if (m_levels.level(cell, count) != top)
                    continue;
                const bool fewer = m_levels.atHigh(cell, count);
                for (int w = -1; w < values && m_left > 0; ++w)
                    if (w != v)
                        fewer ? carry(lx, v, w) : carry(lx, w, v);
            }
    }

    // An exchange of a student of value `out` in class `from` with one of
    // value `in` in class `to`, of one group, that keeps the band counts
    // and by itself makes no flag column and no keep-apart worse; one that
    // changes no flag count first. {-1, -1} when none.
    std::pair<int, int> leg(int from, int to, int out, int in)
    {
        std::pair<int, int> found{-1, -1};
        for (int a : studentsOf(from, out))
            for (int b : studentsOf(to, in)) {
                if (m_p.students[a].group != m_p.students[b].group)
                    continue;
                Change ch;
                --m_left;
                if (!m_placement.change(a, b, ch) || ch.pairs > 0 || ch.flags > 0 || ch.levels[0] > 0 || ch.levels[1] > 0)
                    continue;
                if (m_p.rulesOf(a).flags == m_p.rulesOf(b).flags)
                    return {a, b};
                if (found.first < 0)
                    found = {a, b};
            }
        return found;
    }

    // Class x (local) sends a student of value `out` and gets one of value
    // `in` back, along the shortest path of exchanges to each class in
    // turn: where that makes the mixing column better, or where it spoils
    // another cell of an end class and paths may mend that (tryPath).
    void carry(int x, int out, int in)
    {
        const int classes = static_cast<int>(m_component.classes.size());
        std::vector<int> from(static_cast<size_t>(classes), -2);
        std::vector<std::pair<int, int>> via(static_cast<size_t>(classes));
        std::vector<int> queue{x};
        from[x] = -1;
        for (size_t head = 0; head < queue.size(); ++head) {
            const int c = queue[head];
            for (int d = 0; d < classes; ++d) {
                if (from[d] != -2 || studentsOf(d, in).empty())
                    continue;
                const auto pair = leg(c, d, out, in);
                if (pair.first < 0)
                    continue;
                from[d] = c;
                via[d] = pair;
                queue.push_back(d);
                if (helps(x, d, out, in))
                    tryPath(d, from, via, false);
                else if (m_mendsAfter)
                    tryPath(d, from, via, true);
                if (m_left <= 0)
                    return;
            }
        }
        return;
    }

    // Whether the mixing column gets better when class x sends one of value
    // `out` to class y and gets one of value `in` from it.
    bool helps(int x, int y, int out, int in) const
    {
        std::array<ShareLevels::Step, 4> steps;
        int made = 0;
        const auto add = [&](int local, int value, int by) {
            if (value < 0)
                return;
            const int cell = m_component.classes[local] * m_p.mixCount + value;
            const int count = m_placement.valueCount(kFlagColumns, cell);
            steps[made++] = {cell, count, count + by};
        };
        add(x, out, -1);
        add(x, in, 1);
        add(y, out, 1);
        add(y, in, -1);
        const int component = m_levels.componentOf(m_component.classes.front());
        return m_levels.after(component, steps.data(), made) < m_levels.value(component);
    }

    // The exchanges of the path that ends in y, made, and undone again; the
    // placement is kept aside as the best when every exchange keeps the band
    // counts and the key gets better than at the start and than the best kept
    // -- or when only the flags' deviations got worse and moves of two or
    // three students (LevelRepair.h) mend them so that it does. With `mend`,
    // a path that leaves a cell of an end class further off is followed by
    // the paths that mend that cell, which have no such mends of their own:
    // a surplus of an old class that must leave a set of classes through a
    // small group leaves as whatever old class those few students are of,
    // and the class it left from must pass that other one on.
    void tryPath(int y, const std::vector<int>& from, const std::vector<std::pair<int, int>>& via, bool mend)
    {
        m_before.resize(m_component.movable.size());
        for (size_t i = 0; i < m_before.size(); ++i)
            m_before[i] = m_placement.classOf(m_component.movable[i]);
        bool bands = true;
        for (int d = y; bands && from[d] >= 0; d = from[d]) {
            const auto [a, b] = via[d];
            Change ch;
            bands = m_placement.change(a, b, ch);
            if (bands) {
                m_now = m_placement.keyAfter(m_component, m_now, m_placement.classOf(a), m_placement.classOf(b), ch);
                m_placement.apply(a, b, ch);
            }
        }
        const bool sameAbove =
            bands && m_now.pairs == m_start.pairs && m_now.flags == m_start.flags && m_now.mix == m_start.mix;
        if (mend && sameAbove && !better(m_now, m_start)) {
            const long given = std::min(m_left, kSecondPathBudget);
            CountPaths second(m_placement, m_component, m_now, given);
            second.m_mendsAfter = false;
            m_now = second.run();
            m_left -= given - second.m_left;
        }
        if (sameAbove && !better(m_now, m_start) && m_now.mixLevel < m_start.mixLevel) {
            m_now = repairLevels(m_placement, m_component, m_now, kMendBudget);
            m_left -= kMendBudget / kMendsAPath;
        }
        if (bands && better(m_now, m_start) && (!m_found || better(m_now, m_bestKey))) {
            m_found = true;
            m_bestKey = m_now;
            m_best.resize(m_before.size());
            for (size_t i = 0; i < m_best.size(); ++i)
                m_best[i] = m_placement.classOf(m_component.movable[i]);
        }
        m_placement.restore(m_component, m_before);
        m_now = m_start;
    }

    Placement& m_placement;
    const Problem& m_p;
    const Component& m_component;
    Key m_now;
    long m_left;
    const ShareLevels& m_levels;
    bool m_mendsAfter = true;   // paths spoiling an end class are mended (tryPath)
    std::vector<int> m_before; // the classes of the movable students before a path
    Key m_start;                // the key before the paths of this turn
    bool m_found = false;       // whether a path made it better
    Key m_bestKey;
    std::vector<int> m_best;    // the classes of the movable students after the best path
    std::vector<int> m_local; // [class]: its index in the component, or -1
    std::vector<std::vector<int>> m_students; // [local * (values + 1) + value + 1]: the free students
};

} // namespace

Key carryMixingCounts(Placement& placement, const Component& component, Key now, long budget)
{
    return CountPaths(placement, component, now, budget).run();
}

Key repairDeviations(Placement& placement, const Component& component, Key now, long pathBudget)
{
    Key key = repairLevels(placement, component, carryMixingCounts(placement, component, now, pathBudget), kRepairBudget);
    for (;;) {
        const Key carried = carryMixingCounts(placement, component, key, pathBudget);
        if (!better(carried, key))
            return key;
        key = repairLevels(placement, component, carried, kRepairBudget);
    }
}

namespace {

// Trades of a's group between a's class, where the group sends few, and its
// others: each that narrows the spread by itself, repaired; the first that
// makes the key better is kept. `before`: room for the classes of the movable.
bool tradeOnce(Placement& placement, const Component& component, Key& now, int a, const Repair& repair,
               std::vector<int>& before)
{
    const Problem& p = placement.problem();
    const int x = placement.classOf(a);
    for (int b : p.groups[p.students[a].group].students) {
        Change ch;
        if (!placement.isFree(b) || placement.classOf(b) == x || !placement.change(a, b, ch))
            continue;
        const Key guess = placement.keyAfter(component, now, x, placement.classOf(b), ch);
        if (!(guess.spread < now.spread - kTiny))
            continue;
        for (size_t i = 0; i < before.size(); ++i)
            before[i] = placement.classOf(component.movable[i]);
        placement.apply(a, b, ch);
        const Key after = repair(guess);
        if (better(after, now)) {
            now = after;
            return true;
        }
        placement.restore(component, before);
    }
    return false;
}

} // namespace

Key tradeAcrossJoins(Placement& placement, const Component& component, Key now, int few, const Repair& repair)
{
    const Problem& p = placement.problem();
    std::vector<int> before(component.movable.size());
    // The groups' classes where they send few: (group, class).
    std::vector<std::pair<int, int>> joins;
    for (size_t g = 0; g < p.groups.size(); ++g) {
        const Group& group = p.groups[g];
        if (group.classes.size() < 2 ||
            std::find(component.classes.begin(), component.classes.end(), group.classes.front()) == component.classes.end())
            continue;
        for (size_t l = 0; l < group.classes.size(); ++l)
            if (group.headCounts[l] <= few)
                joins.emplace_back(static_cast<int>(g), group.classes[l]);
    }
    for (int turn = 0; turn < kJoinTurns; ++turn) {
        bool traded = false;
        for (const auto& [g, x] : joins)
            for (int a : p.groups[g].students)
                if (placement.classOf(a) == x && placement.isFree(a))
                    traded |= tradeOnce(placement, component, now, a, repair, before);
        if (!traded)
            break;
    }
    return now;
}

} // namespace classdiv::evening
