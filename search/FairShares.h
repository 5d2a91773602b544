#pragma once
// The fair-band rule, written once: the search of evening out keeps it, and
// the class lists mark a hand swap that breaks it.
//
// Within a group of `groupSize` students, `inBand` of whom have scores in one
// band of the distribution table (each student's first stratum), a class that
// takes `headCount` of the group holds between the floor and the ceiling of
// headCount × inBand ÷ groupSize of them.

#include <cstddef>
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
