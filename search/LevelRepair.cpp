#include "search/LevelRepair.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

namespace classdiv::evening {

namespace {

class LevelRepair {
public:
    LevelRepair(Placement& placement, const Component& component, Key now, long budget)
        : m_placement(placement), m_p(placement.problem()), m_component(component), m_now(now), m_left(budget)
    {
    }

    Key run()
    {
        while (m_left > 0 && improveOnce()) {
        }
        return m_now;
    }

private:
    // Column k's values, and a student's value (-1: none); the mixing column is kFlagColumns.
    int valuesOf(int k) const { return k == kFlagColumns ? m_p.mixCount : m_p.flagValues[k]; }
    int valueOf(int k, int s) const { return k == kFlagColumns ? m_p.students[s].mix : m_p.rulesOf(s).flags[k]; }

    // One move that makes the key better, taken; false when none was found.
    bool improveOnce()
    {
        const int first = m_component.classes.front();
        for (int k = 0; k <= kFlagColumns; ++k) {
            const ShareLevels& levels = m_placement.levels(k);
            if ((k < kFlagColumns && k >= m_p.flagColumns) || !levels.active())
                continue;
            const int top = levels.top(levels.componentOf(first));
            if (top == 0)
                continue;
            const int values = valuesOf(k);
            for (int cls : m_component.classes)
                for (int v = 0; v < values; ++v) {
                    const int cell = cls * values + v;
                    const int count = m_placement.valueCount(k, cell);
                    if (levels.level(cell, count) == top && closer(k, cls, v, levels.atHigh(cell, count)))
                        return true;
                }
        }
        return false;
    }

    // Moves that bring the count of value v of column k in class x one
    // closer: down when `fewer`, else up. The student leaving x is `out`,
    // the one coming in `in`, of one group; a third of that group may go
    // round with them. Which classes and values can help at all is judged
    // from the column's counts first, student by student only then.
    bool closer(int k, int x, int v, bool fewer)
    {
        const int values = valuesOf(k);
        for (const Group& group : m_p.groups) {
            const int classes = static_cast<int>(group.classes.size());
            const int lx = static_cast<int>(std::find(group.classes.begin(), group.classes.end(), x) - group.classes.begin());
            if (classes < 2 || lx == classes)
                continue;
            // The group's free students by class and value (-1 for none): [local * (values + 1) + value + 1].
            std::vector<std::vector<int>> bucket(static_cast<size_t>(classes) * (values + 1));
            for (int s : group.students)
                if (m_placement.isFree(s)) {
                    const int l = static_cast<int>(std::find(group.classes.begin(), group.classes.end(), m_placement.classOf(s)) - group.classes.begin());
                    bucket[static_cast<size_t>(l) * (values + 1) + valueOf(k, s) + 1].push_back(s);
                }
            const auto studentsOf = [&](int l, int w) -> const std::vector<int>& {
                return bucket[static_cast<size_t>(l) * (values + 1) + w + 1];
            };
            for (int vo = -1; vo < values; ++vo) {
                if ((vo == v) != fewer || studentsOf(lx, vo).empty())
                    continue;
                if (closerFrom(k, x, v, fewer, group, vo, studentsOf))
                    return true;
                if (m_left <= 0)
                    return false;
            }
        }
        return false;
    }

    // The same for the students of `group` in x whose value is vo.
    template <class StudentsOf>
    bool closerFrom(int k, int x, int v, bool fewer, const Group& group, int vo, const StudentsOf& studentsOf)
    {
        const int values = valuesOf(k);
        const int classes = static_cast<int>(group.classes.size());
        const int lx = static_cast<int>(std::find(group.classes.begin(), group.classes.end(), x) - group.classes.begin());
        for (int li = 0; li < classes; ++li) {
            const int cin = group.classes[li];
            if (li == lx)
                continue;
            for (int wi = -1; wi < values; ++wi) {
                if ((wi == v) == fewer || studentsOf(li, wi).empty())
                    continue;
                if (helps(k, {{x, vo, wi}, {cin, wi, vo}}))
                    for (int out : studentsOf(lx, vo))
                        for (int in : studentsOf(li, wi))
                            if (tryRound(out, -1, in) || tryPair(k, out, in))
                                return true;
                for (int l3 = 0; l3 < classes; ++l3) {
                    const int c3 = group.classes[l3];
                    if (l3 == lx || l3 == li)
                        continue;
                    for (int u = -1; u < values; ++u) {
                        if (studentsOf(l3, u).empty() || !helps(k, {{x, vo, wi}, {cin, wi, u}, {c3, u, vo}}))
                            continue;
                        for (int out : studentsOf(lx, vo))
                            for (int in : studentsOf(li, wi))
                                for (int third : studentsOf(l3, u)) {
                                    if (m_left <= 0)
                                        return false;
                                    if (tryRound(out, third, in))
                                        return true;
                                }
                    }
                }
            }
        }
        return false;
    }

