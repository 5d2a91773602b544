#pragma once
// Transfers of evening out: an amount of points carried from one class to
// another along a path of exchanges, each of two students of one group and
// one score band whose scores differ by exactly that amount, so that every
// class on the way keeps its total.
//
// At the end of the search the averages stand a step or two of a point
// from where they could meet: the highest class would give a point to the
// lowest, but no exchange between the two moves exactly that, or it would
// break the order of their students within a band. Classes linked through
// others (two halves of a year joined by one small group) can only trade
// through the classes between them, and every single exchange on the way
// makes the spread wider before the next one mends it.

#include "search/Placement.h"

namespace classdiv::evening {

// Steepest descent over transfers from a class to another that make the key
// of the component better; `now` is its key before and after.
void transferAlongPaths(Placement& placement, const Component& component, Key& now);

} // namespace classdiv::evening
