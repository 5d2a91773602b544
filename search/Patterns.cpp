#include "search/Patterns.h"

#include "search/Transfers.h"
#include "search/PatternBound.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace classdiv::evening {

namespace {

// Turns of four classes are what the crossed years need; longer ones are
// many more to weigh.
constexpr size_t kLongestTurn = 4;
// Guard: every turn lowers the bound, so the descent stops long before.
constexpr int kMostTurns = 16;
// Where no turn lowers the bound alone, pairs of the turns that come out
// best alone are weighed: each may mend one set of classes holding the
// bound up while another holds it. About 400 pairs.
constexpr size_t kPairedTurns = 30;
// Where no turn lowers the bound, turns that keep it may lead to a pattern
// from which one does: a few are taken, and dropped again when none does.
constexpr int kSidewaysTurns = 4;
// A turn of band counts in one group: the class classes[i] hands a student
// of band bands[i] to the next class, the last to the first.
struct Turn {
    int group = -1;
    std::vector<int> classes;
    std::vector<int> bands;
};

// What a turn changes of the pattern: each class takes the band of the
// class before it for its own.
std::vector<CountChange> changesOf(const Turn& turn, const PatternBound& bound)
{
    std::vector<CountChange> changes;
    const size_t k = turn.classes.size();
    for (size_t i = 0; i < k; ++i) {
        const int to = bound.local(turn.classes[(i + 1) % k]);
        changes.push_back({bound.cellOf(turn.group, turn.bands[(i + 1) % k]), to, -1});
        changes.push_back({bound.cellOf(turn.group, turn.bands[i]), to, +1});
    }
    return changes;
}

// Whether two lists of count changes move the same counts by the same amounts.
bool sameChanges(std::vector<CountChange> a, std::vector<CountChange> b)
{
    const auto order = [](const CountChange& x, const CountChange& y) {
        return std::tie(x.cell, x.local, x.by) < std::tie(y.cell, y.local, y.by);
    };
    std::sort(a.begin(), a.end(), order);
    std::sort(b.begin(), b.end(), order);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const CountChange& x, const CountChange& y) { return x.cell == y.cell && x.local == y.local && x.by == y.by; });
}

// A turn and the bound of the pattern it leads to.
struct Weighed {
    double bound;
    Turn turn;
};

// Every turn of one group over two to four of its classes that keeps each
// count within the range the search keeps it in, weighed by the bound. Each
// class of a turn gives a student who moves one by one: neither fixed nor in
// a together set.
class TurnSearch {
public:
    TurnSearch(const Placement& placement, const PatternBound& bound)
        : m_placement(placement), m_p(placement.problem()), m_bound(bound)
    {
    }

    void weigh(int g, std::vector<Weighed>& found)
    {
        const Group& group = m_p.groups[g];
        m_group = g;
        m_lo.assign(group.classes.size() * m_p.bandCount, 0);
        m_hi.assign(m_lo.size(), 0);
        m_free.assign(m_lo.size(), 0);
        for (size_t l = 0; l < group.classes.size(); ++l) {
            for (int b = 0; b < m_p.bandCount; ++b)
                std::tie(m_lo[l * m_p.bandCount + b], m_hi[l * m_p.bandCount + b]) =
                    m_placement.bandRange(g, static_cast<int>(l), b);
        }
        for (int s : group.students) {
            if (m_placement.isFree(s)) {
                const auto at = std::find(group.classes.begin(), group.classes.end(), m_placement.classOf(s));
                ++m_free[(at - group.classes.begin()) * m_p.bandCount + m_p.students[s].band];
            }
        }
        m_found = &found;
        for (size_t first = 0; first < group.classes.size(); ++first) {
            for (int b = 0; b < m_p.bandCount; ++b) {
                if (count(first, b) > m_lo[first * m_p.bandCount + b] && m_free[first * m_p.bandCount + b] > 0) {
                    m_turn = {m_group, {static_cast<int>(first)}, {b}};
                    extend();
                }
            }
        }
    }

private:
    int count(size_t l, int band) const
    {
        return m_bound.count(m_bound.cellOf(m_group, band), m_bound.local(m_p.groups[m_group].classes[l]));
    }
    // Whether class l can take a student of band `in` for one of band `out`.
    bool takes(size_t l, int in, int out) const
    {
        return in != out && count(l, out) > m_lo[l * m_p.bandCount + out] && m_free[l * m_p.bandCount + out] > 0
               && count(l, in) < m_hi[l * m_p.bandCount + in];
    }

