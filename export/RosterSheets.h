#pragma once
// The printed class lists: what each A4 page holds and how tall its rows are.
// A class fits one page up to kMaxRowsPerSheet students; a larger one goes on
// over further pages, its figures on the last.

#include "division/lists/ClassRoster.h"
#include "division/draw/DistributionTable.h"
#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace classdiv {

// The page in millimetres, portrait A4.
struct SheetGeometry {
    static constexpr double width = 210;
    static constexpr double height = 297;
    static constexpr double margin = 15;
    static constexpr double titleHeight = 14;   // class label and page part
    static constexpr double headingHeight = 7;  // the column headings
    static constexpr double figuresHeight = 34; // head count, average, band counts
    static constexpr double largestRow = 7;     // a short list is not stretched beyond this
    static constexpr double smallestRow = 4.6;  // still readable at 9 points
    static constexpr double rowArea = height - 2 * margin - titleHeight - headingHeight - figuresHeight;
};

// Students one page takes at the smallest row height.
int rowsPerSheet();
// The row height for a page of so many rows: the space shared out, within bounds.
double sheetRowHeight(int rows);

struct RosterSheet {
    QString title; // "３組", or "３組（1/2）" when the class takes two pages
    QStringList headings; // "No." and the roster columns
    std::vector<QStringList> rows;
    double rowHeight = SheetGeometry::largestRow;
    // On the class's last page only:
    bool hasFigures = false;
    QString figures;                                  // "40人　平均 62.3　平均差 0.5"
    std::vector<std::pair<QString, int>> bandCounts; // the band in words, the class's count
};

// The pages of every class in use, classes in order, students in `order`.
std::vector<RosterSheet> rosterSheets(const Students& students, const std::vector<int16_t>& classes,
                                      const DistributionTable& distribution, const SpreadRules& rules,
                                      RosterOrder order);

} // namespace classdiv
