#pragma once
// The descents that end a search of evening out: steepest descent over the
// exchanges that touch the highest or the lowest class of a set of linked
// classes (only those can narrow its spread), judged by the exact averages,
// and, with fractional scores, once more by the rounded class totals the
// distribution table shows, among placements whose exact spread is no wider.

#include "search/Placement.h"

namespace classdiv::evening {

// Judged by the exact averages, from the key `now` of the component.
void descendOnAverages(Placement& placement, const Component& component, Key now);

// Judged by the totals the distribution table shows: it rounds every running
// class total in file order, which the exact sums only approximate. Where no
// single exchange narrows the shown spread, a walk among exchanges that keep
// it often finds one that does. The exact spread comes first: no exchange
// here widens it, so the shown averages choose only among its equals.
void descendOnShownTotals(Placement& placement, const Component& component, Rng& rng);

} // namespace classdiv::evening
