#pragma once
// Conditions that no longer add up: a group that gained or lost students
// (転入, 転出, a group corrected) has head counts whose sum is not its size.
// The nearest fitting head counts: one student more in the smallest classes,
// or one fewer in the largest, as many as the difference, the rest as they
// were. Offered to the teacher, never saved without a yes.

#include "conditions/GroupTable.h"

#include <QString>

#include <vector>

namespace classdiv {

struct FittingCounts {
    int group = 0; // G
    GroupCondition before;
    GroupCondition offered;
    bool operator==(const FittingCounts&) const = default;
};

// The condition with its head counts brought to groupSize; the same when
// they add up already or no class can take the difference (a head count
// stays at least 1).
GroupCondition fittedCondition(const GroupCondition& condition, int groupSize);

// Every group with entered conditions whose head counts do not add up to its size.
std::vector<FittingCounts> fittingHeadCounts(const ConditionsWorkspace& ws);

// The question that offers them: each group, its size, and each class's count before → offered.
QString fittingCountsQuestion(const ConditionsWorkspace& ws, const std::vector<FittingCounts>& fits);

} // namespace classdiv
