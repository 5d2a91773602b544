#include "division/lists/ClassSummary.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace classdiv {

namespace {

constexpr int kClassRows = 10;
constexpr int kStrata = 6;

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
    YearSummary summary;
    if (classes.empty())
        return summary;

    const int n = students.count();
    const auto mixValueOf = [&](int e) { return e < static_cast<int>(mixValues.size()) ? mixValues[e] : QString(); };

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

    std::array<ClassSummary, kClassRows + 1> perClass;
    for (int k = 1; k <= kClassRows; ++k)
        perClass[k].mixCounts.assign(valueIndex.size(), 0);
    for (int e = 1; e <= n; ++e) {
        const int k = classAt(classes, e);
        if (k < 1 || k > kClassRows)
            continue; // a class the table has no row for
        perClass[k].scores.push_back(students[e].score);
        if (!valueIndex.empty())
            ++perClass[k].mixCounts[valueIndex.at(mixValueOf(e))];
    }
    for (int k = 1; k <= kClassRows; ++k) {
        ClassSummary& c = perClass[k];
        if (c.scores.empty())
            continue;
        c.classNumber = k;
        c.label = distribution.classLabels[k];
        std::sort(c.scores.begin(), c.scores.end());
        c.box = boxFigures(c.scores);
        for (int s = 1; s <= kStrata; ++s)
            c.bandCounts[s] = distribution.stratumCounts[k][s];
        summary.classes.push_back(std::move(c));
    }

    summary.overallAverage = distribution.overallAverage;
    for (int s = 1; s <= kStrata; ++s)
        summary.bandLabels[s] = stratumText(s, distribution.bands);
    return summary;
}

} // namespace classdiv
