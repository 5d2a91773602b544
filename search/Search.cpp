// The search of evening out, set by set of linked classes: the fair bands
// repaired first (BandRepair), then rounds of simulated annealing over
// exchanges inside a group (Cooling.h), each round starting again from the
// best placement found, then the turns of band counts over several classes
// (Patterns), the transfers along paths of exchanges (Transfers) and the
// descents (Descent); with extra score columns, their own polish and descents
// (ScoreColumns). The list of every part is in Search.h.

#include "search/Search.h"

#include "search/BandRepair.h"
#include "search/ChainExchange.h"
#include "search/Cooling.h"
#include "search/CountPaths.h"
#include "search/Descent.h"
#include "search/Energy.h"
#include "search/FewSeats.h"
#include "search/JoinSeats.h"
#include "search/LevelRepair.h"
#include "search/Patterns.h"
#include "search/Placement.h"
#include "search/ScoreColumns.h"
#include "search/Transfers.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace classdiv::evening {

namespace {

// The round that then narrows the main score's own spread alone is this
// share of an annealing round: the largest normalised spread it may not
// widen leaves few exchanges open, and the time must stay within reach.
constexpr long kPolishShare = 2;
// Searches again of the set of linked classes that bounds the year's largest
// normalised spread.
constexpr int kBoundingRounds = 1;

// The deviations of flag and mixing counts within their ranges may get
// worse for a while in the annealing, as if by this many typical changes:
// single exchanges that keep them reach only some of the placements of the
// same deviations, and the best of the others may lie past a worse one.
// The best placement kept is judged by better(), deviations first.
constexpr double kLevelRise = 2.0;

// A group with at most this many students in one of two classes may trade
// two pairs between them at once in the annealing (tryDoubleTrade), and
// a partner there is drawn this many times at most.
constexpr int kFewForDoubles = 6;
constexpr int kDoubleDraws = 16;
// A small group (smallGroupPairs, ChainExchange.h) has its trades forced on
// the best placement in turn, each with a round of this share of an
// annealing round after, until every trade was forced once since the last
// that found a better placement, and at most this many times each. The
// rounds before then take this share of their steps: the trades reach what
// those cannot.
constexpr long kKickShare = 8;
constexpr size_t kKickTurns = 3;
constexpr long kRoundShareBeforeKicks = 4;
// Which students of a small group sit on each side of the join it alone makes
// decides the two sides' averages (JoinSeats.h), and which few a course sends
// beside its own class that class's (FewSeats.h): the best other choices of them
// are forced after the kicks, at most 8, three times round, each with a round of
// this share of an annealing round after, in which no deviation gets worse.
constexpr long kReplacementShare = 6;
constexpr size_t kReplacementsTried = 8;
constexpr int kReplacementTurns = 3;
// A choice of the few may open one across the join and the other way round:
// both are forced again while a pass of them finds a better placement.
constexpr int kChoicePasses = 3;
// Pairs weighed a time for mixing's paths in the wider repair before them.
constexpr long kWidePathBudget = 20'000;
// Exchanges drawn for each mend of a chain through such a group (ChainExchange.h).
constexpr int kChainDraws = 16;

class Search {
public:
    Search(const Problem& problem, std::vector<int>& classOf, uint64_t seed)
        : m_p(problem), m_placement(problem, classOf), m_rng(seed),
          m_mainScale(problem.scoreColumns > 0 ? scoreScales(problem)[0] : 0.0), m_sendsFew(problem, kFewForDoubles)
    {
        m_components = componentsOf(m_p, m_placement, [this](int s) { return m_p.rulesOf(s).fixedClass < 0; });
    }

    void run(const Effort& effort)
    {
        m_brokenUnits = m_placement.placeRules();
        for (size_t g = 0; g < m_p.groups.size(); ++g)
            if (m_p.groups[g].classes.size() > 1)
                repairBands(m_placement, static_cast<int>(g), m_rng);
        m_placement.recount();
        for (Component& component : m_components) {
            if (component.classes.size() < 2 || component.movable.empty())
                continue;
            searchComponent(component, effort);
        }
        if (m_p.scoreColumns > 0)
            searchBoundingAgain(effort);
    }

private:
    // With score columns and several sets of linked classes, the set whose
    // largest normalised spread is the year's gets another search, a round
    // starting warm from its best: the others' narrower spreads do not count.
    void searchBoundingAgain(const Effort& effort)
    {
        Effort one = effort;
        one.rounds = 1;
        for (int again = 0; again < kBoundingRounds; ++again) {
            Component* bounding = nullptr;
            double widest = -1;
            int searched = 0;
            for (Component& component : m_components) {
                if (component.classes.size() < 2 || component.movable.empty())
                    continue;
                ++searched;
                if (const double spread = m_placement.keyOf(component).spread; spread > widest) {
                    widest = spread;
                    bounding = &component;
                }
            }
            if (searched < 2)
                return;
            searchComponent(*bounding, one);
        }
    }

