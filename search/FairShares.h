#pragma once
// The fair range of a share, written once: the search of evening out keeps
// it, and the class lists, the drafts and the check sheet mark what breaks it.
//
// Within a group of `groupSize` students, `inBand` of whom have scores in one
// band of the distribution table (each student's first stratum), a class that
// takes `headCount` of the group holds between the floor and the ceiling of
// headCount × inBand ÷ groupSize of them.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace classdiv::evening {

struct FairRange {
    int low = 0;
    int high = 0;
    double share = 0; // headCount × inBand ÷ groupSize itself

    bool holds(int count) const { return count >= low && count <= high; }
};

inline FairRange fairBandRange(int headCount, int inBand, int groupSize)
{
    if (groupSize <= 0)
        return {};
    const long product = static_cast<long>(headCount) * inBand;
    const int low = static_cast<int>(product / groupSize);
    return {low, low + (product % groupSize != 0 ? 1 : 0), static_cast<double>(product) / groupSize};
}

// A class's share of a value summed over its pools is a sum of fractions
// of whole counts, added in floating point: 1/3 + 1/3 + 1/3 may fall a hair
// short of 1. The floor and the ceiling of such a share allow for that much.
inline constexpr double kShareSlack = 1e-9;

// The fair range of a share given as a number: the mixing and flag columns'
// shares, which the search, the placing under rules, the class lists' breaks
// and the check sheet all judge by this.
inline FairRange fairRange(double share)
{
    return {static_cast<int>(std::floor(share + kShareSlack)), static_cast<int>(std::ceil(share - kShareSlack)),
            share};
}

// How far counts stand from their fair shares, cell beside cell: the largest
// |count - share|, 0 for no cells. The mixing deviation and each flag
// column's are this figure of their counts.
inline double largestDeviation(const std::vector<int>& count, const std::vector<double>& share)
{
    double deviation = 0;
    for (size_t i = 0; i < count.size() && i < share.size(); ++i)
        deviation = std::max(deviation, std::abs(count[i] - share[i]));
    return deviation;
}

// The fair range of every band of one group in every class it takes
// students to: [class * bands + band], the classes in the order of
// headCounts, inBand[band] the group's students in each band. Every user
// (the search, the placing of students under rules, the class lists' breaks)
// judges a band's count by this table.
inline std::vector<FairRange> fairBandTable(const std::vector<int>& headCounts, const std::vector<int>& inBand,
                                            int groupSize)
{
    const size_t bands = inBand.size();
    std::vector<FairRange> table(headCounts.size() * bands);
    for (size_t c = 0; c < headCounts.size(); ++c)
        for (size_t b = 0; b < bands; ++b)
            table[c * bands + b] = fairBandRange(headCounts[c], inBand[b], groupSize);
    return table;
}

} // namespace classdiv::evening
