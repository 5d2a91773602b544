#pragma once
// How even a placement of the year is (classOf: a class per student, -1 for
// one not placed): the spreads of the averages of linked classes, the
// mixing and flag columns against their fair shares. The search measures
// with these; the program shows them.

#include "search/Problem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace classdiv::evening {

// 1 / the standard deviation over the year (of the students with a number)
// of the main score, then of each extra column; 0 for a column whose every
// number is the same, which then never spreads.
std::array<double, kScoreColumns + 1> scoreScales(const Problem& problem);

// The spreads of linked class averages, each score column's divided by its
// standard deviation: [0] the main score, then the extra columns; a class
// with nobody counted in a column is left out of that column.
struct ScoreSpreads {
    std::array<double, kScoreColumns + 1> normalised{};
    double largest = 0;    // of normalised
    double mainSpread = 0; // the main score's own spread, in points
};
ScoreSpreads scoreSpreads(const Problem& problem, const std::vector<int>& classOf);

// Classes linked by groups spread over more than one of them; a class that
// shares no group with another is a component of its own.
std::vector<std::vector<int>> linkedClasses(const Problem& problem);

// Largest minus smallest average within each component of linked classes,
// the largest of these; 0 when no classes are linked.
double averageSpread(const Problem& problem, const std::vector<int>& classOf);

// The students of each mixing value, and of each value of flag column k, in
// each class: [class * values + value], beside problem.mixShare and
// problem.flagShare[k]. Their largest deviation from the shares is
// FairShares.h largestDeviation; the program shows it from the typed rules
// (division/rules/RuleSet.h mixingDeviation), which give the same shares.
std::vector<int> mixCounts(const Problem& problem, const std::vector<int>& classOf);
std::vector<int> flagCounts(const Problem& problem, const std::vector<int>& classOf, int k);

// A column's largest |count - fair share| over its values and classes, and
// the (class, value) cells at it: the aim of a flag or mixing column within
// its fair ranges, the first made as small as it can be, then the second.
struct ShareSpread {
    double largest = 0;
    int cells = 0;
};
std::array<ShareSpread, kFlagColumns> flagSpreads(const Problem& problem, const std::vector<int>& classOf);
ShareSpread mixingSpread(const Problem& problem, const std::vector<int>& classOf);

// Each flag column's cells outside floor .. ceiling of their fair share, summed.
std::array<long, kFlagColumns> flagsOutside(const Problem& problem, const std::vector<int>& classOf);

// The running high and low of the class averages of one column; a class
// with nobody counted (NaN) is left out.
struct AverageRange {
    double high = -std::numeric_limits<double>::infinity();
    double low = std::numeric_limits<double>::infinity();
    void add(double a)
    {
        if (std::isnan(a))
            return;
        high = std::max(high, a);
        low = std::min(low, a);
    }
    double width() const { return high > low ? high - low : 0.0; }
};

} // namespace classdiv::evening
