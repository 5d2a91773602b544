#pragma once
// The figures of a draft (案) beside its name, and two drafts side by side.
// They come from the functions the class lists and the chart use, read from
// the year's typed rules and its kept model of the search, so a draft and the
// windows never judge the same classes apart, and a hand swap builds nothing again.

#include "division/draw/DistributionTable.h"
#include "division/drafts/DraftsFile.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace classdiv {

class Year;

// What the drafts window shows of a draft, beside its name, time and number.
struct DraftFigures {
    double spread = 0;        // of the class averages (division/EvenAverages.h averageSpread)
    double bandDeviation = 0; // the largest |count - fair share| of a score band (search/FairShares.h)
    std::optional<double> mixingDeviation; // when a mixing column is set
    // Each flag column's largest |count - fair share| (division/lists/FlagSplits.h), in their order.
    std::vector<double> flagDeviations;
    // The largest normalised spread of the evened score columns, when extra
    // ones are set (division/EvenAverages.h scoreColumnSpreads).
    std::optional<double> scoreSpread;
    int rulesBroken = 0; // cells the class lists mark as broken (division/lists/ClassSwaps.h findRuleBreaks)
    int swaps = 0;       // hand swaps since the press
    int moved = 0;       // students in another class than on screen now
};

// The figures of classes of this year (a draft's, or the screen's).
DraftFigures draftFigures(const Year& year, const Draft& draft);

// Two drafts side by side, for the meeting.
struct DraftComparison {
    struct ClassFigures {
        int classNumber = 0;
        std::array<int, 2> headCount{};
        std::array<float, 2> average{};
        std::array<float, 2> difference{}; // from the year's average
        std::array<BandCounts, 2> bands{}; // [draft][stratum 1 .. kBandCount]
        std::array<std::vector<int>, 2> flags; // [draft][index into flagValues]
    };
    struct Moved {
        int row = 0;
        int line = 0; // the CSV line
        QString id, name, group;
        std::array<int, 2> classes{};
    };
    std::array<QString, 2> names;
    float yearAverage = 0;
    std::array<QString, kBandCount + 1> bandLabels; // [stratum 1 .. kBandCount]
    QStringList flagValues; // "column: value", one for each flag value of the rules
    std::vector<ClassFigures> classes; // every class that has students in either draft, whatever its number
    std::vector<Moved> moved;          // every student whose class differs, in CSV order
};
DraftComparison compareDrafts(const Year& year, const Draft& a, const Draft& b);

// The comparison as the window and the PDF show it: every cell "A／B".
struct TextTable {
    QStringList headings;
    std::vector<QStringList> rows;
};
TextTable classFiguresTable(const DraftComparison& comparison);
TextTable movedStudentsTable(const DraftComparison& comparison);

// A row of the drafts list: name, kept, number, then the figures.
QStringList draftListRow(const Draft& draft, const DraftFigures& figures);
QStringList draftListHeadings();

// Students who sit in another class in b than in a.
int movedStudents(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

} // namespace classdiv
