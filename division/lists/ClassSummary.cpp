#include "division/lists/ClassSummary.h"

#include "common/Numbers.h"
#include "conditions/SpreadRules.h"
#include "division/lists/ClassRoster.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace classdiv {

namespace {


double quantile(const std::vector<double>& ascending, double p)
{
    const double h = (static_cast<double>(ascending.size()) - 1) * p;
    const size_t below = static_cast<size_t>(std::floor(h));
    if (below + 1 >= ascending.size())
        return ascending.back();
    return ascending[below] + (h - static_cast<double>(below)) * (ascending[below + 1] - ascending[below]);
}

// Old classes are usually numbered ("1", "2", ... "10", or "1組"): those
// sort by number, other texts by their characters, an empty value last.
bool mixValueBefore(const QString& a, const QString& b)
{
    return std::make_tuple(a.isEmpty(), textValue(a), a) < std::make_tuple(b.isEmpty(), textValue(b), b);
}

} // namespace

BoxFigures boxFigures(const std::vector<double>& ascending)
{
    if (ascending.empty())
        return {};
    return {ascending.front(), quantile(ascending, 0.25), quantile(ascending, 0.5), quantile(ascending, 0.75),
            ascending.back()};
}

YearSummary summarizeYear(const Students& students, const std::vector<int16_t>& classes,
                          const DistributionTable& distribution, const std::vector<QString>& mixValues)
{
    if (classes.empty())
        return {};
    return summarizeYear(students, classes, distribution, mixValues,
                         everyClassFigures(students, classes, distribution.bands, distribution.overallAverage));
}

YearSummary summarizeYear(const Students& students, const std::vector<int16_t>& classes,
                          const DistributionTable& distribution, const std::vector<QString>& mixValues,
                          const std::map<int, ClassFigures>& figures)
{
    YearSummary summary;
    if (classes.empty())
        return summary;

    const int n = students.count();
    // Read as every rule reads its cells (conditions/SpreadRules.h ruleText).
    const auto mixValueOf = [&](int e) { return ruleText(mixValues, e); };

    std::map<QString, int, decltype(&mixValueBefore)> valueIndex(&mixValueBefore);
    if (!mixValues.empty()) {
        for (int e = 1; e <= n; ++e)
            valueIndex.emplace(mixValueOf(e), 0);
        int index = 0;
        for (auto& [value, at] : valueIndex) {
            at = index++;
            summary.mixValues << (value.isEmpty() ? kEmptyMixValue : value);
        }
    }

    // Every class that has students, whatever its number: the table's rows
    // stop at kTableClasses, the figures of a class are counted as the table counts them.
    std::map<int, ClassSummary> perClass;
    for (int e = 1; e <= n; ++e) {
        const int k = classAt(classes, e);
        if (k == 0)
            continue; // no class
        ClassSummary& c = perClass[k];
        if (c.scores.empty())
            c.mixCounts.assign(valueIndex.size(), 0);
        c.scores.push_back(students[e].score);
        if (!valueIndex.empty())
            ++c.mixCounts[valueIndex.at(mixValueOf(e))];
    }
    for (auto& [k, c] : perClass) {
        c.classNumber = k;
        c.label = classLabel(k);
        std::sort(c.scores.begin(), c.scores.end());
        c.box = boxFigures(c.scores);
        if (const auto counted = figures.find(k); counted != figures.end())
            c.bandCounts = counted->second.bandCounts;
        summary.classes.push_back(std::move(c));
    }

    summary.overallAverage = distribution.overallAverage;
    for (int s = 1; s <= kBandCount; ++s)
        summary.bandLabels[s] = stratumText(s, distribution.bands);
    return summary;
}

} // namespace classdiv