    // A component's annealing between its steps: the key now and its energy,
    // the best placement found and whether it is still the start.
    struct Annealing {
        Annealing(const Component& of, bool withLevels) : component(of), levels(withLevels) {}
        const Component& component;
        bool levels;        // the flags' deviations are repaired and weighed
        bool levelsKept = false; // no exchange makes a deviation worse (kReplacementShare)
        double typical = 0; // the mean change of energy of an exchange
        Key now;
        double e = 0;
        Key best;
        bool bestIsStart = true;
        std::vector<int> bestClass;
        Placement::UnitMove unitMove;
    };

    // Rounds of annealing, each starting again from the best placement found;
    // then the descents. Marked students sharing a class, flag and mixing
    // counts outside their fair range never grow, and any exchange that
    // reduces them is taken. A placement other than the start that is just
    // as good is kept over the start, so that using evening out again shows
    // another choice when there is one.
    void searchComponent(const Component& component, const Effort& effort)
    {
        const uint32_t count = static_cast<uint32_t>(component.movable.size());
        // Averages move in steps of a point over a class's head count; with
        // extra score columns the aim is in standard deviations.
        const double finest = (m_mainScale > 0 ? m_mainScale : 1.0) / component.largestClass;

        const bool levels = m_p.flagColumns > 0 && m_placement.levels(0).active();
        const Pairs kicked = levels ? smallGroupPairs(m_p, component) : Pairs{};
        Annealing run(component, levels);
        run.now = repaired(component, m_placement.keyOf(component), levels);
        run.bestClass.resize(count);
        keep(run);
        run.typical = typicalChange(m_placement, component, run.now, finest, m_mainScale, m_rng);
        const long steps = std::clamp(static_cast<long>(effort.iterationsPerStudent) * static_cast<long>(count),
                                      effort.leastPerRound, effort.iterationsPerRound);
        for (int round = 0; round < effort.rounds; ++round) {
            annealRound(run, round, finest, kicked.empty() ? steps : steps / kRoundShareBeforeKicks);
            m_placement.restore(component, run.bestClass);
            run.now = repaired(component, m_placement.keyOf(component), levels);
            if (levels && better(run.now, run.best))
                keep(run);
        }
        // Where mixing's deviations are weighed, the trades across joins (CountPaths.h).
        if (m_placement.levels(kFlagColumns).active()) {
            const auto repair = [&](const Key& key) { return repaired(component, key, true); };
            run.now = tradeAcrossJoins(m_placement, component, run.now, kFewForDoubles, repair);
            if (better(run.now, run.best))
                keep(run);
        }
        kickSmallGroups(run, kicked, finest, steps / kKickShare);
        if (levels)
            forceChoices(run, !kicked.empty(), finest, steps / kReplacementShare);
        if (m_p.scoreColumns > 0 && m_mainScale > 0)
            run.now = polishMainSpread(m_placement, component, run.now, m_rng, steps / kPolishShare, m_mainScale);
        finishComponent(component, run.now);
        // The descents may come back to the start; the other choice found stays.
        if (!run.bestIsStart && !m_placement.movedSinceStart(component.movable))
            m_placement.restore(component, run.bestClass);
    }

