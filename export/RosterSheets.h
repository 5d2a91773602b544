#pragma once
// The printed class lists: what each A4 page holds and how tall its rows are.
// A class fits one page up to rowsPerSheet() students; a larger one goes on
// over further pages, its figures on the last. The same pages serve the
// class lists' own columns and the meeting sheets' chosen ones; every page
// leaves room at its top for the confidential header (export/PaperHeader.h).

#include "division/lists/ClassRoster.h"
#include "division/draw/DistributionTable.h"
#include "conditions/SpreadRules.h"
#include "export/PaperColumns.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace classdiv {

// The page in millimetres, portrait A4.
struct SheetGeometry {
    static constexpr double width = 210;
    static constexpr double height = 297;
    static constexpr double margin = 10;
    static constexpr double headerHeight = 12; // 機密, the draft, the copy and the page
    static constexpr double titleHeight = 14;   // class label and page part
    static constexpr double headingHeight = 7;  // the column headings
    static constexpr double figuresHeight = 34; // head count, average, band counts
    static constexpr double largestRow = 7;     // a short list is not stretched beyond this
    static constexpr double smallestRow = 4.6;  // still readable at 9 points
    static constexpr double rowArea = height - 2 * margin - headerHeight - titleHeight - headingHeight - figuresHeight;
    static constexpr double lineWidth = width - 2 * margin;
};

// Students one page takes at the smallest row height.
int rowsPerSheet();
// The row height for a page of so many rows: the space shared out, within bounds.
double sheetRowHeight(int rows);

struct RosterSheet {
    QString title; // "３組", or "３組（1/2）" when the class takes two pages
    QStringList headings; // "No." and the roster columns
    std::vector<double> widths; // beside headings, in millimetres, together the line's width at most
    std::vector<bool> numeric;  // beside headings: set to the right
    std::vector<QStringList> rows;
    double rowHeight = SheetGeometry::largestRow;
    // On the class's last page only:
    bool hasFigures = false;
    QString figures;                                  // "40人　平均 62.3　平均差 0.5", or "40人" without scores
    std::vector<std::pair<QString, int>> bandCounts; // the band in words, the class's count
};

// The columns of the pages: their headings, the cells of a student row, which hold numbers.
struct SheetColumns {
    QStringList headings;
    std::vector<bool> numeric;
    std::function<QStringList(int row)> cells;
    bool scores = true; // the class's average and its difference printed under the list
};

std::vector<RosterSheet> rosterSheets(const Students& students, const std::vector<int16_t>& classes,
                                      const DistributionTable& distribution, const SheetColumns& columns,
                                      RosterOrder order);
// With the class lists' own columns (name, group, score, the rules').
std::vector<RosterSheet> rosterSheets(const Students& students, const std::vector<int16_t>& classes,
                                      const DistributionTable& distribution, const SpreadRules& rules,
                                      RosterOrder order);
// The meeting sheets: the roster's columns chosen (positions in `columns`), in
// the order given. Without the score column the averages are left out too.
std::vector<RosterSheet> meetingSheets(const Students& students, const std::vector<int16_t>& classes,
                                       const DistributionTable& distribution, const PaperColumns& columns,
                                       const std::vector<int>& chosen, RosterOrder order);

} // namespace classdiv
