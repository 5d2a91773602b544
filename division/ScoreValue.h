#pragma once
// The numeric value of a score text, read once per student and press.

#include "common/Numbers.h"
#include "division/DistributionTable.h"
#include "import/StudentTable.h"

#include <QString>

#include <array>
#include <cstdint>

namespace classdiv {

// The class number 1 .. 10 whose decimal text newClass is, else 0.
int classRowOf(const QString& newClass);

// The scores of students 1 .. N, read once for a press.
struct ScoreValues {
    std::array<double, kStudentRows> value{}; // [e], entry 0 not used
    // Every score a whole number within 16 bits: then rounding changes
    // nothing and the running sums are plain integer sums.
    bool smallWhole = true;
};
void readScores(const StudentTable& table, ScoreValues& scores);

// fillDistributionTable() with the scores already read.
void fillDistributionTable(const StudentTable& table, const ScoreValues& scores, DistributionTable& distribution);

} // namespace classdiv
