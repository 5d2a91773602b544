#include "division/lists/ScoreAverages.h"

#include "common/Numbers.h"

#include <algorithm>

namespace classdiv {

std::vector<ColumnAverages> extraColumnAverages(const SpreadRules& rules, const std::vector<int16_t>& classes)
{
    std::vector<ColumnAverages> out;
    if (classes.size() < 2)
        return out;
    const int highest = *std::max_element(classes.begin() + 1, classes.end());
    for (const ScoreColumn& column : rules.scores) {
        std::vector<double> sum(std::max(highest, 0) + 1, 0.0);
        std::vector<int> count(sum.size(), 0);
        double total = 0;
        int counted = 0;
        for (size_t row = 1; row < classes.size() && row < column.values.size(); ++row) {
            if (!column.values[row] || classes[row] < 1)
                continue;
            sum[static_cast<size_t>(classes[row])] += *column.values[row];
            ++count[static_cast<size_t>(classes[row])];
            total += *column.values[row];
            ++counted;
        }
        ColumnAverages averages{column.name, std::vector<std::optional<double>>(sum.size()), std::nullopt};
        for (size_t c = 1; c < sum.size(); ++c)
            if (count[c] > 0)
                averages.classAverage[c] = sum[c] / count[c];
        if (counted > 0)
            averages.yearAverage = total / counted;
        out.push_back(std::move(averages));
    }
    return out;
}

QString largestSpreadText(double largestNormalisedSpread)
{
    return QStringLiteral("点数の列の平均の最大差 %1（各列の標準偏差を1として）。")
        .arg(QString::number(largestNormalisedSpread, 'f', 3));
}

QString averageText(const ColumnAverages& column, int classNumber)
{
    const bool known = classNumber >= 0 && classNumber < static_cast<int>(column.classAverage.size()) &&
                       column.classAverage[static_cast<size_t>(classNumber)];
    // Rounded to one decimal as every average the program shows; a 50 m time needs no more.
    const QString value = known ? printNumber(roundOneDecimal(static_cast<float>(*column.classAverage[static_cast<size_t>(classNumber)])), 7).trimmed()
                                : QStringLiteral("－");
    return QStringLiteral("%1 %2").arg(column.name, value);
}

} // namespace classdiv
