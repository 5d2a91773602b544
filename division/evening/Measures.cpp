#include "division/evening/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace classdiv::evening {

std::vector<int> fileOrder(const Problem& problem)
{
    std::vector<int> order(problem.students.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return problem.students[a].order < problem.students[b].order; });
    return order;
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

double mixingDeviation(const Problem& problem, const std::vector<int>& classOf)
{
    if (problem.mixCount == 0)
        return 0;
    std::vector<int> count(static_cast<size_t>(problem.classCount) * problem.mixCount, 0);
    for (size_t s = 0; s < problem.students.size(); ++s) {
        if (classOf[s] >= 0 && problem.students[s].mix >= 0)
            ++count[static_cast<size_t>(classOf[s]) * problem.mixCount + problem.students[s].mix];
    }
    double deviation = 0;
    for (size_t i = 0; i < count.size(); ++i)
        deviation = std::max(deviation, std::abs(count[i] - problem.mixShare[i]));
    return deviation;
}

double flagDeviation(const Problem& problem, const std::vector<int>& classOf)
{
    double deviation = 0;
    for (int k = 0; k < problem.flagColumns; ++k) {
        const int values = problem.flagValues[k];
        std::vector<int> count(static_cast<size_t>(problem.classCount) * values, 0);
        for (size_t s = 0; s < problem.students.size(); ++s)
            if (classOf[s] >= 0 && problem.rulesOf(s).flags[k] >= 0)
                ++count[static_cast<size_t>(classOf[s]) * values + problem.rulesOf(s).flags[k]];
        for (size_t i = 0; i < count.size(); ++i)
            deviation = std::max(deviation, std::abs(count[i] - problem.flagShare[k][i]));
    }
    return deviation;
}

std::array<long, kFlagColumns> flagsOutside(const Problem& problem, const std::vector<int>& classOf)
{
    std::array<long, kFlagColumns> outside{};
    for (int k = 0; k < problem.flagColumns; ++k) {
        const int values = problem.flagValues[k];
        std::vector<int> count(static_cast<size_t>(problem.classCount) * values, 0);
        for (size_t s = 0; s < problem.students.size(); ++s)
            if (problem.rulesOf(s).flags[k] >= 0)
                ++count[static_cast<size_t>(classOf[s]) * values + problem.rulesOf(s).flags[k]];
        for (size_t i = 0; i < count.size(); ++i) {
            const double share = problem.flagShare[k][i];
            outside[k] += std::max(0L, static_cast<long>(std::floor(share + kTiny)) - count[i]) +
                          std::max(0L, count[i] - static_cast<long>(std::ceil(share - kTiny)));
        }
    }
    return outside;
}

} // namespace classdiv::evening
