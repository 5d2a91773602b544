#include "search/Descent.h"

#include "common/Rounding.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace classdiv::evening {

namespace {

// Guards only: every step narrows the key, so a descent stops long before.
constexpr int kStepsOnAverages = 10000;
constexpr int kStepsOnShownTotals = 1000; // each step costs passes over two classes
// Random exchanges tried among those that keep the shown spread, before the
// rounding is given up. With the exact spread held at its best few are open:
// 20,000 leave the shown spread of the half-point benchmark years a quarter
// to a half narrower than 3,000 did, for a millisecond or two more.
constexpr int kRoundingWalk = 20000;
// The rounded totals of the two classes of an exchange are each a point
// off their exact sums at most, before any fractional score moves them.
constexpr double kRoundingOfTwoTotals = 2;
// A fractional score moves its class's rounded total by half a point at most.
constexpr double kHalfPoint = 0.5;
// An exchange moves the averages of both its classes, each by the
// difference of scores over the head count.
constexpr double kBothClasses = 2;

// An exchange a descent may take, with what the scoring knows of it.
struct Move {
    int a = -1;
    int b = -1;
    Change change;
    Key key;
    double totalA = 0; // the shown totals after it, where the scoring counts them
    double totalB = 0;
};

// At every step the best exchange of a student of the highest or the lowest
// class (as scoring.average() tells) with one of its group in another class,
// until none is better. The scoring gives average(c), now(), allows(a, b),
// judge(a, b, change) -> Move, and take(move).
template <class Scoring>
void descend(const Placement& placement, const Component& component, Scoring& scoring, int maxSteps)
{
    const Problem& p = placement.problem();
    for (int step = 0; step < maxSteps; ++step) {
        int high = component.classes[0];
        int low = component.classes[0];
        for (int c : component.classes) {
            if (scoring.average(c) > scoring.average(high))
                high = c;
            if (scoring.average(c) < scoring.average(low))
                low = c;
        }
        Key best = scoring.now();
        std::optional<Move> chosen;
        for (int a : component.movable) {
            const int ca = placement.classOf(a);
            if ((ca != high && ca != low) || !placement.isFree(a))
                continue;
            for (int b : p.groups[p.students[a].group].students) {
                Change ch;
                if (placement.classOf(b) == ca || !placement.isFree(b) || !scoring.allows(a, b) ||
                    !placement.change(a, b, ch))
                    continue;
                const Move move = scoring.judge(a, b, ch);
                if (better(move.key, best)) {
                    best = move.key;
                    chosen = move;
                }
            }
        }
        if (!chosen)
            return;
        scoring.take(*chosen);
    }
}

// The class totals as the distribution table sums them: each class over its
// own students in file order, every running sum of a fractional score rounded.
class ShownTotals {
public:
    ShownTotals(const Placement& placement, const Component& component) : m_p(placement.problem())
    {
        m_members.resize(m_p.classCount);
        std::vector<char> inComponent(m_p.classCount, 0);
        for (int c : component.classes)
            inComponent[c] = 1;
        for (int s : fileOrder(m_p)) {
            if (inComponent[placement.classOf(s)])
                m_members[placement.classOf(s)].push_back(s);
        }
        m_whole.resize(m_p.students.size());
        for (size_t s = 0; s < m_whole.size(); ++s)
            m_whole[s] = score(static_cast<int>(s)) == std::floor(score(static_cast<int>(s)));
        m_total.assign(m_p.classCount, 0);
        for (int c : component.classes)
            m_total[c] = totalOf(c, -1, -1);
    }

    double total(int c) const { return m_total[c]; }
    double score(int s) const { return m_p.students[s].score; }
    // Rounding moves a total by at most half a point a fractional score.
    double roundingSlack(const Component& component) const
    {
        double slack = kRoundingOfTwoTotals;
        for (int c : component.classes) {
            for (int s : m_members[c])
                slack += m_whole[s] ? 0.0 : kHalfPoint;
        }
        return slack;
    }
    // The total of class c with student out taken away and in added.
    double totalOf(int c, int out, int in) const
    {
        double t = 0;
        bool placed = in < 0;
        for (int s : m_members[c]) {
            if (!placed && order(in) < order(s)) {
                t = add(t, in);
                placed = true;
            }
            if (s != out)
                t = add(t, s);
        }
        return placed ? t : add(t, in);
    }
    // a (of class ca) and b (of class cb) have changed places, giving these totals.
    void exchanged(int a, int ca, int b, int cb, double totalA, double totalB)
    {
        move(a, ca, cb);
        move(b, cb, ca);
        m_total[ca] = totalA;
        m_total[cb] = totalB;
    }

private:
    int order(int s) const { return m_p.students[s].order; }
    // A whole score added to a whole total needs no rounding.
    double add(double t, int s) const { return m_whole[s] ? t + score(s) : roundHalfEven(t + score(s)); }
    void move(int s, int from, int to)
    {
        std::vector<int>& out = m_members[from];
        out.erase(std::find(out.begin(), out.end(), s));
        std::vector<int>& in = m_members[to];
        in.insert(std::upper_bound(in.begin(), in.end(), s, [&](int x, int y) { return order(x) < order(y); }), s);
    }

