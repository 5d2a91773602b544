#pragma once
// The fair-band rule, written once: the search of evening out keeps it, and
// the class lists mark a hand swap that breaks it.
//
// Within a group of `groupSize` students, `inBand` of whom have scores in one
// band of the distribution table (each student's first stratum), a class that
// takes `headCount` of the group holds between the floor and the ceiling of
// headCount × inBand ÷ groupSize of them.

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

} // namespace classdiv::evening
