#pragma once
// The plan rows of one group as the conditions window shows them, given back
// both by the entry and by the read of the conditions file.

#include "conditions/GroupTable.h"

#include <QString>

#include <array>

namespace classdiv {

// The boxes of the plan rows as the window should show them.
struct PlanRowsView {
    QString classCount;
    std::array<QString, kMaxPlanRows + 1> classNumbers; // [1..10]
    std::array<QString, kMaxPlanRows + 1> headCounts;   // [1..10]
    int visibleRows = kMaxPlanRows;                      // rows 1..visibleRows shown, the rest hidden
    bool operator==(const PlanRowsView&) const = default;
};

} // namespace classdiv
