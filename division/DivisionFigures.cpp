#include "division/DivisionFigures.h"

#include "division/lists/ClassSwaps.h"
#include "division/Year.h"

#include <algorithm>
#include <cmath>

namespace classdiv {

namespace {

double bandDeviation(const Students& students, const ScoreBands& bands, const std::vector<int16_t>& classes)
{
    double deviation = 0;
    for (const BandCell& cell : bandCells(students, classes, bands))
        deviation = std::max(deviation, std::abs(cell.count - cell.fair.share));
    return deviation;
}

DivisionFigures figuresOf(const Year& year, const std::vector<int16_t>& classes, const ScoreBands& bands,
                          float yearAverage, SpreadOfAverages spread)
{
    const RuleSet& rules = year.rules();
    DivisionFigures figures;
    figures.classes = everyClassFigures(year.students(), classes, bands, yearAverage);
    if (spread == SpreadOfAverages::Counted)
        figures.averageSpread = averageSpread(year, classes);
    figures.bandDeviation = bandDeviation(year.students(), year.bands(), classes);
    if (rules.column(RuleBox::Mix).set())
        figures.mixingDeviation = mixingDeviation(rules, classes);
    figures.flags = flagSplits(rules, classes);
    figures.extraAverages = extraColumnAverages(rules, classes);
    if (!rules.numbers[RuleBox::Scores].empty())
        figures.scoreSpreads = scoreColumnSpreads(year, classes);
    return figures;
}

} // namespace

ClassFigures DivisionFigures::of(int classNumber) const
{
    const auto at = classes.find(classNumber);
    return at == classes.end() ? ClassFigures{} : at->second;
}

DivisionFigures divisionFigures(const Year& year, SpreadOfAverages spread)
{
    const DistributionTable& table = year.distribution();
    return figuresOf(year, year.classes(), table.bands, table.overallAverage, spread);
}

DivisionFigures divisionFigures(const Year& year, const std::vector<int16_t>& classes, SpreadOfAverages spread)
{
    return figuresOf(year, classes, year.bands(), year.bands().overallAverage, spread);
}

} // namespace classdiv
