#include "division/ClassSummary.h"

#include "common/Numbers.h"
#include "division/ScoreValue.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace classdiv {

namespace {

constexpr int kClassRows = 10;
constexpr int kWholeRow = 11;
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

YearSummary summarizeYear(const StudentTable& table, const DistributionTable& distribution,
                          const std::vector<QString>& mixValues)
{
    YearSummary summary;
    // Every fill sets the labels: empty ones mean no press has filled the table.
    if (distribution.classLabels[kWholeRow].isEmpty())
        return summary;

    const int n = std::min(table.studentCount(), kMaxStudents);
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

    std::array<ClassSummary, kClassRows + 1> classes;
    for (int k = 1; k <= kClassRows; ++k)
        classes[k].mixCounts.assign(valueIndex.size(), 0);
    for (int e = 1; e <= n; ++e) {
        const int k = classRowOf(table.records[e].newClass);
        if (k == 0)
            continue; // a class the table has no row for
        classes[k].scores.push_back(textValue(table.records[e].score));
        if (!valueIndex.empty())
            ++classes[k].mixCounts[valueIndex.at(mixValueOf(e))];
    }
    for (int k = 1; k <= kClassRows; ++k) {
        ClassSummary& c = classes[k];
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
