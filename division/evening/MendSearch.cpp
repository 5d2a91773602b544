// The exchanges of mending. Moves are counted against the classes the
// students started in: an exchange of two students adds two, one or none, or
// takes moves back. The rules above the averages come first (marks, flag
// counts, mixing counts), then the moves, then the averages.

#include "division/evening/MendSearch.h"

#include "division/evening/ScoreColumns.h"

#include <algorithm>
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
// Random steps away from a placement the descent ends in, and how often.
constexpr int kShakeSteps = 3;
constexpr int kShakes = 60;

// The rules above the averages in their order: below zero when the exchange
// mends them, zero when it leaves them, above when it breaks them.
long rulesChange(const Change& ch)
{
    if (ch.pairs != 0)
        return ch.pairs;
    if (ch.flags != 0)
        return ch.flags < 0 ? -1 : 1;
    return ch.mix;
}

// The same, rule by rule, to choose between exchanges that mend alike.
std::tuple<long, int64_t, long> ruleSteps(const Change& ch) { return {ch.pairs, ch.flags, ch.mix}; }

} // namespace

MendSearch::MendSearch(Placement& placement, const std::vector<int>& start, const std::vector<char>& placed,
                       const std::vector<char>& held, uint64_t seed)
    : m_placement(placement), m_p(placement.problem()), m_start(start), m_placed(placed), m_held(held), m_rng(seed)
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
    std::vector<Component> out;
    std::vector<int> componentOf(m_p.classCount, 0);
    for (std::vector<int>& classes : linkedClasses(m_p)) {
        for (int c : classes)
            componentOf[c] = static_cast<int>(out.size());
        out.emplace_back();
        out.back().classes = std::move(classes);
    }
    std::vector<double> total(out.size(), 0);
    std::vector<long> heads(out.size(), 0);
    for (const Group& group : m_p.groups) {
        if (group.classes.empty())
            continue;
        const int k = componentOf[group.classes[0]];
        for (int s : group.students) {
            total[k] += m_p.students[s].score;
            if (group.classes.size() > 1 && movable(s))
                out[k].movable.push_back(s);
        }
        for (int h : group.headCounts)
            heads[k] += h;
    }
    for (size_t k = 0; k < out.size(); ++k) {
        out[k].mean = heads[k] > 0 ? total[k] / heads[k] : 0;
        for (int c : out[k].classes)
            out[k].largestClass = std::max(out[k].largestClass, m_placement.head(c));
        if (m_p.scoreColumns > 0)
            setExtraMeans(m_p, out[k]);
    }
    return out;
}

// Steepest descent over the exchanges that add no move: at least one of the
// two is away from where it started (or new), else the exchange adds two.
bool MendSearch::descend(const Component& component, Key& now)
{
    bool moved = false;
    for (;;) {
        int bestA = -1, bestB = -1;
        Key bestKey = now;
        Change best;
        for (int a : component.movable) {
            const int ca = m_placement.classOf(a);
            if (m_placed[a] && ca == m_start[a])
                continue;
            for (int b : m_p.groups[m_p.students[a].group].students) {
                Change ch;
                const int cb = m_placement.classOf(b);
                if (cb == ca || !movable(b) || extraMoves(a, b) > 0 || !m_placement.change(a, b, ch))
                    continue;
                const Key after = m_placement.keyAfter(component, now, ca, cb, ch);
                if (better(after, bestKey)) {
                    bestKey = after;
                    bestA = a;
                    bestB = b;
                    best = ch;
                }
            }
        }
        if (bestA < 0)
            return moved;
        m_placement.apply(bestA, bestB, best);
        now = bestKey;
        moved = true;
    }
}

