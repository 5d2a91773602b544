#include "division/EvenAverages.h"

namespace classdiv {

std::optional<Message> checkRulesTogether(const Year& year)
{
    return checkRulesTogether(year.searchModel(), year.students(), year.rules());
}

EvenResult evenClasses(const Year& year, std::vector<int16_t>& classes, uint64_t seed)
{
    return evenClasses(year.searchModel(), year.students(), classes, seed);
}

double averageSpread(const Year& year, const std::vector<int16_t>& classes)
{
    return averageSpread(year.searchModel(), classes);
}

double averageSpread(const Year& year)
{
    return averageSpread(year, year.classes());
}

ScoreColumnSpreads scoreColumnSpreads(const Year& year, const std::vector<int16_t>& classes)
{
    return scoreColumnSpreads(year.searchModel(), classes);
}

} // namespace classdiv
