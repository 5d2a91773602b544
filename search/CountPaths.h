#pragma once
// Mixing counts carried along paths of exchanges. A class holding one
// student too many of an old class sends one to a class holding too few,
// through the classes between them: each exchange is of two students of one
// group that keeps its band counts within their ranges, the one leaving of
// that old class and the one coming back of another (the same other one all
// along the path), of the same flags where such a pair is found, else of
// flags that by this exchange alone get no worse. So every class on the way
// keeps its mixing counts, and only the two end classes change, in the old
// class and in the other one; where the flags changed on the way, moves of
// two or three students (LevelRepair.h) mend them before the path is judged.
// A path that spoils another cell of its end classes is followed by the
// paths that mend that cell, which may carry another old class.
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
// component, the shortest path to each class that would bring it closer is
// tried, and of all these the one that makes the key best by better(), if
// better than now, is kept; again until none is or `budget` pairs of
// students were weighed. Returns the component's key; draws no random
// numbers.
Key carryMixingCounts(Placement& placement, const Component& component, Key now, long budget);

// Pairs of students weighed for paths, at most, each time the deviations are repaired.
inline constexpr long kPathBudget = 2'000;

// The flags' and mixing's deviations repaired: moves of two or three
// students (LevelRepair.h, at most kRepairBudget weighed a turn) and the paths
// above (kPathBudget), in turn until neither makes the key better.
Key repairDeviations(Placement& placement, const Component& component, Key now, long pathBudget = kPathBudget);

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
