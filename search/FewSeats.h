#pragma once
// The few students a larger group sends to a class beside a class of its
// own: a course of 48 with 45 in class 10, which holds nobody else, and 3 in
// class 9. Which three they are sets class 10's average, and nothing else
// moves it. With the flag counts at their least deviations and class 10's
// counts of an old class held to 3 or 4, no single trade from a poor choice
// keeps the rules, and the two or three at once that do first lower class 9
// until the other groups there follow; the annealing seldom finds them once
// cool, and a use ends with class 10 where that choice put it.
//
// Here every other choice of the few with the same flag values (so that no
// flag count of either class changes) is weighed by how near it brings the
// closed class's average to the mean of the other classes of the set, and
// the nearest are forced on the best placement in turn, each with a short
// round after that mends the mixing counts and follows with the averages.

#include "search/Placement.h"

#include <functional>
#include <vector>

namespace classdiv::evening {

// Classes holding more free students of the group than this are not
// weighed: the choices grow as the cube of it.
constexpr size_t kMostForReplacement = 64;

struct Replacement {
    std::vector<int> out; // of the few, into the closed class
    std::vector<int> in;  // beside out, from the closed class
    int closed = -1;      // the closed class
    double gap = 0;       // |its average after - the mean of the set's other classes after|
};

// The choices, for every group of fewSeatGroups (ChainExchange.h) and class
// of its with at most kFewSeats of its students beside a class of the
// component that holds free students of no other group, that bring that
// class at least `least` nearer; nearest first.
std::vector<Replacement> fewSeatReplacements(const Placement& placement, const Component& component, double least);

// Makes the replacement where it leaves the group's band counts in the
// classes it touches and the closed class's mixing counts (where there is
// one) no further outside their ranges than they are; true when made,
// nothing changed otherwise.
bool makeReplacement(Placement& placement, const Replacement& replacement);

// Up to `most` of the `choices` of the best placement forced in turn:
// `restoreBest` puts the best placement back, `round` runs a short round
// from the placement as it is, with the choice made, and says whether it
// found a better best; after one that did, the choices of the new best,
// `turns` times at most.
void forceReplacements(Placement& placement, const std::function<std::vector<Replacement>()>& choices, size_t most,
                       int turns, const std::function<void()>& restoreBest,
                       const std::function<bool(const Replacement&)>& round);

} // namespace classdiv::evening
