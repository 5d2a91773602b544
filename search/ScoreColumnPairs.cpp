// With score columns beside the main one, the end of the search: a steepest
// descent over two exchanges at once between the two classes that hold a
// column's highest and lowest average. One exchange moves a class's averages
// along every column at once, and where none narrows the largest spread two
// together often do, the second making up for what the first does to the
// other columns.

#include "search/ScoreColumns.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace classdiv::evening {

namespace {

// Guards only: every step narrows the key.
constexpr int kPairSteps = 500;
// The best few pairs by the class sums; the first whose exchanges the bands
// and the rules allow is taken.
constexpr size_t kCandidates = 256;
// The pairs found are cut back to the best kCandidates once there are this
// many times as many: seldom enough to cost little, and the list stays short.
constexpr size_t kCandidatesBeforeCut = 8;
// Two classes of about 40 give 1,600 moves at most; classes of hundreds
// would give so many that the pairs are left out and single moves tried only.
constexpr size_t kMostMoves = 4000;
constexpr int kColumns = kScoreColumns + 1; // the main score and the extra columns

// An exchange of a (in the first class) and b (in the second), as what the
// first class's sum and count of every column gain.
struct Move {
    int a, b;
    std::array<double, kColumns> sum;
    std::array<int, kColumns> count;
};

struct Aim {
    double largest = 0, main = 0;
};

bool narrower(const Aim& x, const Aim& y)
{
    if (x.largest < y.largest - kTiny)
        return true;
    if (x.largest > y.largest + kTiny)
        return false;
    return x.main < y.main - kTiny;
}

struct Candidate {
    Aim aim;
    int first, second; // indices of moves; second -1 for one exchange
};

// The two classes, their sums and counts column by column, and the range of the other classes' averages.
class PairOfClasses {
public:
    PairOfClasses(const Placement& placement, const Component& component, int ca, int cb,
                  const std::array<double, kColumns>& scale)
        : m_scale(scale), m_columns(placement.problem().scoreColumns + 1)
    {
        for (int k = 0; k < m_columns; ++k) {
            m_sumA[k] = k == 0 ? placement.sum(ca) : placement.extraSum(k - 1, ca);
            m_sumB[k] = k == 0 ? placement.sum(cb) : placement.extraSum(k - 1, cb);
            m_countA[k] = k == 0 ? placement.head(ca) : placement.extraCount(k - 1, ca);
            m_countB[k] = k == 0 ? placement.head(cb) : placement.extraCount(k - 1, cb);
            m_high[k] = -std::numeric_limits<double>::infinity();
            m_low[k] = std::numeric_limits<double>::infinity();
            for (int c : component.classes) {
                const double a = k == 0 ? placement.average(c) : placement.extraAverage(k - 1, c);
                if (c == ca || c == cb || std::isnan(a))
                    continue;
                m_high[k] = std::max(m_high[k], a);
                m_low[k] = std::min(m_low[k], a);
            }
        }
    }

    // The aim when the first class gains sum and count, the second loses them.
    Aim after(const std::array<double, kColumns>& sum, const std::array<int, kColumns>& count) const
    {
        Aim aim;
        for (int k = 0; k < m_columns; ++k) {
            double high = m_high[k], low = m_low[k];
            const int na = m_countA[k] + count[k], nb = m_countB[k] - count[k];
            if (na > 0) {
                const double a = (m_sumA[k] + sum[k]) / na;
                high = std::max(high, a);
                low = std::min(low, a);
            }
            if (nb > 0) {
                const double b = (m_sumB[k] - sum[k]) / nb;
                high = std::max(high, b);
                low = std::min(low, b);
            }
            const double width = high > low ? high - low : 0.0;
            aim.largest = std::max(aim.largest, width * m_scale[k]);
            if (k == 0)
                aim.main = width;
        }
        return aim;
    }

