// Mending with the fewest moves: who is held where, the flow of each group
// (MoveFlow) made into students, the exchanges (MendSearch), then MendExact.

#include "search/FewestMoves.h"

#include "search/BandTarget.h"
#include "search/MendExact.h"
#include "search/MendSearch.h"
#include "search/Measures.h"
#include "search/MoveFlow.h"
#include "search/Placement.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace classdiv::evening {

namespace {

// Tries of the flow's choices and the mending after it.
constexpr int kAttempts = 8;
// Starts of the evening out at the fewest moves, the best kept: this work
// over the students away times the largest group's size, 2 to 8 starts.
constexpr long kEvenWork = 27'000;

int localOf(const Group& group, int c)
{
    const auto at = std::find(group.classes.begin(), group.classes.end(), c);
    return at == group.classes.end() ? -1 : static_cast<int>(at - group.classes.begin());
}

class Mender {
public:
    Mender(const Problem& p, const std::vector<int>& start, const std::vector<char>& placed, const MoveLimits& limits)
        : m_p(p), m_start(start), m_placed(placed), m_limits(limits), m_class(p.students.size(), -1),
          m_held(p.students.size(), 0), m_heldCount(p.groups.size())
    {
        for (size_t g = 0; g < p.groups.size(); ++g)
            m_heldCount[g].assign(p.groups[g].classes.size(), 0);
    }

    // False with m_out.broken set when the held students alone break a hard rule.
    bool hold()
    {
        for (size_t s = 0; s < m_p.students.size(); ++s) {
            const int si = static_cast<int>(s);
            if (m_p.rulesOf(si).unit >= 0)
                continue;
            const int fixed = m_p.rulesOf(si).fixedClass;
            const int locked = lockedStart(si);
            if (fixed >= 0 && locked >= 0 && fixed != locked)
                return fail(MendBreak::Fixed, {si});
            if (fixed >= 0 && !holdAt(si, fixed))
                return fail(MendBreak::Fixed, {si});
            if (fixed < 0 && locked >= 0)
                holdAt(si, locked);
        }
        for (size_t u = 0; u < m_p.units.size(); ++u)
            if (!holdUnit(static_cast<int>(u)))
                return fail(MendBreak::Together, m_p.units[u]);
        for (size_t g = 0; g < m_p.groups.size(); ++g) {
            const Group& group = m_p.groups[g];
            for (size_t l = 0; l < group.classes.size(); ++l) {
                if (m_heldCount[g][l] <= group.headCounts[l])
                    continue;
                std::vector<int> over;
                for (int s : group.students)
                    if (m_held[s] && m_class[s] == group.classes[l])
                        over.push_back(s);
                return fail(MendBreak::HeadCount, over);
            }
        }
        return true;
    }

    // Every group's free students into classes by its flow. False when the
    // head counts do not take the group's students.
    bool flowGroups(Rng& rng, bool shuffle)
    {
        for (size_t g = 0; g < m_p.groups.size(); ++g)
            if (!flowGroup(static_cast<int>(g), rng, shuffle))
                return fail(MendBreak::HeadCount, m_p.groups[g].students);
        return true;
    }

