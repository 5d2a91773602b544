#pragma once
// Score bands and the distribution table of a draw, and the items that draw it.

#include "import/StudentTable.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace classdiv {

struct ScoreBands {
    std::array<int16_t, 501> sortedScores{};
    int16_t topTenthRank = 0;
    std::array<int16_t, 11> boundaryPoints{}; // used 1..5
};

struct DistributionTable {
    ScoreBands bands;
    int32_t scoreTotal = 0;
    float overallAverage = 0;
    std::array<int32_t, 12> classScoreTotal{};     // used 1..10
    std::array<int16_t, 11> classHeadCount{};      // used 1..10
    std::array<float, 12> classAverage{};          // used 1..10
    std::array<float, 12> classAverageDifference{}; // used 1..11 (11 stays 0)
    std::array<std::array<int16_t, 7>, 12> stratumCounts{}; // [class 1..11][stratum 1..6]
    std::array<QString, 12> classLabels;           // used 1..11
    std::array<QString, 11> columnHeadings;        // used 1..8
};

// The strata 1..6 a score counts in; out-of-order boundary points may give
// two strata or none, exactly as the table counts them.
std::array<bool, 7> strataOfScore(double score, const ScoreBands& bands);
// "85点以上", "72点以上85点未満", ..., "35点未満".
QString stratumText(int stratum, const ScoreBands& bands);

// Fills the table from the new classes and scores of students 1 .. N.
void fillDistributionTable(const StudentTable& table, DistributionTable& distribution);

// One text of the drawing, its top-left corner in the picture's user units.
struct TableItem {
    double x = 0;
    double y = 0;
    QString text;
    bool operator==(const TableItem&) const = default;
};

// The drawing of the table in order; empty before the first press.
std::vector<TableItem> distributionTableItems(const DistributionTable& distribution, int studentCount);

// Picture1's user scale: twips per unit along x and y.
inline constexpr float kPictureUnitX = 44.625126f;
inline constexpr float kPictureUnitY = 27.624952f;

} // namespace classdiv
