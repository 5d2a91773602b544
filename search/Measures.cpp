#include "search/Measures.h"

#include "search/ClassAverages.h"
#include "search/FairShares.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace classdiv::evening {

namespace {

// 1 / a standard deviation; 0 for a column that does not spread at all.
double inverse(double sd) { return sd > kTiny ? 1.0 / sd : 0.0; }

} // namespace

std::vector<int> flagCounts(const Problem& problem, const std::vector<int>& classOf, int k)
{
    const int values = problem.flagValues[k];
    std::vector<int> count(static_cast<size_t>(problem.classCount) * values, 0);
    for (size_t s = 0; s < problem.students.size(); ++s)
        if (classOf[s] >= 0 && problem.rulesOf(s).flags[k] >= 0)
            ++count[static_cast<size_t>(classOf[s]) * values + problem.rulesOf(s).flags[k]];
    return count;
}

std::vector<int> mixCounts(const Problem& problem, const std::vector<int>& classOf)
{
    std::vector<int> count(static_cast<size_t>(problem.classCount) * problem.mixCount, 0);
    for (size_t s = 0; s < problem.students.size(); ++s)
        if (classOf[s] >= 0 && problem.students[s].mix >= 0)
            ++count[static_cast<size_t>(classOf[s]) * problem.mixCount + problem.students[s].mix];
    return count;
}


std::vector<std::vector<int>> linkedClasses(const Problem& problem)
{
    std::vector<int> parent(problem.classCount);
    std::iota(parent.begin(), parent.end(), 0);
    const auto root = [&](int c) {
        while (parent[c] != c)
            c = parent[c] = parent[parent[c]];
        return c;
    };
    for (const Group& group : problem.groups) {
        for (size_t l = 1; l < group.classes.size(); ++l)
            parent[root(group.classes[l])] = root(group.classes[0]);
    }
    std::vector<std::vector<int>> components;
    std::vector<int> index(problem.classCount, -1);
    for (int c = 0; c < problem.classCount; ++c) {
        const int r = root(c);
        if (index[r] < 0) {
            index[r] = static_cast<int>(components.size());
            components.emplace_back();
        }
        components[index[r]].push_back(c);
    }
    return components;
}

double averageSpread(const Problem& problem, const std::vector<int>& classOf)
{
    std::vector<double> sum(problem.classCount, 0);
    std::vector<int> heads(problem.classCount, 0);
    for (size_t s = 0; s < problem.students.size(); ++s) {
        if (classOf[s] >= 0) {
            sum[classOf[s]] += problem.students[s].score;
            ++heads[classOf[s]];
        }
    }
    double spread = 0;
    for (const auto& component : linkedClasses(problem)) {
        double high = -std::numeric_limits<double>::infinity();
        double low = std::numeric_limits<double>::infinity();
        for (int c : component) {
            if (heads[c] == 0)
                continue;
            high = std::max(high, sum[c] / heads[c]);
            low = std::min(low, sum[c] / heads[c]);
        }
        if (high > low)
            spread = std::max(spread, high - low);
    }
    return spread;
}

namespace {

ShareSpread spreadOf(const std::vector<int>& count, const std::vector<double>& share)
{
    ShareSpread spread;
    for (size_t i = 0; i < count.size(); ++i) {
        const double d = std::abs(count[i] - share[i]);
        if (d > spread.largest + kTiny)
            spread = {d, 1};
        else if (d >= spread.largest - kTiny)
            ++spread.cells;
    }
    return spread;
}

} // namespace

std::array<ShareSpread, kFlagColumns> flagSpreads(const Problem& problem, const std::vector<int>& classOf)
{
    std::array<ShareSpread, kFlagColumns> spreads{};
    for (int k = 0; k < problem.flagColumns; ++k)
        spreads[k] = spreadOf(flagCounts(problem, classOf, k), problem.flagShare[k]);
    return spreads;
}

ShareSpread mixingSpread(const Problem& problem, const std::vector<int>& classOf)
{
    return spreadOf(mixCounts(problem, classOf), problem.mixShare);
}

std::array<long, kFlagColumns> flagsOutside(const Problem& problem, const std::vector<int>& classOf)
{
    std::array<long, kFlagColumns> outside{};
    for (int k = 0; k < problem.flagColumns; ++k) {
        const std::vector<int> count = flagCounts(problem, classOf, k);
        for (size_t i = 0; i < count.size(); ++i) {
            const FairRange fair = fairRange(problem.flagShare[k][i]);
            outside[k] += std::max(0, fair.low - count[i]) + std::max(0, count[i] - fair.high);
        }
    }
    return outside;
}

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
    std::vector<ClassAverages> averages(static_cast<size_t>(columns), ClassAverages(static_cast<size_t>(problem.classCount)));
    for (size_t s = 0; s < problem.students.size(); ++s) {
        const int c = classOf[s];
        if (c < 0)
            continue;
        averages[0].add(static_cast<size_t>(c), problem.students[s].score);
        for (int k = 0; k < problem.scoreColumns; ++k)
            if (problem.extras[s][k].counted)
                averages[static_cast<size_t>(k) + 1].add(static_cast<size_t>(c), problem.extras[s][k].value);
    }
    const std::array<double, kScoreColumns + 1> scale = scoreScales(problem);
    ScoreSpreads spreads;
    for (const std::vector<int>& component : linkedClasses(problem)) {
        for (int k = 0; k < columns; ++k) {
            AverageRange range;
            for (int c : component)
                range.add(averages[static_cast<size_t>(k)].of(static_cast<size_t>(c)));
            spreads.normalised[k] = std::max(spreads.normalised[k], range.width() * scale[k]);
            if (k == 0)
                spreads.mainSpread = std::max(spreads.mainSpread, range.width());
        }
    }
    for (int k = 0; k < columns; ++k)
        spreads.largest = std::max(spreads.largest, spreads.normalised[k]);
    return spreads;
}

} // namespace classdiv::evening
