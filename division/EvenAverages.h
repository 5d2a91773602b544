#pragma once
// 平均点をそろえる: evens out the class averages of the current draw. Students
// move only between the classes of their own group; every (group, class) head
// count stays as planned and every score band stays fairly shared. On request
// it also keeps marked students apart and mixes one column (the old class)
// evenly over the new classes.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "conditions/SpreadRules.h"
#include "division/DistributionTable.h"
#include "division/Division.h"
#include "division/RandomSource.h"
#include "import/StudentTable.h"

#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

struct EvenAveragesOutcome {
    // A refusal (the press's own messages), "nothing to improve", or the
    // marked students the plans cannot separate.
    std::optional<Message> message;
    bool drawn = false; // the classes were written and the distribution table refilled
};

// Starts from the current draw; with none yet, when the conditions changed
// since, or when pressFirst is set, it first presses exactly as the
// distribution button does. It refuses with the press's own messages and
// then changes nothing. On success every student's new class is written back
// and the distribution table refilled (drawn = true); a message then names
// the marked students the plans cannot separate. With every group in one
// class only, it says there is nothing to even out.
EvenAveragesOutcome evenAverages(ConditionsWorkspace& ws, DivisionState& state, StudentTable& table,
                                 DistributionTable& distribution, RandomSource& random,
                                 const SpreadRules& rules = {}, bool pressFirst = false);

// How far the current classes are from an even mix of the mixing column, in
// students; 0 when no mixing column is set.
//
// Students whose groups open exactly the same set of classes form a pool.
// Within a pool of P students, a class that takes H of them has the fair
// share H * n / P of a value held by n of the pool's students; a class's fair
// share of a value is the sum over the pools it takes students from. With
// every group open to every class this is head count * n / year size. The
// deviation is the largest |count - fair share| over every class of the plans
// and every non-empty value of the column (empty cells are no value).
double mixingDeviation(const ConditionsWorkspace& ws, const StudentTable& table, const SpreadRules& rules);

// The spread the evening out narrows: within each set of classes linked by
// shared groups, the largest minus the smallest average (score total / head
// count, unrounded); the largest such spread of the year, 0 when nothing is
// linked. Read from the students' current new classes.
double averageSpread(const ConditionsWorkspace& ws, const StudentTable& table);

} // namespace classdiv
