#pragma once
// A small group may be all that joins two sets of classes: the 11 sports
// students over classes 4-7 of a year whose classes 1-5 and 6-10 share no
// other group. Which of them sit on which side fixes the two sets' totals,
// and the other groups can even out the classes within a set but never
// carry points across. A use whose sports students settle on the wrong sides
// ends with one set a third of a point above the other. The single trade
// that would mend it moves a mixing count on each side, and under the flags'
// least deviations no single exchange of the other groups follows it.
//
// Here every trade of one to three pairs of such a group across the sets,
// each pair of the same flag values (so that no flag count changes), is
// weighed by how near it brings the sets' averages, and the nearest are
// forced on the best placement in turn like the few's other choices
// (FewSeats.h), each with a round after that mends the mixing counts.

#include "search/FewSeats.h"

namespace classdiv::evening {

// Trades of more pairs at once than this are not weighed.
constexpr size_t kMostJoinPairs = 3;

// The choices for every small group (ChainExchange.h) whose classes lie in
// two or more sets of the component that no other group joins: one to
// kMostJoinPairs pairs of its free students, each pair of the same flag
// values in two sets, that bring the highest and lowest average of the sets
// at least `least` nearer; nearest first. `out` and `in` trade pair by
// pair, and `closed` is -1.
std::vector<Replacement> joinReplacements(const Placement& placement, const Component& component, double least);

} // namespace classdiv::evening
