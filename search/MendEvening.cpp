// The evening out of mending (MendSearch.h), at the number of moves the
// mending reached: descents, pairs of exchanges, annealing and shakes, over
// the exchanges that add no move.

#include "search/MendSearch.h"

#include "search/Energy.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

namespace classdiv::evening {

namespace {

// Random steps away from a placement the descent ends in, and how often.
constexpr int kShakeSteps = 3;
constexpr int kShakes = 60;
// The annealing: its steps, how far it cools (the end's heat over the
// start's), and the weight of the squared distances of the averages from
// their mean beside the spread, as the search of evening out weighs them.
constexpr long kAnnealSteps = 200'000;
constexpr long kStepsPerExchange = 40;
constexpr int kAnnealRounds = 3; // each from the best placement before it
constexpr double kCooling = 1e-3;
// A chain of exchanges that evens several classes widens the spread on its
// way by a few points of one class's total: the start's heat lets it.
constexpr double kStartHeat = 10;

// Evening out's order of a key (Key.h, better) without the deviations
// within the fair ranges of flag and mixing counts: once the moves are
// fixed, few exchanges remain, and the averages weigh more than how close
// to its share a count inside its range lies.
bool evener(const Key& a, const Key& b)
{
    Key x = a, y = b;
    x.levels = y.levels = {};
    x.mixLevel = y.mixLevel = 0;
    return better(x, y);
}

} // namespace

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
                if (evener(after, bestKey)) {
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

// Two exchanges at once, the second after the first: a and b trade
// classes, then either c and d, one of each of their bands, so that every
// band count is back in its range (the first alone would take one out), or
// b and c, a student of a third class, so that the three turn round. The
// best pair with the first a and b that adds no move and improves the key is made.
bool MendSearch::descendInFours(const Component& component, Key& now)
{
    m_bestFour.reset();
    m_bestFourKey = now;
    // c of the second exchange is always away: one at home would leave it, a move more.
    std::vector<int> awayNow;
    for (int s : component.movable)
        if (away(s))
            awayNow.push_back(s);
    for (int a : awayNow) {
        const int ca = m_placement.classOf(a);
        if (!away(a) || m_fourBudget <= 0)
            continue;
        const std::vector<int>& mates = m_p.groups[m_p.students[a].group].students;
        for (int b : mates) {
            const int cb = m_placement.classOf(b);
            Change first;
            if (cb == ca || !movable(b) || !m_placement.change(a, b, first, false))
                continue;
            Change alone;
            const bool bandsFar = m_p.students[a].band != m_p.students[b].band && !m_placement.change(a, b, alone);
            const int firstMoves = extraMoves(a, b);
            m_placement.apply(a, b, first);
            const int ba = m_p.students[a].band, bb = m_p.students[b].band;
            for (int c : awayNow) {
                const int bc = m_p.students[c].band, cc = m_placement.classOf(c);
                if (c == a || c == b || m_p.students[c].group != m_p.students[a].group)
                    continue;
                if (cc != ca && cc != cb)
                    weighSecond(component, {a, b, b, c}, firstMoves);
                if (!bandsFar || (bc != ba && bc != bb))
                    continue;
                const int group = m_p.students[a].group, band = bc == ba ? bb : ba;
                for (int d : m_ofBand[static_cast<size_t>(group) * m_p.bandCount + band])
                    if (d != a && d != b && movable(d) && m_placement.classOf(d) != cc)
                        weighSecond(component, {a, b, c, d}, firstMoves);
            }
            undoExchange(a, b);
            if (m_bestFour)
                break; // the first that improves: the descent goes on from it
        }
        if (m_bestFour)
            break;
    }
    if (!m_bestFour)
        return false;
    const std::array<int, 4> four = *m_bestFour;
    for (const auto& [x, y] : {std::pair{four[0], four[1]}, std::pair{four[2], four[3]}}) {
        Change ch;
        m_placement.change(x, y, ch, false);
        m_placement.apply(x, y, ch);
    }
    now = m_placement.keyOf(component);
    return true;
}

// With a and b traded: c and d traded too, weighed and taken back.
void MendSearch::weighSecond(const Component& component, const std::array<int, 4>& four, int firstMoves)
{
    const int c = four[2], d = four[3];
    Change second;
    if (firstMoves + extraMoves(c, d) > 0 || !m_placement.change(c, d, second, false))
        return;
    --m_fourBudget;
    m_placement.apply(c, d, second);
    if (m_placement.bandsOutside(four[0]) + m_placement.bandsOutside(four[1]) + m_placement.bandsOutside(c) +
            m_placement.bandsOutside(d) == 0) {
        const Key after = m_placement.keyOf(component);
        if (evener(after, m_bestFourKey)) {
            m_bestFourKey = after;
            m_bestFour = four;
        }
    }
    undoExchange(c, d);
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
    while (m_fourBudget > 0 && descendInFours(component, now));
}

// Annealing over the exchanges that add no move and leave the rules as they
// are: a wider spread is taken now and then, less and less often; `met` is
// told of every key better than all before.
void MendSearch::anneal(const Component& component, Key best, const std::function<void(const Key&)>& met)
{
    const auto energy = [&](const Key& key) { return evening::energy(key, component); };
    // The students away from where they started: the only ones an exchange may take without a move.
    std::vector<int> awayNow;
    const auto listAway = [&] {
        awayNow.clear();
        for (int s : component.movable)
            if (away(s))
                awayNow.push_back(s);
    };
    listAway();
    Key now = m_placement.keyOf(component);
    const double start = kStartHeat / component.largestClass; // in points of one class's average
    // A small year needs few steps: as many as the exchanges open to it, a few times over.
    const long steps = std::min<long>(kAnnealSteps, kStepsPerExchange * static_cast<long>(awayNow.size() * component.movable.size()));
    for (long step = 0; step < steps && awayNow.size() > 1; ++step) {
        const int a = awayNow[m_rng.below(static_cast<uint32_t>(awayNow.size()))];
        // Half the time another student away, else one of a's group that a would trade places with.
        const std::vector<int>& mates = m_p.groups[m_p.students[a].group].students;
        const int b = m_rng.next() & 1 ? awayNow[m_rng.below(static_cast<uint32_t>(awayNow.size()))]
                                       : mates[m_rng.below(static_cast<uint32_t>(mates.size()))];
        if (m_p.students[b].group != m_p.students[a].group)
            continue;
        const int ca = m_placement.classOf(a), cb = m_placement.classOf(b);
        Change ch;
        if (ca == cb || !movable(b) || extraMoves(a, b) > 0 || !m_placement.change(a, b, ch) || rulesChange(ch) > 0)
            continue;
        const Key after = m_placement.keyAfter(component, now, ca, cb, ch);
        const double rise = energy(after) - energy(now);
        const double heat = start * std::pow(kCooling, static_cast<double>(step) / steps);
        if (rulesChange(ch) < 0 || rise <= 0 || m_rng.unit() < std::exp(-rise / heat)) {
            m_placement.apply(a, b, ch);
            now = after;
            listAway();
            if (evener(now, best)) {
                best = now;
                met(best);
            }
        }
    }
}

void MendSearch::evenOut()
{
    for (const Component& component : components()) {
        if (component.classes.size() < 2 || component.movable.empty())
            continue;
        Key now = m_placement.keyOf(component);
        descend(component, now);
        Key best = now;
        std::vector<int> bestClass;
        const auto remember = [&] {
            bestClass.clear();
            for (int s : component.movable)
                bestClass.push_back(m_placement.classOf(s));
        };
        remember();
        for (int round = 0; round < kAnnealRounds; ++round) {
            anneal(component, best, [&](const Key& key) {
                best = key;
                remember();
            });
            m_placement.restore(component, bestClass);
        }
        for (int round = 0; round < kShakes; ++round) {
            shake(component, kShakeSteps);
            now = m_placement.keyOf(component);
            descend(component, now);
            if (evener(now, best)) {
                best = now;
                remember();
            } else {
                m_placement.restore(component, bestClass);
            }
        }
        m_placement.restore(component, bestClass);
        descendFully(component, best);
    }
}

} // namespace classdiv::evening
