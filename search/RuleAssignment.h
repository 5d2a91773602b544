#pragma once
// Classes for the students under a hard rule that meet all those rules at
// once: fixed classes, together sets each in one class all their groups open,
// keep-apart marks in different classes, and no class taking more of a group
// than its head count (the free students fill what is left).

#include "search/Problem.h"

#include <vector>

namespace classdiv::evening {

struct Assignment {
    bool found = false;    // classOf holds such classes
    bool complete = true;  // false: the search ran out of its budget, so "none" is not proven
    std::vector<int> classOf; // [student]: its class, or -1 for a free student
};

// `preferred`: the present classes, tried first so that few students move.
Assignment assignRuleStudents(const Problem& problem, const std::vector<int>& preferred);

} // namespace classdiv::evening