    const Problem& m_p;
    std::vector<std::vector<int>> m_members; // [class], in file order
    std::vector<char> m_whole;
    std::vector<double> m_total;
};

} // namespace

void descendOnAverages(Placement& placement, const Component& component, Key now)
{
    struct Scoring {
        Placement& placement;
        const Component& component;
        Key current;
        double average(int c) const { return placement.average(c); }
        Key now() const { return current; }
        bool allows(int, int) const { return true; }
        Move judge(int a, int b, const Change& ch) const
        {
            return {a, b, ch, placement.keyAfter(component, current, placement.classOf(a), placement.classOf(b), ch)};
        }
        void take(const Move& move)
        {
            placement.apply(move.a, move.b, move.change);
            current = move.key;
        }
    } scoring{placement, component, now};
    descend(placement, component, scoring, kStepsOnAverages);
}

namespace {

// The scoring of the descent on the shown totals: the exact key first, then
// the spread of the averages that the rounded totals show.
struct ShownScoring {
    Placement& placement;
    const Component& component;
    ShownTotals totals;
    double slack;
    Key plain; // of the exact averages; its marks, flags and mixing go into the shown key too
    double ceiling; // the exact spread reached, which the shown totals may not widen
    Key current;

    double average(int c) const { return totals.total(c) * placement.inverseHead(c); }
    Key now() const { return current; }
    // Scores further apart than this cannot narrow the spread, whatever the rounding.
    bool allows(int a, int b) const
    {
        return std::abs(totals.score(b) - totals.score(a)) <= kBothClasses * current.spread * component.largestClass + slack;
    }
    // The rules of `rules`, the spread and squares of the shown totals.
    Key keyWith(const Key& rules, int ca, double ta, int cb, double tb) const
    {
        Key k = rules;
        k.spread = 0;
        k.squares = 0;
        double high = -std::numeric_limits<double>::infinity();
        double low = std::numeric_limits<double>::infinity();
        for (int c : component.classes) {
            const double a = (c == ca ? ta : c == cb ? tb : totals.total(c)) * placement.inverseHead(c);
            high = std::max(high, a);
            low = std::min(low, a);
            k.squares += (a - component.mean) * (a - component.mean);
        }
        k.spread = high - low;
        return k;
    }
    Move judge(int a, int b, const Change& ch) const
    {
        const int ca = placement.classOf(a), cb = placement.classOf(b);
        // The exact averages come first: the shown ones only choose among
        // placements whose exact spread is no wider, and the rules above
        // the averages are the exact key's own.
        const Key exact = placement.keyAfter(component, plain, ca, cb, ch);
        if (exact.spread > ceiling + kTiny) {
            Move never{a, b, ch, current};
            never.key.pairs = std::numeric_limits<long>::max();
            return never;
        }
        Move move{a, b, ch, {}, totals.totalOf(ca, a, b), totals.totalOf(cb, b, a)};
        move.key = keyWith(exact, ca, move.totalA, cb, move.totalB);
        return move;
    }
    void take(const Move& move)
    {
        const int ca = placement.classOf(move.a), cb = placement.classOf(move.b);
        plain = placement.keyAfter(component, plain, ca, cb, move.change);
        placement.apply(move.a, move.b, move.change);
        totals.exchanged(move.a, ca, move.b, cb, move.totalA, move.totalB);
        current = keyWith(plain, -1, 0, -1, 0);
    }
};

} // namespace

void descendOnShownTotals(Placement& placement, const Component& component, Rng& rng)
{
    ShownScoring scoring{placement, component, ShownTotals(placement, component), 0, placement.keyOf(component), 0, {}};
    scoring.ceiling = scoring.plain.spread;
    scoring.slack = scoring.totals.roundingSlack(component);
    scoring.current = scoring.keyWith(scoring.plain, -1, 0, -1, 0);
    descend(placement, component, scoring, kStepsOnShownTotals);

    const uint32_t count = static_cast<uint32_t>(component.movable.size());
    for (int attempt = 0; attempt < kRoundingWalk && scoring.current.spread > kTiny; ++attempt) {
        const int a = component.movable[rng.below(count)];
        const int b = placement.partner(a, rng);
        Change ch;
        if (b < 0 || !placement.isFree(a) || !placement.isFree(b) || placement.classOf(a) == placement.classOf(b) ||
            !placement.change(a, b, ch) || !ch.keepsTheRules())
            continue;
        const Move move = scoring.judge(a, b, ch);
        if (!better(scoring.current, move.key))
            scoring.take(move);
    }
}

} // namespace classdiv::evening
