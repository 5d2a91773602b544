#pragma once
// The numbers behind the chart window: each class's scores and their box
// plot figures, its counts in the six score bands of the distribution table,
// and its counts of each value of the mixing column (the old class).

#include "division/draw/DistributionTable.h"
#include "division/lists/ClassRoster.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <vector>

namespace classdiv {

// A box plot's five figures. The quartiles interpolate between neighbouring
// scores as a spreadsheet's QUARTILE does; the whiskers reach the lowest and
// the highest score, so every student lies within them.
struct BoxFigures {
    double lowest = 0;
    double lowerQuartile = 0;
    double median = 0;
    double upperQuartile = 0;
    double highest = 0;

    bool operator==(const BoxFigures&) const = default;
};

// Scores in ascending order; all zero for none.
BoxFigures boxFigures(const std::vector<double>& ascending);

struct ClassSummary {
    int classNumber = 0;        // any class number that has students
    QString label;              // as the table names it: "１組" .. "10組", "11組"
    std::vector<double> scores; // the numeric values of its students' scores, ascending
    BoxFigures box;
    BandCounts bandCounts{};         // [stratum 1 .. kBandCount], counted as the table counts
    std::vector<int> mixCounts;      // [index into YearSummary::mixValues]
};

struct YearSummary {
    std::vector<ClassSummary> classes; // every class that has students, in order of number
    double overallAverage = 0;         // as the table shows it
    std::array<QString, kBandCount + 1> bandLabels; // [stratum 1 .. kBandCount], e.g. "72点以上85点未満"
    QStringList mixValues;             // distinct values of the mixing column, numbers in numeric order
};

// Text shown for a student whose mixing value is empty.
inline const QString kEmptyMixValue = QStringLiteral("（空欄）");

// The summary of a draw (classes per student row, empty before the first
// press: then the summary is empty too). mixValues is indexed by student
// row 1 .. N (entry 0 unused); empty when no mixing column is set.
YearSummary summarizeYear(const Students& students, const std::vector<int16_t>& classes,
                          const DistributionTable& distribution, const std::vector<QString>& mixValues);
// The same with each class's figures counted already (division/DivisionFigures.h).
YearSummary summarizeYear(const Students& students, const std::vector<int16_t>& classes,
                          const DistributionTable& distribution, const std::vector<QString>& mixValues,
                          const std::map<int, ClassFigures>& figures);

} // namespace classdiv