    Mend run(uint64_t seed)
    {
        if (!hold())
            return unchanged();
        const std::vector<int> held = m_class;
        Rng rng(seed);
        Score bestScore{};
        const std::optional<std::vector<int>> best = fewestOfAttempts(held, rng, bestScore);
        if (!best)
            return unchanged();
        m_class = evenedFromStarts(held, rng, *best, bestScore);
        m_out.classOf = m_class;
        m_out.moves = movesBetween(m_start, m_placed, m_class);
        if (std::vector<int> apart = marksSharing(); !apart.empty())
            fail(MendBreak::Apart, apart);
        else if (m_limits.largestMoves >= 0 && m_out.moves > m_limits.largestMoves) {
            std::vector<int> moved;
            for (size_t s = 0; s < m_class.size(); ++s)
                if (m_placed[s] && m_class[s] != m_start[s])
                    moved.push_back(static_cast<int>(s));
            fail(MendBreak::Limit, moved);
        }
        return m_out;
    }

private:
    // More starts where few students are away: each costs about their
    // number times their groups' size, and the time a use may take is bounded.
    int evenStarts(const std::vector<int>& classOf) const
    {
        long away = 0;
        size_t largest = 1;
        for (size_t s = 0; s < classOf.size(); ++s)
            away += !m_placed[s] || classOf[s] != m_start[s];
        for (const Group& group : m_p.groups)
            largest = std::max(largest, group.students.size());
        return static_cast<int>(std::clamp<long>(kEvenWork / std::max<long>(1, away * static_cast<long>(largest)), 2, 8));
    }

    // What is left of the rules above the averages (pairs, flags, mixing), then the moves.
    using Score = std::tuple<long, int64_t, long, int>;

    Mend unchanged()
    {
        m_out.classOf = m_start;
        return m_out;
    }

    // The flow is exact for the head counts and bands; which of equal
    // students stay, and the mending of the rules after, are choices: a few
    // tries, the best kept, unless one reaches the flow's count. None when
    // the head counts do not take a group's students.
    std::optional<std::vector<int>> fewestOfAttempts(const std::vector<int>& held, Rng& rng, Score& bestScore)
    {
        std::vector<int> best;
        int fewest = 0;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::optional<Score> score = tryOnce(held, rng, attempt > 0, fewest);
            if (!score)
                return std::nullopt;
            if (best.empty() || *score < bestScore) {
                best = m_class;
                bestScore = *score;
            }
            if (keepsRules(*score) && std::get<3>(*score) <= fewest)
                return best;
        }
        fewerExactly(best, bestScore);
        return best;
    }

    static bool keepsRules(const Score& s) { return std::get<0>(s) == 0 && std::get<1>(s) == 0 && std::get<2>(s) == 0; }

    // Where the exchanges left more moves than the flow or a rule broken, the search of every division (MendExact.h).
    void fewerExactly(std::vector<int>& best, Score& bestScore)
    {
        m_class = best;
        Placement placement(m_p, m_class);
        setBandRanges(placement);
        const int moves = keepsRules(bestScore) ? std::get<3>(bestScore) : -1;
        if (std::vector<int> better; fewerMovesExactly(placement, m_start, m_placed, m_held, moves, kExactSteps, better)) {
            best = std::move(better);
            bestScore = Score{0, 0, 0, movesBetween(m_start, m_placed, best)};
        }
    }

    // Evening out from a few starts of the best score: the exchanges that
    // add no move reach only some of the divisions of as many moves.
    std::vector<int> evenedFromStarts(const std::vector<int>& held, Rng& rng, const std::vector<int>& best,
                                      const Score& bestScore)
    {
        std::vector<int> evened;
        std::pair<double, double> evenest{};
        const int starts = evenStarts(best);
        for (int start = 0, tries = 0; start < starts && tries < 2 * starts; ++tries) {
            int fewest = 0;
            if (start > 0 && tryOnce(held, rng, true, fewest) != bestScore)
                continue;
            if (start++ == 0)
                m_class = best;
            Placement placement(m_p, m_class);
            setBandRanges(placement);
            MendSearch(placement, m_start, m_placed, m_held, rng.next()).evenOut();
            const ScoreSpreads spreads = scoreSpreads(m_p, m_class);
            const std::pair<double, double> measure{spreads.largest, spreads.mainSpread};
            if (evened.empty() || measure.first < evenest.first - kTiny ||
                (measure.first <= evenest.first + kTiny && measure.second < evenest.second - kTiny)) {
                evened = m_class;
                evenest = measure;
            }
        }
        return evened;
    }

