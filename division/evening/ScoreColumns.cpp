#include "division/evening/ScoreColumns.h"

#include "division/evening/Cooling.h"

#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

namespace classdiv::evening {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
// A guard only: every step narrows the key, so the descent stops long before.
constexpr int kDescentSteps = 10000;

double inverse(double sd) { return sd > kTiny ? 1.0 / sd : 0.0; }

// Running high and low of the averages of one column.
struct Range {
    double high = -std::numeric_limits<double>::infinity();
    double low = std::numeric_limits<double>::infinity();
    void add(double a)
    {
        if (std::isnan(a))
            return;
        high = std::max(high, a);
        low = std::min(low, a);
    }
    double width() const { return high > low ? high - low : 0.0; }
};

} // namespace

std::array<double, kScoreColumns + 1> scoreScales(const Problem& problem)
{
    std::array<double, kScoreColumns + 1> scale{};
    std::array<double, kScoreColumns + 1> sum{}, squares{};
    std::array<long, kScoreColumns + 1> count{};
    const auto add = [&](int k, double v) {
        sum[k] += v;
        squares[k] += v * v;
        ++count[k];
    };
    for (size_t s = 0; s < problem.students.size(); ++s) {
        add(0, problem.students[s].score);
        for (int k = 0; k < problem.scoreColumns; ++k)
            if (problem.extras[s][k].counted)
                add(k + 1, problem.extras[s][k].value);
    }
    for (int k = 0; k <= problem.scoreColumns; ++k) {
        if (count[k] == 0)
            continue;
        const double mean = sum[k] / count[k];
        scale[k] = inverse(std::sqrt(std::max(0.0, squares[k] / count[k] - mean * mean)));
    }
    return scale;
}

ScoreSpreads scoreSpreads(const Problem& problem, const std::vector<int>& classOf)
{
    const int columns = problem.scoreColumns + 1;
    std::vector<double> sum(static_cast<size_t>(problem.classCount) * columns, 0);
    std::vector<int> count(sum.size(), 0);
    for (size_t s = 0; s < problem.students.size(); ++s) {
        const int c = classOf[s];
        if (c < 0)
            continue;
        sum[static_cast<size_t>(c) * columns] += problem.students[s].score;
        ++count[static_cast<size_t>(c) * columns];
        for (int k = 0; k < problem.scoreColumns; ++k) {
            sum[static_cast<size_t>(c) * columns + k + 1] += problem.extras[s][k].value;
            count[static_cast<size_t>(c) * columns + k + 1] += problem.extras[s][k].counted;
        }
    }
    const std::array<double, kScoreColumns + 1> scale = scoreScales(problem);
    ScoreSpreads spreads;
    for (const std::vector<int>& component : linkedClasses(problem)) {
        for (int k = 0; k < columns; ++k) {
            Range range;
            for (int c : component) {
                const size_t i = static_cast<size_t>(c) * columns + k;
                range.add(count[i] > 0 ? sum[i] / count[i] : kNone);
            }
            spreads.normalised[k] = std::max(spreads.normalised[k], range.width() * scale[k]);
            if (k == 0)
                spreads.mainSpread = std::max(spreads.mainSpread, range.width());
        }
    }
    for (int k = 0; k < columns; ++k)
        spreads.largest = std::max(spreads.largest, spreads.normalised[k]);
    return spreads;
}

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

void Placement::recountExtras()
{
    for (int k = 0; k < m_p.scoreColumns; ++k) {
        m_extraSum[k].assign(m_p.classCount, 0);
        m_extraCount[k].assign(m_p.classCount, 0);
        m_extraAverage[k].assign(m_p.classCount, kNone);
    }
    for (size_t s = 0; s < m_p.students.size(); ++s)
        for (int k = 0; k < m_p.scoreColumns; ++k) {
            m_extraSum[k][m_class[s]] += m_p.extras[s][k].value;
            m_extraCount[k][m_class[s]] += m_p.extras[s][k].counted;
        }
    for (int k = 0; k < m_p.scoreColumns; ++k)
        for (int c = 0; c < m_p.classCount; ++c)
            if (m_extraCount[k][c] > 0)
                m_extraAverage[k][c] = m_extraSum[k][c] / m_extraCount[k][c];
}

Key Placement::scoresKey(const Component& component, const Key& rules, int ca, int cb, const Change* ch) const
{
    Key key = rules;
    key.spread = key.main = key.squares = 0;
    const auto pick = [&](int c, double changedA, double changedB, double now) {
        return ch && c == ca ? changedA : ch && c == cb ? changedB : now;
    };
    Range main;
    for (int c : component.classes) {
        const double a = pick(c, ch ? ch->averageA : 0, ch ? ch->averageB : 0, m_average[c]);
        main.add(a);
        const double d = (a - component.mean) * m_scale[0];
        key.squares += d * d;
    }
    key.main = main.width();
    key.spread = key.main * m_scale[0];
    key.columns = key.spread;
    for (int k = 0; k < m_p.scoreColumns; ++k) {
        Range range;
        for (int c : component.classes) {
            const double a = pick(c, ch ? ch->extraA[k] : 0, ch ? ch->extraB[k] : 0, m_extraAverage[k][c]);
            range.add(a);
            if (!std::isnan(a)) {
                const double d = (a - component.extraMean[k]) * m_scale[k + 1];
                key.squares += d * d;
            }
        }
        key.spread = std::max(key.spread, range.width() * m_scale[k + 1]);
        key.columns += range.width() * m_scale[k + 1];
    }
    key.columns /= m_p.scoreColumns + 1;
    return key;
}

Key Placement::scoresKeyAfter(const Component& component, const Key& now, int ca, int cb, const Change& ch) const
{
    Key rules = now;
    rules.pairs += ch.pairs;
    rules.flags += ch.flags;
    rules.mix += ch.mix;
    return scoresKey(component, rules, ca, cb, &ch);
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
        Range range;
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
