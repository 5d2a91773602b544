#pragma once
// The band patterns of evening out: how many students of each score band of
// each group every class holds. Exchanges inside a band change none of
// them; the pattern decides how close the averages can come at all.
//
// The annealing settles on a pattern while its averages are still rough,
// and when every count sits at an edge of its fair range a better pattern
// can lie several classes away, with no way there through single exchanges
// that all keep the ranges. Here patterns are compared by the best spread
// they allow (PatternBound.h), and a turn moves the band counts of two to
// four classes of one group at once: each class hands a student of one band
// to the next and takes one of another from the one before.

#include "search/Placement.h"

namespace classdiv::evening {

// Looks for a pattern of lower best spread, by steepest descent over turns
// that keep every fair range (or pairs of turns, where no single one
// lowers it, or else a few turns that keep it, to get past a pattern where
// the descent stands); moves students to it by cycles of exchanges, settles the
// averages by transfers (Transfers.h), and keeps the result only
// when it is better than `now`, which then becomes its key.
void turnBandPattern(Placement& placement, const Component& component, Key& now);

} // namespace classdiv::evening