    // How far apart the two classes' averages of column k are, first minus second.
    double difference(int k) const { return m_sumA[k] / m_countA[k] - m_sumB[k] / m_countB[k]; }
    // What a move of sum in column k with no change of count adds to difference(k).
    double perPoint(int k) const { return 1.0 / m_countA[k] + 1.0 / m_countB[k]; }
    bool counted(int k) const { return m_countA[k] > 0 && m_countB[k] > 0; }

private:
    const std::array<double, kColumns>& m_scale;
    int m_columns;
    std::array<double, kColumns> m_sumA{}, m_sumB{}, m_high{}, m_low{};
    std::array<int, kColumns> m_countA{}, m_countB{};
};

std::vector<Move> movesBetween(const Placement& placement, const Component& component, int ca, int cb)
{
    const Problem& p = placement.problem();
    std::vector<Move> moves;
    for (int a : component.movable) {
        if (placement.classOf(a) != ca || !placement.isFree(a))
            continue;
        for (int b : p.groups[p.students[a].group].students) {
            if (placement.classOf(b) != cb || !placement.isFree(b))
                continue;
            Move m{a, b, {}, {}};
            m.sum[0] = p.students[b].score - p.students[a].score;
            for (int k = 0; k < p.scoreColumns; ++k) {
                m.sum[k + 1] = p.extras[b][k].value - p.extras[a][k].value;
                m.count[k + 1] = p.extras[b][k].counted - p.extras[a][k].counted;
            }
            moves.push_back(m);
        }
    }
    return moves;
}

std::array<double, kColumns> sumOf(const Move& x, const Move& y)
{
    std::array<double, kColumns> s;
    for (int k = 0; k < kColumns; ++k)
        s[k] = x.sum[k] + y.sum[k];
    return s;
}

std::array<int, kColumns> countOf(const Move& x, const Move& y)
{
    std::array<int, kColumns> n;
    for (int k = 0; k < kColumns; ++k)
        n[k] = x.count[k] + y.count[k];
    return n;
}

// The best pairs of moves (and single moves) by the class sums, narrower than
// `now`. Column f holds the bound: an exchange that keeps its difference
// between the two classes within `bound` is the only kind that can narrow
// the aim, and where no count of f changes, that difference adds up move by
// move, so that sorting the moves by it leaves a short window to try.
std::vector<Candidate> bestPairs(const PairOfClasses& pair, const std::vector<Move>& moves, int f, double bound,
                                 const Aim& now)
{
    std::vector<Candidate> found;
    const auto consider = [&](int i, int j) {
        const Aim aim = j < 0 ? pair.after(moves[i].sum, moves[i].count)
                              : pair.after(sumOf(moves[i], moves[j]), countOf(moves[i], moves[j]));
        if (!narrower(aim, now))
            return;
        found.push_back({aim, i, j});
        if (found.size() >= kCandidatesBeforeCut * kCandidates) {
            std::nth_element(found.begin(), found.begin() + kCandidates, found.end(),
                             [](const Candidate& x, const Candidate& y) { return narrower(x.aim, y.aim); });
            found.resize(kCandidates);
        }
    };
    const auto distinct = [&](int i, int j) { return moves[i].a != moves[j].a && moves[i].b != moves[j].b; };
    std::vector<std::pair<double, int>> linear; // (what it adds to the difference of f, move)
    std::vector<int> others;                     // moves that change a count of f
    const double perPoint = pair.perPoint(f);
    for (int i = 0; i < static_cast<int>(moves.size()); ++i) {
        consider(i, -1);
        if (moves[i].count[f] == 0)
            linear.emplace_back(moves[i].sum[f] * perPoint, i);
        else
            others.push_back(i);
    }
    if (moves.size() > kMostMoves) {
        linear.clear();
        others.clear();
    }
    std::sort(linear.begin(), linear.end());
    const double d = pair.difference(f);
    for (size_t x = 0; x < linear.size(); ++x) {
        const double from = -d - linear[x].first - bound;
        const double to = -d - linear[x].first + bound;
        auto y = std::lower_bound(linear.begin() + static_cast<long>(x) + 1, linear.end(), std::make_pair(from, -1));
        for (; y != linear.end() && y->first <= to; ++y)
            if (distinct(linear[x].second, y->second))
                consider(linear[x].second, y->second);
    }
    for (size_t x = 0; x < others.size(); ++x)
        for (int j = 0; j < static_cast<int>(moves.size()); ++j) {
            const bool seen = moves[j].count[f] != 0 && j <= others[x];
            if (!seen && distinct(others[x], j))
                consider(others[x], j);
        }
    std::sort(found.begin(), found.end(), [](const Candidate& x, const Candidate& y) { return narrower(x.aim, y.aim); });
    if (found.size() > kCandidates)
        found.resize(kCandidates);
    return found;
}

// Exchanges a1, b1 and a2, b2 (a2 < 0: the first alone) when the two
// together keep the band counts of their groups in both classes no further
// outside their ranges and the key comes out better than now; else leaves
// all as it was. Either exchange alone may break a rule the pair keeps: a
// boy for a girl one way and a girl for a boy the other.
bool tryExchanges(Placement& placement, const Component& component, Key& now, int a1, int b1, int a2, int b2)
{
    const Problem& p = placement.problem();
    const bool twoGroups = a2 >= 0 && p.students[a1].group != p.students[a2].group;
    const auto bandsOutside = [&] {
        long sum = placement.bandsOutside(a1) + placement.bandsOutside(b1);
        if (twoGroups)
            sum += placement.bandsOutside(a2) + placement.bandsOutside(b2);
        return sum;
    };
    const long before = bandsOutside();
    const int ca = placement.classOf(a1), cb = placement.classOf(b1);
    Change first;
    placement.change(a1, b1, first, false);
    Key key = placement.keyAfter(component, now, ca, cb, first);
    placement.apply(a1, b1, first);
    if (a2 >= 0) {
        Change second;
        placement.change(a2, b2, second, false);
        key = placement.keyAfter(component, key, ca, cb, second);
        placement.apply(a2, b2, second);
    }
    if (bandsOutside() <= before && better(key, now)) {
        now = key;
        return true;
    }
    Change back;
    if (a2 >= 0) {
        placement.change(a2, b2, back, false);
        placement.apply(a2, b2, back);
    }
    placement.change(a1, b1, back, false);
    placement.apply(a1, b1, back);
    return false;
}

// Takes the first candidate the bands and the rules allow.
bool takeOne(Placement& placement, const Component& component, Key& now, const std::vector<Move>& moves,
             const std::vector<Candidate>& candidates)
{
    for (const Candidate& c : candidates) {
        const Move& x = moves[c.first];
        const Move* y = c.second < 0 ? nullptr : &moves[c.second];
        if (tryExchanges(placement, component, now, x.a, x.b, y ? y->a : -1, y ? y->b : -1))
            return true;
    }
    return false;
}

struct Ends {
    int high = -1, low = -1;
    double width = 0;
};

Ends endsOf(const Placement& placement, const Component& component, int k)
{
    Ends e;
    double high = 0, low = 0;
    for (int c : component.classes) {
        const double a = k == 0 ? placement.average(c) : placement.extraAverage(k - 1, c);
        if (std::isnan(a))
            continue;
        if (e.high < 0 || a > high) {
            e.high = c;
            high = a;
        }
        if (e.low < 0 || a < low) {
            e.low = c;
            low = a;
        }
    }
    e.width = e.high >= 0 ? high - low : 0.0;
    return e;
}

} // namespace

