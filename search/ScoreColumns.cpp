#include "search/ScoreColumns.h"

#include "search/Cooling.h"

#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

namespace classdiv::evening {

namespace {

// A guard only: every step narrows the key, so the descent stops long before.
constexpr int kDescentSteps = 10000;

} // namespace

void setExtraMeans(const Problem& problem, Component& component)
{
    std::vector<char> inside(problem.classCount, 0);
    for (int c : component.classes)
        inside[c] = 1;
    for (int k = 0; k < problem.scoreColumns; ++k) {
        double sum = 0;
        long count = 0;
        for (const Group& group : problem.groups) {
            if (group.classes.empty() || !inside[group.classes[0]])
                continue;
            for (int s : group.students) {
                sum += problem.extras[s][k].value;
                count += problem.extras[s][k].counted;
            }
        }
        component.extraMean[k] = count > 0 ? sum / count : 0;
    }
}

namespace {

// The classes a descent step may start from: the highest and the lowest of
// the main score and of the column that spreads most.
std::vector<char> endClasses(const Placement& placement, const Component& component, const Problem& p)
{
    const std::array<double, kScoreColumns + 1> scale = scoreScales(p);
    std::vector<char> ends(p.classCount, 0);
    int widest = 0;
    double widestSpread = -1;
    std::array<std::pair<int, int>, kScoreColumns + 1> highLow{};
    for (int k = 0; k <= p.scoreColumns; ++k) {
        AverageRange range;
        int high = -1, low = -1;
        for (int c : component.classes) {
            const double a = k == 0 ? placement.average(c) : placement.extraAverage(k - 1, c);
            if (std::isnan(a))
                continue;
            if (high < 0 || a > range.high)
                high = c;
            if (low < 0 || a < range.low)
                low = c;
            range.add(a);
        }
        highLow[k] = {high, low};
        if (range.width() * scale[k] > widestSpread) {
            widestSpread = range.width() * scale[k];
            widest = k;
        }
    }
    for (const int k : {0, widest})
        for (const int c : {highLow[k].first, highLow[k].second})
            if (c >= 0)
                ends[c] = 1;
    return ends;
}

} // namespace

namespace {

// The main score's normalised spread, and a steep rise for every step the
// largest normalised spread takes past the limit: the walk may cross such
// placements but never ends in one (the best kept is judged by better()).
constexpr double kPastTheLimit = 5;

double polishEnergy(const Key& key, double limit, double mainScale)
{
    return key.main * mainScale + kPastTheLimit * std::max(0.0, key.spread - limit);
}

} // namespace

Key polishMainSpread(Placement& placement, const Component& component, Key now, Rng& rng, long steps,
                     double mainScale)
{
    const std::vector<int>& movable = component.movable;
    const uint32_t count = static_cast<uint32_t>(movable.size());
    const double limit = now.spread + kTiny;
    const double finest = mainScale / component.largestClass;
    CoolingSchedule schedule(1, std::max(now.main * mainScale, finest), finest, steps);
    Key best = now;
    std::vector<int> bestClass(count);
    for (uint32_t i = 0; i < count; ++i)
        bestClass[i] = placement.classOf(movable[i]);
    for (long step = 0; step < steps; ++step, schedule.cool()) {
        const int a = movable[rng.below(count)];
        const int b = placement.partner(a, rng);
        if (b < 0 || !placement.isFree(a) || !placement.isFree(b))
            continue;
        const int ca = placement.classOf(a), cb = placement.classOf(b);
        Change ch;
        if (ca == cb || !placement.change(a, b, ch) || !ch.keepsTheRules())
            continue;
        const Key next = placement.keyAfter(component, now, ca, cb, ch);
        if (ch.onlyAverages() && !schedule.takes(polishEnergy(next, limit, mainScale) - polishEnergy(now, limit, mainScale), rng))
            continue;
        placement.apply(a, b, ch);
        now = next;
        if (better(now, best)) {
            best = now;
            for (uint32_t i = 0; i < count; ++i)
                bestClass[i] = placement.classOf(movable[i]);
        }
    }
    placement.restore(component, bestClass);
    return placement.keyOf(component);
}

void descendOnScores(Placement& placement, const Component& component, Key now)
{
    const Problem& p = placement.problem();
    for (int step = 0; step < kDescentSteps; ++step) {
        const std::vector<char> ends = endClasses(placement, component, p);
        Key best = now;
        std::optional<std::tuple<int, int, Change>> chosen;
        for (int a : component.movable) {
            const int ca = placement.classOf(a);
            if (!ends[ca] || !placement.isFree(a))
                continue;
            for (int b : p.groups[p.students[a].group].students) {
                Change ch;
                if (placement.classOf(b) == ca || !placement.isFree(b) || !placement.change(a, b, ch))
                    continue;
                const Key key = placement.keyAfter(component, now, ca, placement.classOf(b), ch);
                if (better(key, best)) {
                    best = key;
                    chosen.emplace(a, b, ch);
                }
            }
        }
        if (!chosen)
            return;
        placement.apply(std::get<0>(*chosen), std::get<1>(*chosen), std::get<2>(*chosen));
        now = best;
    }
}

} // namespace classdiv::evening