    // The flow from the held students, then the rules mended: its score, and
    // in `fewest` the moves of the flow alone; none when the head counts do
    // not take a group's students.
    std::optional<Score> tryOnce(const std::vector<int>& held, Rng& rng, bool shuffle, int& fewest)
    {
        m_class = held;
        if (!flowGroups(rng, shuffle))
            return std::nullopt;
        fewest = movesBetween(m_start, m_placed, m_class);
        Placement placement(m_p, m_class);
        setBandRanges(placement);
        MendSearch search(placement, m_start, m_placed, m_held, rng.next());
        const Key left = search.mendRules();
        search.fewerMoves();
        return Score{left.pairs, left.flags, left.mix, movesBetween(m_start, m_placed, m_class)};
    }

    // The fair ranges (widened where fixed students hold a cell), and
    // further to the counts the flow could not bring into them: the
    // exchanges after keep every count where it is or closer.
    void setBandRanges(Placement& placement) const
    {
        for (size_t g = 0; g < m_p.groups.size(); ++g) {
            const Group& group = m_p.groups[g];
            const int bands = m_p.bandCount;
            std::vector<int> count(group.classes.size() * bands, 0);
            for (int s : group.students)
                ++count[localOf(group, m_class[s]) * bands + m_p.students[s].band];
            const BandBounds bounds = boundsOf(static_cast<int>(g));
            for (size_t i = 0; i < count.size(); ++i)
                placement.setBandRange(static_cast<int>(g), static_cast<int>(i) / bands, static_cast<int>(i) % bands,
                                       std::min(bounds.lo[i], count[i]), std::max(bounds.hi[i], count[i]));
        }
        placement.recount();
    }

    BandBounds boundsOf(int g) const
    {
        const Group& group = m_p.groups[g];
        const int bands = m_p.bandCount;
        std::vector<int> inBand(bands, 0), fixedHeld(group.classes.size() * bands, 0);
        for (int s : group.students) {
            ++inBand[m_p.students[s].band];
            if (const int c = m_p.rulesOf(s).fixedClass; c >= 0 && localOf(group, c) >= 0)
                ++fixedHeld[localOf(group, c) * bands + m_p.students[s].band];
        }
        BandBounds bounds = fairBandBounds(group, inBand);
        if (std::any_of(fixedHeld.begin(), fixedHeld.end(), [](int n) { return n > 0; }))
            widenForFixed(bounds, fixedHeld, group.headCounts, inBand);
        return bounds;
    }

    bool fail(MendBreak rule, std::vector<int> students)
    {
        m_out.broken = rule;
        m_out.students = std::move(students);
        return false;
    }

    int lockedStart(int s) const
    {
        const int c = m_start[s];
        return m_placed[s] && c >= 0 && !m_limits.locked.empty() && m_limits.locked[c] ? c : -1;
    }

    bool holdAt(int s, int c)
    {
        const int g = m_p.students[s].group;
        const int l = localOf(m_p.groups[g], c);
        if (l < 0)
            return false;
        m_class[s] = c;
        m_held[s] = 1;
        ++m_heldCount[g][l];
        return true;
    }

    // A together set into the class of its shared ones that moves fewest of
    // its members and has room beside the students held there already.
    bool holdUnit(int u)
    {
        const std::vector<int>& members = m_p.units[u];
        int required = -1;
        for (int s : members) {
            for (const int c : {m_p.rulesOf(s).fixedClass, lockedStart(s)}) {
                if (c >= 0 && required >= 0 && c != required)
                    return false;
                if (c >= 0)
                    required = c;
            }
        }
        int best = -1, bestMoves = 0;
        for (int c : m_p.unitClasses[u]) {
            if (required >= 0 && c != required)
                continue;
            std::vector<std::vector<int>> taken = m_heldCount;
            bool room = true;
            int moves = 0;
            for (int s : members) {
                const int g = m_p.students[s].group;
                const int l = localOf(m_p.groups[g], c);
                room = room && l >= 0 && ++taken[g][l] <= m_p.groups[g].headCounts[l];
                moves += m_placed[s] && m_start[s] != c;
            }
            if (room && (best < 0 || moves < bestMoves)) {
                best = c;
                bestMoves = moves;
            }
        }
        if (best < 0)
            return false;
        for (int s : members)
            holdAt(s, best);
        return true;
    }

