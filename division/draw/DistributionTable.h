#pragma once
// Score bands and the distribution table of a draw, and the items that draw it.

#include "import/StudentTable.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace classdiv {

// The table's score bands (its strata), numbered 1 .. kBandCount.
inline constexpr int kBandCount = 6;
// A count for every band, indexed by its number ([0] left to the user: a head count, or unused).
using BandCounts = std::array<int, kBandCount + 1>;
// The table's class rows: classes 1 .. kTableClasses, then the year's row.
inline constexpr int kTableClasses = 10;

// The boundary points come from the scores of the whole year, so they are
// the same for every draw: computed once when the year loads.
struct ScoreBands {
    std::array<int16_t, kStudentRows> sortedScores{}; // [1 .. N] rounded, high to low; [0] stays 0
    int16_t topTenthRank = 0;
    std::array<int16_t, 11> boundaryPoints{}; // used 1..5
    float overallAverage = 0;                 // rounded to one decimal; B3 is its whole part
    int32_t scoreTotal = 0;                   // every running sum rounded
};

ScoreBands scoreBands(const Students& students);

struct DistributionTable {
    ScoreBands bands;
    int32_t scoreTotal = 0;
    float overallAverage = 0;
    std::array<int32_t, 12> classScoreTotal{};     // used 1..10
    std::array<int16_t, 11> classHeadCount{};      // used 1..10
    std::array<float, 12> classAverage{};          // used 1..10
    std::array<float, 12> classAverageDifference{}; // used 1..11 (11 stays 0)
    std::array<std::array<int16_t, kBandCount + 1>, 12> stratumCounts{}; // [class 1..11][stratum 1..6]
    std::array<QString, 12> classLabels;           // used 1..11
    std::array<QString, 11> columnHeadings;        // used 1..8
};

// The strata 1..6 a score counts in; out-of-order boundary points may give
// two strata, exactly as the table counts them.
std::array<bool, kBandCount + 1> strataOfScore(double score, const ScoreBands& bands);
// The band of a score for the fair-band rule: the first stratum that holds
// it, so that every student is in exactly one band. With boundary points in
// order (every year of more than a handful of students) it is its stratum.
int bandOfScore(double score, const ScoreBands& bands);
// "85点以上", "72点以上85点未満", ..., "35点未満".
QString stratumText(int stratum, const ScoreBands& bands);

// The class of a student row in a draw: classes[row], or 0 when there is no
// draw (classes empty) or no such row.
inline int classAt(const std::vector<int16_t>& classes, int row)
{
    return row >= 0 && static_cast<size_t>(row) < classes.size() ? classes[static_cast<size_t>(row)] : 0;
}

// Fills the table from the classes of students 1 .. N (entry 0 unused). The
// difference of a class without students stays that of the last fill in
// which it had some.
void fillDistributionTable(const Students& students, const ScoreBands& bands, const std::vector<int16_t>& classes,
                           DistributionTable& distribution);

// One text of the drawing, its top-left corner in the picture's user units.
struct TableItem {
    double x = 0;
    double y = 0;
    QString text;
    bool operator==(const TableItem&) const = default;
};

// The drawing of the table in order; empty before the first press (hasDraw false).
std::vector<TableItem> distributionTableItems(const DistributionTable& distribution, int studentCount, bool hasDraw);

} // namespace classdiv