    // The turn so far, m_turn (local classes, bands), grown by one class,
    // its first class the lowest so that each turn is met once.
    void extend()
    {
        const Group& group = m_p.groups[m_group];
        const int last = m_turn.bands.back();
        if (m_turn.classes.size() >= 2 && takes(m_turn.classes[0], last, m_turn.bands[0]))
            weighTurn();
        if (m_turn.classes.size() >= kLongestTurn)
            return;
        for (size_t l = m_turn.classes[0] + 1; l < group.classes.size(); ++l) {
            if (std::find(m_turn.classes.begin(), m_turn.classes.end(), static_cast<int>(l)) != m_turn.classes.end())
                continue;
            for (int b = 0; b < m_p.bandCount; ++b) {
                if (!takes(l, last, b))
                    continue;
                m_turn.classes.push_back(static_cast<int>(l));
                m_turn.bands.push_back(b);
                extend();
                m_turn.classes.pop_back();
                m_turn.bands.pop_back();
            }
        }
    }

    void weighTurn()
    {
        Turn turn{m_group, {}, m_turn.bands};
        for (int l : m_turn.classes)
            turn.classes.push_back(m_p.groups[m_group].classes[l]);
        const double value = m_bound.bestWith(changesOf(turn, m_bound));
        m_found->push_back({value, std::move(turn)});
    }

    const Placement& m_placement;
    const Problem& m_p;
    const PatternBound& m_bound;
    int m_group = -1;
    std::vector<int> m_lo, m_hi, m_free; // [local class * bands + band]; m_free: its students who move one by one
    Turn m_turn;                 // local classes while it grows
    std::vector<Weighed>* m_found = nullptr;
};

// The turns that lower the bound most: the best one alone, or else the best
// pair of turns in two groups; none when neither lowers it.
std::vector<Turn> bestTurns(std::vector<Weighed>& found, const PatternBound& bound, double current)
{
    const auto byBound = [](const Weighed& a, const Weighed& b) { return a.bound < b.bound; };
    const size_t top = std::min(kPairedTurns, found.size());
    std::partial_sort(found.begin(), found.begin() + top, found.end(), byBound);
    if (top > 0 && found[0].bound < current - kTiny)
        return {found[0].turn};
    double best = current - kTiny;
    std::vector<Turn> chosen;
    for (size_t i = 0; i < top; ++i) {
        const std::vector<CountChange> first = changesOf(found[i].turn, bound);
        for (size_t j = i + 1; j < top; ++j) {
            if (found[j].turn.group == found[i].turn.group)
                continue; // the counts of one group could leave their ranges together
            std::vector<CountChange> both = changesOf(found[j].turn, bound);
            both.insert(both.end(), first.begin(), first.end());
            const double value = bound.bestWith(both);
            if (value < best) {
                best = value;
                chosen = {found[i].turn, found[j].turn};
            }
        }
    }
    return chosen;
}

// Students for a turn: in each class the one of its band whose score is
// closest to the student it gives way to, so the averages move little; only
// students who move one by one. Empty when a class has none to give.
std::vector<int> studentsFor(const Placement& placement, const Turn& turn)
{
    const Problem& p = placement.problem();
    std::vector<int> cycle;
    const size_t k = turn.classes.size();
    double near = 0;
    int inLast = 0;
    for (int s : p.groups[turn.group].students) {
        if (placement.classOf(s) == turn.classes[k - 1] && p.students[s].band == turn.bands[k - 1] && placement.isFree(s)) {
            near += p.students[s].score;
            ++inLast;
        }
    }
    near /= std::max(1, inLast);
    for (size_t i = 0; i < k; ++i) {
        int chosen = -1;
        for (int s : p.groups[turn.group].students) {
            if (placement.classOf(s) == turn.classes[i] && p.students[s].band == turn.bands[i] && placement.isFree(s)
                && (chosen < 0 || std::abs(p.students[s].score - near) < std::abs(p.students[chosen].score - near)))
                chosen = s;
        }
        if (chosen < 0)
            return {};
        cycle.push_back(chosen);
        near = p.students[chosen].score;
    }
    return cycle;
}

