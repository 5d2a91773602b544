#pragma once
// The class averages of every evened score column (the main score, then the
// rules' extra score columns), for the class lists, the chart and whatever
// else shows them. Students without a number in an extra column are left
// out of its averages.

#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <optional>
#include <vector>

namespace classdiv {

struct ColumnAverages {
    QString name; // the CSV's item name of the column
    // [class number 1 .. highest in the draw]; nothing where no student of
    // the class has a number (or the class has no students).
    std::vector<std::optional<double>> classAverage;
    std::optional<double> yearAverage;
};

// The extra score columns' averages of the draw (classes per student row);
// empty when no extra column is set or there is no draw.
std::vector<ColumnAverages> extraColumnAverages(const SpreadRules& rules, const std::vector<int16_t>& classes);

// The note under the class lists: "点数の列の平均の最大差 0.050（各列の標準偏差を1として）。".
QString largestSpreadText(double largestNormalisedSpread);

// "50m走 7.9"; "50m走 －" where nobody is counted.
QString averageText(const ColumnAverages& column, int classNumber);

} // namespace classdiv
