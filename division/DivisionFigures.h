#pragma once
// The figures of a division, counted once from the year and the classes:
// each class's head count, average and difference from the year's average
// with its counts in the score bands, the spread of the averages, the extra
// score columns' class averages and spreads, each flag column's largest
// deviation, the mixing deviation and the score bands' largest deviation.
// The class lists, the chart, the drafts and the check sheet all read these,
// so no two of them can show the same classes apart.

#include "division/EvenAverages.h"
#include "division/lists/ClassRoster.h"
#include "division/lists/FlagSplits.h"
#include "division/lists/ScoreAverages.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace classdiv {

class Year;

struct DivisionFigures {
    // Every class number that has students, as the distribution table counts
    // a class row (division/lists/ClassRoster.h); kUnplacedClass holds the
    // students not placed.
    std::map<int, ClassFigures> classes;
    // Largest minus smallest average of linked classes (division/EvenAverages.h
    // averageSpread); counted only when asked for.
    std::optional<double> averageSpread;
    // The largest |count - fair share| of a score band of a group in a class (search/FairShares.h).
    double bandDeviation = 0;
    std::optional<double> mixingDeviation; // when a mixing column is set
    std::vector<FlagSplit> flags;          // each flag column's, in the order of the rules
    // The extra score columns: their class averages, and the spreads of every
    // evened column when any is set (division/EvenAverages.h scoreColumnSpreads).
    std::vector<ColumnAverages> extraAverages;
    std::optional<ScoreColumnSpreads> scoreSpreads;

    // The figures of one class; zeros for a class with no students.
    ClassFigures of(int classNumber) const;
};

// The spread of averages is read from the search's model of the year, which
// a year not yet evened out has not built (a press's time): the class lists
// and the chart, which do not show it, leave it out.
enum class SpreadOfAverages : bool { Left, Counted };

// The figures of the year's classes on screen, counted as its distribution table counts.
DivisionFigures divisionFigures(const Year& year, SpreadOfAverages spread);
// Of other classes of the year (a draft's), counted by the year's score bands.
DivisionFigures divisionFigures(const Year& year, const std::vector<int16_t>& classes,
                                SpreadOfAverages spread = SpreadOfAverages::Counted);

} // namespace classdiv