    // Whether column k gets better when each class named loses a student
    // of one value and gains one of another (-1: none).
    struct Turn {
        int cls, leaves, enters;
    };
    bool helps(int k, std::initializer_list<Turn> turns) const
    {
        const ShareLevels& levels = m_placement.levels(k);
        const int values = valuesOf(k);
        std::array<ShareLevels::Step, 6> steps;
        int made = 0;
        for (const Turn& t : turns) {
            if (t.leaves == t.enters)
                continue;
            if (t.leaves >= 0) {
                const int cell = t.cls * values + t.leaves;
                steps[made++] = {cell, m_placement.valueCount(k, cell), m_placement.valueCount(k, cell) - 1};
            }
            if (t.enters >= 0) {
                const int cell = t.cls * values + t.enters;
                steps[made++] = {cell, m_placement.valueCount(k, cell), m_placement.valueCount(k, cell) + 1};
            }
        }
        const int component = levels.componentOf(m_component.classes.front());
        return levels.after(component, steps.data(), made) < levels.value(component);
    }

    // out and in trade classes; with a third, out goes to the third's class
    // and the third to in's. Kept only when the key gets better and every
    // band count of the classes is within its range.
    bool tryRound(int out, int third, int in)
    {
        --m_left;
        const long bandsBefore = m_placement.bandsOutside(out) + m_placement.bandsOutside(in) +
                                 (third >= 0 ? m_placement.bandsOutside(third) : 0);
        const Key before = m_now;
        exchange(out, in);
        if (third >= 0)
            exchange(out, third);
        const long bandsAfter = m_placement.bandsOutside(out) + m_placement.bandsOutside(in) +
                                (third >= 0 ? m_placement.bandsOutside(third) : 0);
        if (bandsAfter <= bandsBefore && better(m_now, before))
            return true;
        if (third >= 0)
            exchange(out, third);
        exchange(out, in);
        m_now = before;
        return false;
    }

    // out and in trade classes, which makes an earlier column worse, and
    // two students of any group trade between the same two classes to mend
    // it; each exchange keeps the bands.
    bool tryPair(int k, int out, int in)
    {
        const int earlier = std::min(k, m_p.flagColumns);
        std::array<bool, kFlagColumns> differ{};
        bool any = false;
        for (int j = 0; j < earlier; ++j)
            any |= differ[j] = valueOf(j, out) != valueOf(j, in);
        Change ch;
        if (!any || m_left <= 0 || !m_placement.change(out, in, ch))
            return false;
        const Key before = m_now;
        exchange(out, in);
        const int x = m_placement.classOf(in), cin = m_placement.classOf(out);
        for (int c : m_component.movable) {
            if (m_placement.classOf(c) != x || c == in || !m_placement.isFree(c))
                continue;
            for (int d : m_p.groups[m_p.students[c].group].students) {
                if (m_placement.classOf(d) != cin || d == out || !m_placement.isFree(d))
                    continue;
                bool mends = false;
                for (int j = 0; j < earlier; ++j)
                    mends |= differ[j] && valueOf(j, c) != valueOf(j, d);
                if (!mends)
                    continue;
                if (--m_left <= 0)
                    break;
                if (!m_placement.change(c, d, ch))
                    continue;
                const Key after = m_placement.keyAfter(m_component, m_now, x, cin, ch);
                if (better(after, before)) {
                    m_placement.apply(c, d, ch);
                    m_now = after;
                    return true;
                }
            }
        }
        exchange(out, in);
        m_now = before;
        return false;
    }

    void exchange(int a, int b)
    {
        Change ch;
        m_placement.change(a, b, ch, false);
        m_now = m_placement.keyAfter(m_component, m_now, m_placement.classOf(a), m_placement.classOf(b), ch);
        m_placement.apply(a, b, ch);
    }

    Placement& m_placement;
    const Problem& m_p;
    const Component& m_component;
    Key m_now;
    long m_left;
};

} // namespace

Key repairLevels(Placement& placement, const Component& component, Key now, long budget)
{
    return LevelRepair(placement, component, now, budget).run();
}

} // namespace classdiv::evening
