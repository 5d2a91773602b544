#pragma once
// Mixing counts carried along paths of exchanges. A class holding one
// student too many of an old class sends one to a class holding too few,
// through the classes between them: each exchange is of two students of one
// group, one score band and the same value in every flag column, the one
// leaving of that old class and the one coming back of another (the same
// other one all along the path). So every class on the way keeps all its
// counts, and of the mixing column only the two end classes change, in the
// old class and in the other one.
//
// The two end classes seldom share a group in a year of courses, whose
// groups each open a few of the classes only: no exchange of two or three
// students (LevelRepair) joins them, and the single exchanges of the
// annealing that would start such a path each move a mixing count away from
// its share first.

#include "search/Placement.h"

#include <functional>

namespace classdiv::evening {

// For each cell of the mixing column at its highest deviation in the
// component, the shortest paths that bring it closer are tried, and each
// that makes the key better by better() is kept; until none does or
// `budget` paths were tried. Returns the component's key; draws no random
// numbers.
Key carryMixingCounts(Placement& placement, const Component& component, Key now, long budget);

// Paths tried, at most, each time the deviations are repaired.
inline constexpr long kPathBudget = 2'000;

// The flags' and mixing's deviations repaired: moves of two or three
// students (LevelRepair.h, at most kRepairBudget weighed a turn) and the paths
// above (kPathBudget), in turn until neither makes the key better.
Key repairDeviations(Placement& placement, const Component& component, Key now);

// Brings the flags' and mixing's deviations back after a move (the search's
// repair: LevelRepair, then the paths above); returns the key.
using Repair = std::function<Key(const Key&)>;

// A group that sends at most `few` of its students to a class may be all
// that joins it to the others, and which few they are sets the averages of
// both sides. Its trades across such a join that by themselves narrow the
// spread are tried one by one with the deviations repaired after each, and
// each that makes the key better is kept, until none does (at most
// kJoinTurns passes). Returns the key.
inline constexpr int kJoinTurns = 2;
Key tradeAcrossJoins(Placement& placement, const Component& component, Key now, int few, const Repair& repair);

} // namespace classdiv::evening
