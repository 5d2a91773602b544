#pragma once
// Evening out with score columns beside the main one (a 50 m time, one
// subject): the key of a placement over every column, each class average
// measured in standard deviations of its column, and the descent that ends
// such a search. Without extra columns none of this runs.

#include "search/Placement.h"

namespace classdiv::evening {

// The average of each extra column over the component's counted students.
void setExtraMeans(const Problem& problem, Component& component);

// After the annealing: a round of annealing on the main score's own spread
// alone, among placements whose largest normalised spread is no wider than
// that of `now`, and whose rules above the averages are no worse; ends in
// the best placement it met. Returns its key.
Key polishMainSpread(Placement& placement, const Component& component, Key now, Rng& rng, long steps,
                     double mainScale);

// Steepest descent over the exchanges that touch a highest or lowest class
// of the column whose normalised spread is the largest, or of the main
// score: only those can narrow the aim.
void descendOnScores(Placement& placement, const Component& component, Key now);

// Steepest descent over one or two exchanges at once between the classes
// of the highest and the lowest average of the widest column, then of the
// main score (ScoreColumnPairs.cpp). Returns the key it ends in.
Key descendOnExchangePairs(Placement& placement, const Component& component, Key now);

} // namespace classdiv::evening
