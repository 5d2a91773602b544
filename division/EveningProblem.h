#pragma once
// The search's plain model of the year (search/Search.h), built
// from the year's parts: the students, the plans, the score bands and the
// typed rules. The year (division/Year.h) keeps one model until its plans or
// rules change; division/EvenAverages.h offers the same figures of a year.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "division/draw/DistributionTable.h"
#include "division/draw/RandomSource.h"
#include "search/Search.h"
#include "division/rules/RuleSet.h"
#include "division/rules/SearchModel.h"
#include "import/StudentTable.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

// Built from whatever the tables hold: the figures may be asked of plans no press has checked.
SearchModel buildSearchModel(const Students& students, const ConditionsWorkspace& ws, const ScoreBands& bands,
                         const RuleSet& rules);

// How many times the search's model has been built in this run: a figure or
// a hand swap that rebuilds it costs a press's time.
long searchProblemsBuilt();

// One seed for a use, from the program's random source.
uint64_t seedFrom(RandomSource& random);

// A draw evening out can start from: every student in a class of its
// group's plan, every (group, class) head count as planned.
bool fitsThePlans(const ConditionsWorkspace& ws, const std::vector<int16_t>& classes);

// The students' classes as class indices; -1 for a class outside the plan of the student's group.
std::vector<int> presentClasses(const SearchModel& model, const std::vector<int16_t>& classes);

// See division/EvenAverages.h.
struct ScoreColumnSpreads {
    std::vector<double> normalised;
    double largest = 0;
    double mainSpread = 0;
};
double averageSpread(const SearchModel& model, const std::vector<int16_t>& classes);
ScoreColumnSpreads scoreColumnSpreads(const SearchModel& model, const std::vector<int16_t>& classes);

} // namespace classdiv