    // The other choices of the students of a small group that joins two sets of classes
    // (JoinSeats.h), then of a course's few (FewSeats.h), each held where it puts them through a
    // short round, so that the round follows it instead of taking it back; where mixing's
    // deviations are weighed, they are repaired first.
    void forceChoices(Annealing& run, bool smallGroups, double finest, long steps)
    {
        const Component& component = run.component;
        const bool mixing = m_placement.levels(kFlagColumns).active();
        const auto round = [&](const Replacement& made) {
            const Key before = run.best;
            std::vector<int> held = made.out;
            held.insert(held.end(), made.in.begin(), made.in.end());
            m_placement.hold(held, true);
            run.now = m_placement.keyOf(component);
            if (mixing) {
                run.now = repaired(component, run.now, true);
                if (better(run.now, run.best))
                    keep(run);
            }
            run.levelsKept = true;
            annealRound(run, 1, finest, steps);
            run.levelsKept = false;
            m_placement.hold(held, false);
            return better(run.best, before);
        };
        const auto restoreBest = [&] { m_placement.restore(component, run.bestClass); };
        // The choices hold mixing's deviation where they find it: the paths first, wider.
        const bool anyFew = !fewSeatGroups(m_p, component).empty();
        if (mixing && (smallGroups || anyFew)) {
            restoreBest();
            run.now = repairDeviations(m_placement, component, m_placement.keyOf(component), kWidePathBudget);
            if (better(run.now, run.best))
                keep(run);
        }
        const auto joins = [&] { return joinReplacements(m_placement, component, finest); };
        const auto few = [&] { return fewSeatReplacements(m_placement, component, finest); };
        for (int pass = 0; pass < kChoicePasses; ++pass) {
            const Key before = run.best;
            if (smallGroups)
                forceReplacements(m_placement, joins, kReplacementsTried, kReplacementTurns, restoreBest, round);
            if (anyFew)
                forceReplacements(m_placement, few, kReplacementsTried, kReplacementTurns, restoreBest, round);
            if (!better(run.best, before))
                break;
        }
        run.now = m_placement.keyOf(component);
    }

    // With flag columns, each trade of two students of a small group in different classes is
    // forced on the best placement in turn and a short cool round follows; the best placement by
    // the whole order of the rules is kept. Such a group may be all that joins two sets of classes,
    // and which of its students sit on which side fixes the two sets' totals; its trades seldom
    // keep every rule alone, the averages of both sets must follow before one pays, and one that
    // pays may open the way for another.
    void kickSmallGroups(Annealing& run, const Pairs& pairs, double finest, long steps)
    {
        size_t quiet = 0; // trades in turn since the last better placement
        for (size_t k = 0; quiet < pairs.size() && k < kKickTurns * pairs.size(); ++k, ++quiet) {
            const auto [a, b] = pairs[k % pairs.size()];
            Change ch;
            if (!m_placement.isFree(a) || !m_placement.isFree(b) || m_placement.classOf(a) == m_placement.classOf(b) ||
                !m_placement.change(a, b, ch))
                continue;
            const Key before = run.best;
            run.now = m_placement.keyAfter(run.component, run.now, m_placement.classOf(a), m_placement.classOf(b), ch);
            m_placement.apply(a, b, ch);
            annealRound(run, 1, finest, steps);
            m_placement.restore(run.component, run.bestClass);
            run.now = m_placement.keyOf(run.component);
            if (better(run.best, before))
                quiet = 0;
        }
    }

    // The placement now as the best.
    void keep(Annealing& run) const
    {
        run.best = run.now;
        run.bestIsStart = !m_placement.movedSinceStart(run.component.movable);
        for (size_t i = 0; i < run.bestClass.size(); ++i)
            run.bestClass[i] = m_placement.classOf(run.component.movable[i]);
    }

    void annealRound(Annealing& run, int round, double finest, long steps)
    {
        const std::vector<int>& movable = run.component.movable;
        const uint32_t count = static_cast<uint32_t>(movable.size());
        CoolingSchedule schedule(round, run.typical, finest, steps);
        run.e = energy(run.now, run.component, m_mainScale);
        for (long step = 0; step < steps; ++step, schedule.cool()) {
            const int a = movable[m_rng.below(count)];
            // A member of a together set: the set moves.
            if (!(m_placement.isFree(a) ? exchangeStep(run, a, schedule) : unitStep(run, a, schedule)))
                continue;
            // Only while the best is the start: another placement as good takes its place.
            if (better(run.now, run.best) ||
                (run.bestIsStart && asGood(run.now, run.best) && m_placement.movedSinceStart(movable)))
                keep(run);
        }
    }

