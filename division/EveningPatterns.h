#pragma once
// The band patterns of evening out: how many students of each score band of
// each group every class holds. Exchanges inside a band change none of
// them; the pattern decides how close the averages can come at all.
//
// The annealing settles on a pattern while its averages are still rough,
// and a better one may lie several classes away (EveningCycles.h). Here the
// patterns are compared by the spread they would allow if a band's students
// could be shared out between its classes at will: for every set C of
// linked classes, the lowest total C can hold (the other classes taking
// the highest students of every band) and the highest; the best spread of
// the pattern is then the largest lowest average of a set minus the
// smallest highest one. It is exact for shares of students and lies a
// fraction of a point below what whole students reach.

#include "division/EveningPlacement.h"

namespace classdiv::evening {

// What the annealing of a set of linked classes knows, for the searches
// that follow it.
struct Annealed {
    double (*energy)(const Key&, const Component&);
    double typicalChange; // of the energy, for a random exchange
    double finestStep;    // of an average
    long steps;           // of one round
};

// Looks for a pattern of lower best spread, by steepest descent over
// cycles of band counts within one group over two to four classes that keep
// every fair range; moves students to it, then anneals exchanges inside the
// bands, and keeps the result only when it is better than `now`, which
// then becomes its key.
void turnBandPattern(Placement& placement, const Component& component, Key& now, Rng& rng, const Annealed& annealed);

// Anneals exchanges of two students of one group and one band, from a low
// temperature: the averages settle within the pattern as it is. `now` is
// the key before and after; the placement ends at the best seen.
void annealWithinBands(Placement& placement, const Component& component, Key& now, Rng& rng, const Annealed& annealed);

} // namespace classdiv::evening
