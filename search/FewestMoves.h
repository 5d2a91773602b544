#pragma once
// Mending a division with the fewest moves: from classes some students have
// lost (new students, or a class the plans no longer open), a division that
// places everyone, keeps every head count, the fair bands and the rules in
// their order, and moves as few of the students already placed as it can;
// among those, the one whose averages evening out would judge best.
//
// Its parts:
//   MoveFlow       the fewest moves of each group under its head counts and
//                  bands alone (exact), the start of the search
//   FewestMoves    students held where they must be (fixed, together sets,
//                  locked classes), the flow's counts made into students
//   MendSearch     exchanges that mend the rules with as few moves as
//                  possible, then even out the averages at that many moves
//   MendExact      where the exchanges end above the flow's count: every
//                  division searched for fewer moves, within a bound of
//                  steps (exact on a small year)

#include "search/Problem.h"

#include <cstdint>
#include <vector>

namespace classdiv::evening {

struct MoveLimits {
    int largestMoves = -1;    // -1: as many as it takes
    std::vector<char> locked; // [class], or empty: the students of a locked class stay in it
};

// The first hard rule, in their order, that no division within the limits keeps.
enum class MendBreak { None, Fixed, Apart, Together, HeadCount, Limit };

struct Mend {
    std::vector<int> classOf; // a class per student, everyone placed
    int moves = 0;
    MendBreak broken = MendBreak::None; // when not None, classOf is what came nearest
    std::vector<int> students;          // the students the broken rule concerns
};

// start: a class per student, -1 where the student has no class of its
// group's plan; placed: the student had a class, so that its leaving it
// (even a class no longer planned) is a move, while a new student is placed
// for nothing.
Mend fewestMoves(const Problem& problem, const std::vector<int>& start, const std::vector<char>& placed,
                 const MoveLimits& limits, uint64_t seed);

// Placed students whose class is not the one they started in.
inline int movesBetween(const std::vector<int>& start, const std::vector<char>& placed, const std::vector<int>& classOf)
{
    int moves = 0;
    for (size_t s = 0; s < classOf.size(); ++s)
        moves += placed[s] && classOf[s] != start[s];
    return moves;
}

} // namespace classdiv::evening
