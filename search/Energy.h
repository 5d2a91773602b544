#pragma once
// The energy the annealing of evening out lowers: the spread of the
// averages, with a little of what guides it across exchanges that leave the
// spread as it is.

#include "search/Key.h"
#include "search/Placement.h"
#include "search/Seats.h"

namespace classdiv::evening {

// The spread decides; a little of the classes' squared distance from their
// mean guides the annealing across exchanges that leave the spread as it is,
// never enough to outweigh a real narrowing.
constexpr double kSquaresWeight = 0.02;
// With extra score columns the main score's own spread comes next after the
// largest normalised spread; a tenth of it in the energy leads the annealing
// towards placements where the main score is even too, while a real
// narrowing of the largest spread still outweighs it.
constexpr double kMainWeight = 0.1;
// The largest spread moves only with the column that holds it; the mean of
// every column's spread leads the annealing to narrow the others too, so
// that the next column to become the largest is already low.
constexpr double kColumnsWeight = 0.5;

inline double energy(const Key& key, const Component& component)
{
    return key.spread + kSquaresWeight * key.squares / static_cast<double>(component.classes.size());
}

// mainScale is 0 without extra columns, where key.main is 0 too.
inline double energy(const Key& key, const Component& component, double mainScale)
{
    return mainScale == 0 ? energy(key, component)
                          : energy(key, component) + kMainWeight * key.main * mainScale + kColumnsWeight * key.columns;
}

// The mean change of energy of a random exchange of the component, from
// `now`; `finest` where no exchange was possible.
double typicalChange(const Placement& placement, const Component& component, const Key& now, double finest,
                     double mainScale, Rng& rng);

} // namespace classdiv::evening
