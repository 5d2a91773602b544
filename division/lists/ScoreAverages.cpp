#include "division/lists/ScoreAverages.h"

#include "common/Numbers.h"
#include "search/ClassAverages.h"

#include <algorithm>

namespace classdiv {

std::vector<ColumnAverages> extraColumnAverages(const SpreadRules& rules, const std::vector<int16_t>& classes)
{
    std::vector<ColumnAverages> columns;
    if (classes.size() < 2)
        return columns;
    const int highest = *std::max_element(classes.begin() + 1, classes.end());
    const size_t classCount = static_cast<size_t>(std::max(highest, 0)) + 1;
    for (const ScoreColumn& column : rules.numbers[RuleBox::Scores]) {
        evening::ClassAverages averages(classCount);
        evening::ClassAverages year(1);
        for (size_t row = 1; row < classes.size() && row < column.values.size(); ++row) {
            if (!column.values[row] || classes[row] < 1)
                continue;
            averages.add(static_cast<size_t>(classes[row]), *column.values[row]);
            year.add(0, *column.values[row]);
        }
        ColumnAverages out{column.name, std::vector<std::optional<double>>(classCount), std::nullopt};
        for (size_t c = 1; c < classCount; ++c)
            if (averages.counted(c))
                out.classAverage[c] = averages.of(c);
        if (year.counted(0))
            out.yearAverage = year.of(0);
        columns.push_back(std::move(out));
    }
    return columns;
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
