#pragma once
// The fewest moves within one group under its head counts and fair band
// ranges alone, exactly: a flow of the group's students, band by band, into
// the (class, band) cells and on to the classes, where a student that stays
// in its class costs one less and a count outside its cell's range costs more
// than every stay together. FewestMoves starts from it.

#include <vector>

namespace classdiv::evening {

struct BandFlowInput {
    int classes = 0;
    int bands = 0;
    std::vector<int> room;     // [class]: students still to place there
    std::vector<int> supply;   // [band]: students to place
    std::vector<int> lo, hi;   // [class * bands + band]: the range of the count placed there
    std::vector<int> stayers;  // [class * bands + band]: students already there who may stay
};

struct BandFlow {
    std::vector<int> placed; // [class * bands + band]: students placed in the cell
    std::vector<int> stay;   // [class * bands + band]: of them, students that stay
    long outside = 0;        // counts outside their ranges, summed
};

BandFlow solveBandFlow(const BandFlowInput& input);

// The flow made into students: of each cell's students who may stay
// (stayers[class * bands + band]), the first the flow lets stay do, the rest
// join the pool of their band, from which each cell takes the rest of its
// count; `classes` are the classes' numbers. False when the pool keeps a student.
bool placeByFlow(const BandFlow& flow, const std::vector<int>& classes, std::vector<std::vector<int>>& stayers,
                 std::vector<std::vector<int>>& pool, std::vector<int>& classOf);

} // namespace classdiv::evening
