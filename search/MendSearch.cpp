// The exchanges of mending. Moves are counted against the classes the
// students started in: an exchange of two students adds two, one or none, or
// takes moves back. The rules above the averages come first (marks, flag
// counts, mixing counts), then the moves, then the averages.

#include "search/MendSearch.h"

#include "search/ScoreColumns.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <tuple>

namespace classdiv::evening {

namespace {

// Exchanges made at most while mending the rules: far more than a division a
// teacher mends needs, a bound on the time where the rules cannot be met.
constexpr int kMendSteps = 400;
// Exchanges that add no move and mend nothing, tried before one that adds a move.
constexpr int kWanderSteps = 60;

// The same as rulesChange, rule by rule, to choose between exchanges that mend alike.
std::tuple<long, int64_t, long> ruleSteps(const Change& ch) { return {ch.pairs, ch.flags, ch.mix}; }

} // namespace

MendSearch::MendSearch(Placement& placement, const std::vector<int>& start, const std::vector<char>& placed,
                       const std::vector<char>& held, uint64_t seed)
    : m_placement(placement), m_p(placement.problem()), m_start(start), m_placed(placed), m_held(held), m_rng(seed),
      m_fourBudget(kFourBudget)
{
}

int MendSearch::extraMoves(int a, int b) const
{
    const int ca = m_placement.classOf(a), cb = m_placement.classOf(b);
    return movedIn(a, cb) + movedIn(b, ca) - movedIn(a, ca) - movedIn(b, cb);
}

Key MendSearch::mendRules()
{
    Key total;
    for (const Component& component : components()) {
        const Key key = m_placement.keyOf(component);
        total.pairs += key.pairs;
        total.flags += key.flags;
        total.mix += key.mix;
    }
    const auto broken = [&] { return total.pairs > 0 || total.flags > 0 || total.mix > 0; };
    for (int step = 0, wander = 0; step < kMendSteps && broken(); ++step) {
        // The exchange that mends with the fewest moves added; among those
        // that add none and mend nothing, one at random to wander by.
        int bestA = -1, bestB = -1, bestMoves = std::numeric_limits<int>::max(), sideways = 0;
        int wanderA = -1, wanderB = -1;
        Change best, side;
        for (const Group& group : m_p.groups) {
            for (size_t i = 0; i < group.students.size(); ++i) {
                const int a = group.students[i];
                if (!movable(a))
                    continue;
                for (size_t j = i + 1; j < group.students.size(); ++j) {
                    const int b = group.students[j];
                    Change ch;
                    if (!movable(b) || m_placement.classOf(a) == m_placement.classOf(b) || !m_placement.change(a, b, ch))
                        continue;
                    const int moves = extraMoves(a, b);
                    const long rules = rulesChange(ch);
                    if (rules == 0 && moves <= 0 && m_rng.below(static_cast<uint32_t>(++sideways)) == 0) {
                        wanderA = a;
                        wanderB = b;
                        side = ch;
                    }
                    if (rules >= 0)
                        continue;
                    if (moves < bestMoves || (moves == bestMoves && ruleSteps(ch) < ruleSteps(best))) {
                        bestA = a;
                        bestB = b;
                        bestMoves = moves;
                        best = ch;
                    }
                }
            }
        }
        if (bestA >= 0 && bestMoves > 0 && wanderA >= 0 && wander < kWanderSteps) {
            // Another placement of as many moves may mend for nothing.
            ++wander;
            m_placement.apply(wanderA, wanderB, side);
            continue;
        }
        if (bestA < 0)
            return total;
        m_placement.apply(bestA, bestB, best);
        total.pairs += best.pairs;
        total.flags += best.flags;
        total.mix += best.mix;
        wander = 0;
    }
    return total;
}

void MendSearch::fewerMoves()
{
    for (;;) {
        int bestA = -1, bestB = -1, bestMoves = 0;
        Change best;
        for (const Group& group : m_p.groups) {
            for (int a : group.students) {
                if (!movable(a) || !movedIn(a, m_placement.classOf(a)))
                    continue;
                for (int b : group.students) {
                    Change ch;
                    if (!movable(b) || m_placement.classOf(a) == m_placement.classOf(b))
                        continue;
                    const int moves = extraMoves(a, b);
                    if (moves < bestMoves && m_placement.change(a, b, ch) && rulesChange(ch) <= 0) {
                        bestA = a;
                        bestB = b;
                        bestMoves = moves;
                        best = ch;
                    }
                }
            }
        }
        if (bestA < 0)
            return;
        m_placement.apply(bestA, bestB, best);
    }
}

std::vector<Component> MendSearch::components() const
{
    return componentsOf(m_p, m_placement, [this](int s) { return movable(s); });
}

} // namespace classdiv::evening
