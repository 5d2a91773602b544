#pragma once
// 平均点をそろえる: evens out the class averages of the current draw. Students
// move only between the classes of their own group; every (group, class) head
// count stays as planned and every score band stays fairly shared. On request
// it also keeps marked students apart and mixes one column (the old class)
// evenly over the new classes.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "division/DistributionTable.h"
#include "division/Division.h"
#include "division/RandomSource.h"
#include "import/StudentTable.h"

#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

// Optional columns read beside the four, indexed by student row 1..N (index 0
// unused). An empty vector means the column is not set.
struct SpreadRules {
    std::vector<QString> marks;     // students sharing a non-empty mark go to different classes
    std::vector<QString> mixValues; // every new class takes its share of every value (old class)

    bool operator==(const SpreadRules&) const = default;
};

struct EvenAveragesOutcome {
    // A refusal (the press's own messages), "nothing to improve", or the
    // marked students the plans cannot separate.
    std::optional<Message> message;
    bool drawn = false; // the classes were written and the distribution table refilled
};

// Starts from the current draw; with none yet, when the conditions changed
// since, or when pressFirst is set, it first presses exactly as the
// distribution button does.
EvenAveragesOutcome evenAverages(ConditionsWorkspace& ws, DivisionState& state, StudentTable& table,
                                 DistributionTable& distribution, RandomSource& random,
                                 const SpreadRules& rules = {}, bool pressFirst = false);

// Largest difference, in students, between a class's count of one value of
// the mixing column and its fair share; 0 when no mixing column is set.
double mixingDeviation(const ConditionsWorkspace& ws, const StudentTable& table, const SpreadRules& rules);

} // namespace classdiv
