#pragma once
// The figures of a draft (案) beside its name, and two drafts side by side.
// They are read from the figures of its division (division/DivisionFigures.h),
// which the class lists and the chart read too, so a draft and the windows
// never judge the same classes apart, and a hand swap builds nothing again.

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
    // The figures of its division (division/DivisionFigures.h) the list shows.
    double spread = 0;        // of the class averages
    double bandDeviation = 0; // the largest |count - fair share| of a score band
    std::optional<double> mixingDeviation; // when a mixing column is set
    std::vector<double> flagDeviations;    // each flag column's largest |count - fair share|, in their order
    std::optional<double> scoreSpread;     // the largest normalised spread, when extra score columns are set
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
