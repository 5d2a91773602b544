#pragma once
// The look of one class's list in クラス名簿 apart from its rows: the cells
// that break a rule and its header's text. The window keeps the look it
// shows, so that after a hand swap only the lists whose look changed are
// filled again.

#include "division/lists/ClassRoster.h"
#include "division/lists/ClassSwaps.h"
#include "division/DivisionFigures.h"

#include <QString>

#include <set>
#include <utility>
#include <vector>

namespace classdiv {

class Year;

struct ClassListLook {
    std::set<std::pair<int, int>> broken; // (student row, column) shown as breaking a rule
    QString header;                       // rich text
    bool operator==(const ClassListLook&) const = default;
};

// figures: of the classes shown, counted once for all lists.
ClassListLook classListLook(const Year& year, int classNumber, const RosterColumns& columns, const RuleBreaks& breaks,
                            const DivisionFigures& figures);

// Column widths in pixels: name, group, score, then each rule's column.
int classListColumnWidth(int column);
// Why a cell is marked, for its tip.
QString brokenTip(const RosterColumns& columns, int column);
// classList3, classHeader3; the students not placed: unplacedList, unplacedHeader.
QString classObjectName(const char* prefix, int classNumber);

} // namespace classdiv