    // The together set of a moved whole into another class; true when it moved.
    bool unitStep(Annealing& run, int a, const CoolingSchedule& schedule)
    {
        Placement::UnitMove& move = run.unitMove;
        // A student held for a while (Placement::hold) is in no set.
        if (m_p.rulesOf(a).unit < 0 || !m_placement.moveUnit(m_p.rulesOf(a).unit, run.component, run.now, m_rng, move))
            return false;
        const double en = energy(move.after, run.component, m_mainScale);
        if (!move.rules.keepsTheRules() || (move.rules.onlyAverages() && !schedule.takes(en - run.e, m_rng))) {
            m_placement.undo(move);
            return false;
        }
        run.now = move.after;
        run.e = en;
        return true;
    }

    // a exchanged with a partner of its group; true when exchanged.
    bool exchangeStep(Annealing& run, int a, const CoolingSchedule& schedule)
    {
        const int b = m_placement.partner(a, m_rng);
        if (b < 0 || !m_placement.isFree(b))
            return false;
        const int ca = m_placement.classOf(a), cb = m_placement.classOf(b);
        Change ch;
        if (ca == cb || !m_placement.changeUnlessWorse(a, b, ch))
            return false;
        const bool keeps = ch.keepsTheRules();
        if (!keeps && !ch.keepsTheRanges()) {
            if (run.levels && m_sendsFew(a, ca, cb) && compoundStep(run, a, b, schedule) &&
                better(run.now, run.best))
                keep(run);
            return false;
        }
        const Key next = m_placement.keyAfter(run.component, run.now, ca, cb, ch);
        const double en = energy(next, run.component, m_mainScale);
        // An exchange that helps a higher rule is taken whatever the averages do.
        if (ch.onlyAverages() && !schedule.takes(en - run.e, m_rng))
            return false;
        if (!keeps && (run.levelsKept || !schedule.takes(en - run.e + kLevelRise * run.typical, m_rng)))
            return false;
        m_placement.apply(a, b, ch);
        run.now = next;
        run.e = en;
        return true;
    }

    // a and b trade with a second pair of their group between the same
    // classes, or else with a mend through each class (ChainExchange.h);
    // true when taken, and now and e follow.
    bool compoundStep(Annealing& run, int a, int b, const CoolingSchedule& schedule)
    {
        const auto takes = [&](const Key& k) {
            return schedule.takes(energy(k, run.component, m_mainScale) - run.e, m_rng);
        };
        if (!tryDoubleTrade(m_placement, run.component, a, b, run.now, m_rng, kDoubleDraws, takes) &&
            !tryChain(m_placement, run.component, a, b, run.now, m_rng, kChainDraws, takes))
            return false;
        run.e = energy(run.now, run.component, m_mainScale);
        return true;
    }

    // With flag columns, the flags' deviations repaired by moves of two or
    // three students (LevelRepair.h), and mixing's along paths too where
    // they are weighed (CountPaths.h); without, the key as it is.
    Key repaired(const Component& component, const Key& now, bool levels)
    {
        return levels ? repairDeviations(m_placement, component, now) : now;
    }

    // The turns of band counts and the transfers carry the main score alone,
    // and the shown totals are the main score's: with extra score columns
    // the descent over every column ends the search instead.
    void finishComponent(const Component& component, Key now)
    {
        if (m_p.scoreColumns > 0) {
            descendOnScores(m_placement, component, now);
            descendOnExchangePairs(m_placement, component, m_placement.keyOf(component));
            return;
        }
        turnBandPattern(m_placement, component, now);
        transferAlongPaths(m_placement, component, now);
        descendOnAverages(m_placement, component, now);
        if (!m_p.wholeScores)
            descendOnShownTotals(m_placement, component, m_rng);
    }

    const Problem& m_p;
    Placement m_placement;
    Rng m_rng;
    double m_mainScale; // 1 / the main score's standard deviation; 0 without extra columns
    SendsFew m_sendsFew;
    std::vector<Component> m_components;
    std::vector<int> m_brokenUnits; // together sets that could not be gathered
};

} // namespace

void evenOut(const Problem& problem, std::vector<int>& classOf, uint64_t seed, const Effort& effort)
{
    if (classOf.size() != problem.students.size())
        throw std::logic_error("evenOut: one class per student");
    Search search(problem, classOf, seed);
    search.run(problem.scoreColumns > 0 ? withScoreColumns(effort) : effort);
}

} // namespace classdiv::evening
