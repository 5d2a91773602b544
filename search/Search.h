#pragma once
// The search behind evening out the averages, on a plain model of the year
// (Problem.h): students swap only with students of their own group, every
// (group, class) head count and every fair score-band share is kept, marked
// students are kept apart and the mixing column spread first, then the
// averages of linked classes brought together. Its measures are in
// Measures.h; both come with this header.
//
// Its parts, each using Placement and none using this header:
//   Search.cpp          sets of linked classes, rounds of annealing
//   Placement           where every student is, the counts that follow and
//                       what an exchange changes; PlacementRules.cpp (fixed
//                       students and together sets), PlacementUnits.cpp
//                       (a together set moved whole), PlacementScores.cpp
//                       (the key with extra score columns)
//   RuleAssignment      classes for the students under a hard rule
//   BandRepair          band counts into their fair ranges first, towards
//                       the target of BandTarget (FairShares.h: the ranges)
//   Cooling.h           the cooling of the annealing
//   Patterns            turns of band counts over several classes, judged
//                       by the best spread PatternBound allows
//   Transfers           amounts carried along paths of exchanges
//   Descent             the last descents
//   LevelRepair         flag counts brought to their least deviations by
//                       moves of two or three students at once
//   CountPaths          mixing counts carried along paths of exchanges
//                       through the classes between; trades across joins
//   ChainExchange       compound steps of the annealing with flag columns:
//                       two pairs of a small group, or a pair and its mends;
//                       the pairs of small groups whose trades are forced;
//                       the larger groups that send few to a class
//   FewSeats            other choices of a course's few students beside its
//                       own class, the nearest forced in turn
//   JoinSeats           other choices of a small group's students that
//                       alone join two sets of classes, forced the same way
//   Energy              what the annealing lowers, and by how much a
//                       typical exchange changes it
//   ScoreColumns        the search with extra score columns;
//                       ScoreColumnPairs.cpp its descent over pairs
//   Key.h               how good a placement is, and what an exchange changes
//   ShareLevels         the deviations of flag and mixing counts within
//                       their fair ranges, level by level
//   Measures            the spread and the deviations of a placement
//   Xoshiro256          the random numbers

#include "search/Measures.h"
#include "search/Problem.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace classdiv::evening {

// How hard to look: iterations of annealing per movable student of a set of
// linked classes and round, between leastPerRound and iterationsPerRound. A
// year of 240 in six crossing groups needs about 800 a student to come close
// to its best every time; a year of 500 comes close with fewer and must stay
// quick; a few students need many more each to cross from one arrangement of
// bands to another (a ms or two).
struct Effort {
    int iterationsPerStudent = 800;
    long leastPerRound = 50'000;
    long iterationsPerRound = 200'000;
    int rounds = 3;
};

// Several columns at once leave fewer exchanges that narrow them all: a
// small year needs four times the steps a student to come as close to its
// best (the example year: 0.008 instead of 0.012 on average); the most a
// round takes stays as it is, so that a year of 500 keeps its time.
constexpr int kScoreColumnsEffort = 4;

inline Effort withScoreColumns(Effort effort)
{
    effort.iterationsPerStudent *= kScoreColumnsEffort;
    effort.leastPerRound = std::min(effort.leastPerRound * kScoreColumnsEffort, effort.iterationsPerRound);
    return effort;
}

// Rewrites classOf (class index per student, keeping each group's head
// counts) into a better one: fixed students first go to their classes and
// together sets are gathered, then neither is split again. All randomness
// comes from seed. When the start is already as good as can be found and
// another placement just as good exists, it gives that other one.
void evenOut(const Problem& problem, std::vector<int>& classOf, uint64_t seed, const Effort& effort = {});

} // namespace classdiv::evening
