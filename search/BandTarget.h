#pragma once
// What the band repair aims at in one group: the fair range of every
// (class, band) count, widened where students that do not move one by one
// hold a cell, and the counts within them nearest the present ones.

#include "search/Problem.h"

#include <optional>
#include <vector>

namespace classdiv::evening {

struct BandBounds {
    std::vector<int> lo; // [local * bands + band]
    std::vector<int> hi;
};

BandBounds fairBandBounds(const Group& group, const std::vector<int>& inBand);

std::optional<std::vector<int>> fairTarget(const BandBounds& bounds, const std::vector<int>& count,
                                           const std::vector<int>& headCounts, const std::vector<int>& inBand);

void widenForFixed(BandBounds& bounds, const std::vector<int>& held, const std::vector<int>& headCounts,
                   const std::vector<int>& inBand);

} // namespace classdiv::evening