// Moves each student of the cycle into the class of the next, the last into
// the class of the first, as a chain of exchanges whose steps may leave a
// fair range that the whole cycle keeps; returns the key after it.
Key applyCycle(Placement& placement, const Component& component, const std::vector<int>& cycle, Key key)
{
    // The first class takes each student in turn and passes it on to the
    // class of the next.
    for (size_t i = 0; i + 1 < cycle.size(); ++i) {
        const int a = cycle[i], b = cycle[i + 1];
        Change ch;
        placement.change(a, b, ch, false);
        key = placement.keyAfter(component, key, placement.classOf(a), placement.classOf(b), ch);
        placement.apply(a, b, ch);
    }
    return key;
}

// The best turn that keeps the bound and does not undo the one before
// (bestTurns sorted the best of them first); none: empty.
std::vector<Turn> sidewaysTurn(const std::vector<Weighed>& found, const PatternBound& bound, double current,
                               const std::vector<CountChange>& last)
{
    for (size_t i = 0; i < std::min(kPairedTurns, found.size()); ++i) {
        std::vector<CountChange> back = changesOf(found[i].turn, bound);
        for (CountChange& c : back)
            c.by = -c.by;
        if (found[i].bound <= current + kTiny && !sameChanges(back, last))
            return {found[i].turn};
    }
    return {};
}

// The turns that lead to the lowest bound, in their order; the bound takes them.
std::vector<Turn> chooseTurns(const Problem& p, PatternBound& bound, TurnSearch& search)
{
    const double start = bound.best();
    std::vector<Turn> turns;
    std::vector<Weighed> found;
    size_t kept = 0; // the turns that lead to the lowest bound
    int sideways = 0;
    std::vector<CountChange> last;
    for (double current = start, lowest = start; current > kTiny && static_cast<int>(turns.size()) < kMostTurns;) {
        found.clear();
        for (size_t g = 0; g < p.groups.size(); ++g) {
            if (p.groups[g].classes.size() > 1 && bound.local(p.groups[g].classes[0]) >= 0)
                search.weigh(static_cast<int>(g), found);
        }
        std::vector<Turn> chosen = bestTurns(found, bound, current);
        if (chosen.empty() && sideways < kSidewaysTurns) {
            chosen = sidewaysTurn(found, bound, current, last);
            ++sideways;
        }
        if (chosen.empty())
            break;
        last.clear();
        for (const Turn& turn : chosen) {
            const std::vector<CountChange> changes = changesOf(turn, bound);
            last.insert(last.end(), changes.begin(), changes.end());
            bound.take(changes);
            turns.push_back(turn);
        }
        current = bound.best();
        if (current < lowest - kTiny) {
            lowest = current;
            kept = turns.size();
        }
    }
    turns.resize(kept);
    return turns;
}

} // namespace

void turnBandPattern(Placement& placement, const Component& component, Key& now)
{
    PatternBound bound(placement, component);
    if (!bound.usable())
        return; // too many linked classes to weigh every set of them
    TurnSearch search(placement, bound);
    const std::vector<Turn> turns = chooseTurns(placement.problem(), bound, search);
    if (turns.empty())
        return;

    const Key before = now;
    std::vector<int> saved;
    for (int s : component.movable)
        saved.push_back(placement.classOf(s));
    for (const Turn& turn : turns) {
        const std::vector<int> cycle = studentsFor(placement, turn);
        // The turns were weighed against the placement before the earlier
        // ones moved students: a class may have no free student of the band
        // left, or its counts may differ. Then nothing is kept.
        bool met = !cycle.empty();
        for (size_t i = 0; met && i < cycle.size(); ++i)
            met = placement.bandsAllow(cycle[i], cycle[(i + 1) % cycle.size()]);
        if (!met) {
            placement.restore(component, saved);
            now = placement.keyOf(component);
            return;
        }
        now = applyCycle(placement, component, cycle, now);
    }
    // The students of a turn come close in score, not exactly: transfers
    // inside the bands settle the averages within the new pattern.
    transferAlongPaths(placement, component, now);
    if (!better(now, before)) {
        placement.restore(component, saved);
        now = placement.keyOf(component);
    }
}

} // namespace classdiv::evening
