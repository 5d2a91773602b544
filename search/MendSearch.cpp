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
      m_fourBudget(kFourBudget), m_pairBudget(kPairBudget), m_ofBand(m_p.groups.size() * static_cast<size_t>(m_p.bandCount))
{
    for (size_t g = 0; g < m_p.groups.size(); ++g)
        for (int s : m_p.groups[g].students)
            m_ofBand[g * static_cast<size_t>(m_p.bandCount) + static_cast<size_t>(m_p.students[s].band)].push_back(s);
}

int MendSearch::extraMoves(int a, int b) const
{
    const int ca = m_placement.classOf(a), cb = m_placement.classOf(b);
    return movedIn(a, cb) + movedIn(b, ca) - movedIn(a, ca) - movedIn(b, cb);
}

Key MendSearch::rulesLeft() const
{
    Key total;
    for (const Component& component : components()) {
        const Key key = m_placement.keyOf(component);
        total.pairs += key.pairs;
        total.flags += key.flags;
        total.mix += key.mix;
    }
    return total;
}

Key MendSearch::mendRules()
{
    Key total = rulesLeft();
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
        if (bestA < 0) {
            // Stuck: two exchanges at once may mend what no single one can.
            const std::optional<Change> pair = pairOfExchanges(true);
            if (!pair)
                return total;
            best = *pair;
        } else {
            m_placement.apply(bestA, bestB, best);
        }
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
        if (bestA < 0 && !pairOfExchanges(false))
            return;
        if (bestA >= 0)
            m_placement.apply(bestA, bestB, best);
    }
}

// Two exchanges at once where no single one helps: the first takes a band
// count out of its range or breaks a rule, the second, with a student of one
// of the two classes, brings it back (three students turned round, two pairs
// of bands, a marked student passed on). To mend: the pair that mends the
// rules with the fewest moves; else: the pair that takes the most moves back
// and breaks no rule. The pair is made; what it changed, or nothing.
std::optional<Change> MendSearch::pairOfExchanges(bool mend)
{
    m_pair = {};
    for (int a = 0; a < static_cast<int>(m_p.students.size()) && m_pairBudget > 0; ++a) {
        if (!movable(a) || (!mend && !away(a)))
            continue;
        for (int b : m_p.groups[m_p.students[a].group].students) {
            Change first;
            const int ca = m_placement.classOf(a), cb = m_placement.classOf(b);
            if (ca == cb || !movable(b) || !m_placement.change(a, b, first, false))
                continue;
            const int firstMoves = extraMoves(a, b);
            if (!mend && firstMoves >= 2)
                continue; // no second exchange takes back more than two
            m_placement.apply(a, b, first);
            weighSeconds(a, b, firstMoves, first, mend);
            undoExchange(a, b);
        }
    }
    if (!m_pair.found)
        return std::nullopt;
    const std::array<int, 4> four = m_pair.four;
    for (const auto& [x, y] : {std::pair{four[0], four[1]}, std::pair{four[2], four[3]}}) {
        Change ch;
        m_placement.change(x, y, ch, false);
        m_placement.apply(x, y, ch);
    }
    return m_pair.both;
}

// With a and b exchanged: each second exchange of a student of their
// classes, the best pair kept in m_pair.
void MendSearch::weighSeconds(int a, int b, int firstMoves, const Change& first, bool mend)
{
    const int ca = m_placement.classOf(a), cb = m_placement.classOf(b);
    for (int c = 0; c < static_cast<int>(m_p.students.size()); ++c) {
        const int cc = m_placement.classOf(c);
        if ((cc != ca && cc != cb) || !movable(c))
            continue;
        for (int d : m_p.groups[m_p.students[c].group].students) {
            Change second;
            if (--m_pairBudget < 0)
                return;
            const int moves = firstMoves + (m_placement.classOf(d) == cc || !movable(d) ? 0 : extraMoves(c, d));
            if (m_placement.classOf(d) == cc || !movable(d) || (m_pair.found && moves >= m_pair.moves) ||
                (!mend && moves >= 0) || !m_placement.change(c, d, second, false))
                continue;
            Change both{}; // only its rules are summed; every average stays zero
            both.pairs = first.pairs + second.pairs;
            both.flags = first.flags + second.flags;
            both.mix = first.mix + second.mix;
            if (mend ? rulesChange(both) >= 0 : rulesChange(both) > 0)
                continue;
            m_placement.apply(c, d, second);
            if (m_placement.bandsOutside(a) + m_placement.bandsOutside(b) + m_placement.bandsOutside(c) +
                    m_placement.bandsOutside(d) == 0)
                m_pair = {true, {a, b, c, d}, moves, both};
            undoExchange(c, d);
        }
    }
}

std::vector<Component> MendSearch::components() const
{
    return componentsOf(m_p, m_placement, [this](int s) { return movable(s); });
}

} // namespace classdiv::evening