// Two exchanges at once where the first alone would take a band count out
// of its range: a (band x) and b (band y) trade classes, then c and d, one
// of each band, trade so that every count is back in its range. The best
// such pair that adds no move and improves the key is made.
bool MendSearch::descendInFours(const Component& component, Key& now)
{
    struct Four {
        int a, b, c, d;
    };
    std::optional<Four> best;
    Key bestKey = now;
    for (int a : component.movable) {
        const int ca = m_placement.classOf(a);
        if (m_placed[a] && ca == m_start[a])
            continue;
        for (int b : m_p.groups[m_p.students[a].group].students) {
            const int cb = m_placement.classOf(b);
            Change first;
            if (cb == ca || !movable(b) || m_p.students[a].band == m_p.students[b].band || m_placement.change(a, b, first))
                continue;
            const int firstMoves = extraMoves(a, b);
            if (!m_placement.change(a, b, first, false))
                continue;
            m_placement.apply(a, b, first);
            const std::vector<int>& mates = m_p.groups[m_p.students[a].group].students;
            const int ba = m_p.students[a].band, bb = m_p.students[b].band;
            for (int c : mates) {
                const int bc = m_p.students[c].band;
                if (c == a || c == b || (bc != ba && bc != bb) || !movable(c) || !away(c))
                    continue;
                for (int d : mates) {
                    Change second;
                    if (d == a || d == b || m_p.students[d].band != (bc == ba ? bb : ba) || !movable(d) ||
                        m_placement.classOf(d) == m_placement.classOf(c) || firstMoves + extraMoves(c, d) > 0 ||
                        !m_placement.change(c, d, second, false))
                        continue;
                    m_placement.apply(c, d, second);
                    if (m_placement.bandsOutside(a) + m_placement.bandsOutside(b) + m_placement.bandsOutside(c) +
                            m_placement.bandsOutside(d) == 0) {
                        const Key after = m_placement.keyOf(component);
                        if (better(after, bestKey)) {
                            bestKey = after;
                            best = Four{a, b, c, d};
                        }
                    }
                    undoExchange(c, d);
                }
            }
            undoExchange(a, b);
        }
    }
    if (!best)
        return false;
    for (const auto [x, y] : {std::pair{best->a, best->b}, std::pair{best->c, best->d}}) {
        Change ch;
        m_placement.change(x, y, ch, false);
        m_placement.apply(x, y, ch);
    }
    now = m_placement.keyOf(component);
    return true;
}

void MendSearch::undoExchange(int a, int b)
{
    Change back;
    m_placement.change(a, b, back, false);
    m_placement.apply(a, b, back);
}

// A few random exchanges that add no move and break no rule.
void MendSearch::shake(const Component& component, int steps)
{
    std::vector<int> away;
    for (int s : component.movable)
        if (!m_placed[s] || m_placement.classOf(s) != m_start[s])
            away.push_back(s);
    for (int step = 0; step < steps && !away.empty(); ++step) {
        const int a = away[m_rng.below(static_cast<uint32_t>(away.size()))];
        const std::vector<int>& mates = m_p.groups[m_p.students[a].group].students;
        const int b = mates[m_rng.below(static_cast<uint32_t>(mates.size()))];
        Change ch;
        if (!movable(b) || m_placement.classOf(a) == m_placement.classOf(b) || extraMoves(a, b) > 0 ||
            !m_placement.change(a, b, ch) || rulesChange(ch) > 0)
            continue;
        m_placement.apply(a, b, ch);
        if (m_placed[b] && m_placement.classOf(b) != m_start[b])
            away.push_back(b);
    }
}

void MendSearch::descendFully(const Component& component, Key& now)
{
    do
        descend(component, now);
    while (descendInFours(component, now));
}

void MendSearch::evenOut()
{
    for (const Component& component : components()) {
        if (component.classes.size() < 2 || component.movable.empty())
            continue;
        Key now = m_placement.keyOf(component);
        descendFully(component, now);
        Key best = now;
        std::vector<int> bestClass;
        const auto remember = [&] {
            bestClass.clear();
            for (int s : component.movable)
                bestClass.push_back(m_placement.classOf(s));
        };
        remember();
        for (int round = 0; round < kShakes; ++round) {
            shake(component, kShakeSteps);
            now = m_placement.keyOf(component);
            descendFully(component, now);
            if (better(now, best)) {
                best = now;
                remember();
            } else {
                m_placement.restore(component, bestClass);
            }
        }
        m_placement.restore(component, bestClass);
    }
}

} // namespace classdiv::evening