    bool flowGroup(int g, Rng& rng, bool shuffle)
    {
        const Group& group = m_p.groups[g];
        const int classes = static_cast<int>(group.classes.size()), bands = m_p.bandCount;
        std::vector<int> heldCell(classes * bands, 0);
        for (int s : group.students)
            if (m_held[s])
                ++heldCell[localOf(group, m_class[s]) * bands + m_p.students[s].band];
        const BandBounds bounds = boundsOf(g);

        BandFlowInput in;
        in.classes = classes;
        in.bands = bands;
        in.supply.assign(bands, 0);
        in.stayers.assign(classes * bands, 0);
        in.lo.resize(classes * bands);
        in.hi.resize(classes * bands);
        for (int l = 0; l < classes; ++l)
            in.room.push_back(group.headCounts[l] - m_heldCount[g][l]);
        for (int i = 0; i < classes * bands; ++i) {
            in.lo[i] = std::max(0, bounds.lo[i] - heldCell[i]);
            in.hi[i] = std::max(0, bounds.hi[i] - heldCell[i]);
        }
        // The students who may stay, cell by cell, and those who must find a class, band by band.
        std::vector<std::vector<int>> stayers(classes * bands), pool(bands);
        for (int s : group.students) {
            if (m_held[s])
                continue;
            const int b = m_p.students[s].band;
            ++in.supply[b];
            const int l = m_placed[s] && m_start[s] >= 0 ? localOf(group, m_start[s]) : -1;
            if (l >= 0) {
                stayers[l * bands + b].push_back(s);
                ++in.stayers[l * bands + b];
            } else {
                pool[b].push_back(s);
            }
        }
        const BandFlow flow = solveBandFlow(in);
        if (shuffle) {
            const auto mix = [&](std::vector<int>& list) {
                for (size_t i = list.size(); i > 1; --i)
                    std::swap(list[i - 1], list[rng.below(static_cast<uint32_t>(i))]);
            };
            std::for_each(stayers.begin(), stayers.end(), mix);
            std::for_each(pool.begin(), pool.end(), mix);
        }
        return placeByFlow(flow, group.classes, stayers, pool, m_class) &&
               std::all_of(group.students.begin(), group.students.end(), [&](int s) { return m_class[s] >= 0; });
    }

    // Marked students that share a class with another of their mark.
    std::vector<int> marksSharing() const
    {
        std::vector<int> count(static_cast<size_t>(m_p.classCount) * std::max(1, m_p.markCount), 0);
        for (size_t s = 0; s < m_class.size(); ++s)
            if (m_p.students[s].mark >= 0)
                ++count[m_class[s] * m_p.markCount + m_p.students[s].mark];
        std::vector<int> sharing;
        for (size_t s = 0; s < m_class.size(); ++s)
            if (m_p.students[s].mark >= 0 && count[m_class[s] * m_p.markCount + m_p.students[s].mark] > 1)
                sharing.push_back(static_cast<int>(s));
        return sharing;
    }

    const Problem& m_p;
    const std::vector<int>& m_start;
    const std::vector<char>& m_placed;
    const MoveLimits& m_limits;
    std::vector<int> m_class;
    std::vector<char> m_held;
    std::vector<std::vector<int>> m_heldCount; // [group][local class]
    Mend m_out;
};

} // namespace

Mend fewestMoves(const Problem& problem, const std::vector<int>& start, const std::vector<char>& placed,
                 const MoveLimits& limits, uint64_t seed)
{
    return Mender(problem, start, placed, limits).run(seed);
}

} // namespace classdiv::evening
