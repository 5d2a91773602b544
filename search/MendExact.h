#pragma once
// The last step of mending (FewestMoves.h): a division with fewer moves than
// the exchanges reached, found by a depth-first search over the classes of
// the students that may move. The exchanges move students of one group at a
// time; where the fewest moves take students of two groups across a count
// both share (a mixing or flag value, a mark), no exchange of one group
// reaches it. The search keeps every rule above the averages (band counts
// within the ranges the mend keeps, marks apart, flag and mixing counts
// within their fair ranges) and the held students where they are. It is
// exact while its steps last: on a small year it finds the fewest moves,
// on a large one its steps run out early and it leaves the mend as it was.

#include "search/Placement.h"

#include <vector>

namespace classdiv::evening {

// Steps (students given a class) one search may take: a few milliseconds.
inline constexpr long kExactSteps = 200'000;

// placement: the mend's division, with the band ranges it keeps; moves: its
// count of moves, or -1 when it breaks a rule. Fills `better` and returns
// true when a division keeping every rule moves fewer placed students (any
// number of them, for -1); the fewest of those found within `steps`.
bool fewerMovesExactly(const Placement& placement, const std::vector<int>& start, const std::vector<char>& placed,
                       const std::vector<char>& held, int moves, long steps, std::vector<int>& better);

} // namespace classdiv::evening
