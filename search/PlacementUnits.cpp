// A together set moves as one: every member changes places with a free
// student of its own group in one class the set's groups share, so every
// head count stays and the set stays together.

#include "search/Placement.h"

#include "search/Measures.h"
#include "search/ScoreColumns.h"

#include <algorithm>

namespace classdiv::evening {

bool Placement::moveUnit(int unit, const Component& component, const Key& now, Rng& rng, UnitMove& move)
{
    const std::vector<int>& members = m_p.units[unit];
    const std::vector<int>& classes = m_p.unitClasses[unit];
    const int from = classOf(members.front());
    if (classes.size() < 2 || std::any_of(members.begin(), members.end(), [&](int m) { return classOf(m) != from; }))
        return false; // a set that could not be gathered stays where it is
    int to = classes[rng.below(static_cast<uint32_t>(classes.size() - 1))];
    if (to == from)
        to = classes.back();

    move.exchanges.clear();
    move.rules = Change{};
    move.after = now;
    for (int m : members) {
        // The partner is drawn from the free students of m's group in `to`,
        // in the group's order (FreeSeats.h).
        const int g = m_p.students[m].group;
        const std::vector<int>& own = m_p.groups[g].classes;
        const int local = static_cast<int>(std::find(own.begin(), own.end(), to) - own.begin());
        const int candidates = local < static_cast<int>(own.size()) ? m_freeSeats.count(g, local) : 0;
        Change ch;
        const int partner = candidates == 0 ? -1 : m_freeSeats.nth(g, local, static_cast<int>(rng.below(static_cast<uint32_t>(candidates))));
        if (partner < 0 || !change(m, partner, ch)) {
            undo(move);
            return false;
        }
        move.after = keyAfter(component, move.after, from, to, ch);
        move.rules.addRules(ch);
        apply(m, partner, ch);
        move.exchanges.emplace_back(m, partner);
    }
    return true;
}

void Placement::undo(const UnitMove& move)
{
    for (auto e = move.exchanges.rbegin(); e != move.exchanges.rend(); ++e) {
        Change back;
        change(e->first, e->second, back); // the state before it kept every range, so it is allowed
        apply(e->first, e->second, back);
    }
}

std::vector<Component> componentsOf(const Problem& problem, const Placement& placement,
                                    const std::function<bool(int)>& movable)
{
    std::vector<Component> out;
    std::vector<int> componentOf(problem.classCount, 0);
    for (std::vector<int>& classes : linkedClasses(problem)) {
        for (int c : classes)
            componentOf[c] = static_cast<int>(out.size());
        out.emplace_back();
        out.back().classes = std::move(classes);
    }
    std::vector<double> total(out.size(), 0);
    std::vector<long> heads(out.size(), 0);
    for (const Group& group : problem.groups) {
        if (group.classes.empty())
            continue;
        const int k = componentOf[group.classes[0]];
        for (int s : group.students) {
            total[k] += problem.students[s].score;
            if (group.classes.size() > 1 && movable(s))
                out[k].movable.push_back(s);
        }
        for (int h : group.headCounts)
            heads[k] += h;
    }
    for (size_t k = 0; k < out.size(); ++k) {
        out[k].mean = heads[k] > 0 ? total[k] / heads[k] : 0;
        for (int c : out[k].classes)
            out[k].largestClass = std::max(out[k].largestClass, placement.head(c));
        if (problem.scoreColumns > 0)
            setExtraMeans(problem, out[k]);
    }
    return out;
}

} // namespace classdiv::evening