Key descendOnExchangePairs(Placement& placement, const Component& component, Key now)
{
    const Problem& p = placement.problem();
    const std::array<double, kColumns> scale = scoreScales(p);
    for (int step = 0; step < kPairSteps; ++step) {
        int widest = 0;
        std::array<Ends, kColumns> ends;
        for (int k = 0; k <= p.scoreColumns; ++k) {
            ends[k] = endsOf(placement, component, k);
            if (ends[k].width * scale[k] > ends[widest].width * scale[widest])
                widest = k;
        }
        // The widest column's two classes, then the main score's.
        std::array<int, 2> bounding{widest, 0};
        bool taken = false;
        for (int i = 0; i < (widest == 0 ? 1 : 2) && !taken; ++i) {
            const int f = bounding[i];
            if (scale[f] == 0 || ends[f].high < 0 || ends[f].high == ends[f].low)
                continue;
            const PairOfClasses pair(placement, component, ends[f].high, ends[f].low, scale);
            if (!pair.counted(f))
                continue;
            const std::vector<Move> moves = movesBetween(placement, component, ends[f].high, ends[f].low);
            const double bound = (f == widest ? now.spread / scale[f] : now.main) + kTiny;
            taken = takeOne(placement, component, now, moves, bestPairs(pair, moves, f, bound, {now.spread, now.main}));
        }
        if (!taken)
            break;
    }
    return now;
}

} // namespace classdiv::evening
