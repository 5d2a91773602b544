#pragma once
// 平均点をそろえる and the figures of evening out, for a year: the year's
// own parts (its students, plans, bands and typed rules) passed on to the
// search's model (division/EveningProblem.h, kept by the year until its plans
// or rules change). The mixing and flag columns' deviations are the typed
// rules' own (division/rules/RuleSet.h); division/DivisionFigures.h holds
// every figure of a division together. Students move only between the classes of
// their own group; every (group, class) head count stays as planned and
// every score band stays fairly shared. The search follows the teacher's
// rules (conditions/SpreadRules.h) in their order of priority.

#include "division/EveningProblem.h"
#include "division/EveningRun.h"
#include "division/Year.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

// The hard rules of the year that each can be met but not all at once.
std::optional<Message> checkRulesTogether(const Year& year);

// Evens out `classes`, a draw of the year that fits its plans, by the year's
// rules (checked before: division/rules/RuleChecks.h). All randomness comes from seed.
EvenResult evenClasses(const Year& year, std::vector<int16_t>& classes, uint64_t seed);

// The spread the evening out narrows: within each set of classes linked by
// shared groups, the largest minus the smallest average (score total / head
// count, the scores as they are: not the running totals the distribution
// table rounds); the largest such spread of the year, 0 when nothing is
// linked. Of the given classes, or of the year's current ones.
double averageSpread(const Year& year, const std::vector<int16_t>& classes);
double averageSpread(const Year& year);

// The aim of evening out with score columns beside the main one (the rules'
// scores): for each column, the largest minus the smallest class average
// among linked classes, divided by the column's standard deviation over the
// year (of the students with a number in it; a class with none in a column
// is left out of it). [0] is the main score, then the extra columns in
// their order; largest is the largest of them, mainSpread the main score's
// own spread in points. With no extra column, normalised holds the main
// score's alone.
ScoreColumnSpreads scoreColumnSpreads(const Year& year, const std::vector<int16_t>& classes);

} // namespace classdiv
