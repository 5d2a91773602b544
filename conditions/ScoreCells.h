#pragma once
// The cells of a score column evened beside the main score: which hold a
// number, and its value, read as the main score's numbers are read
// (common/Numbers.h): blanks anywhere ignored, the half-width number at the
// start. A cell without such a start (blank, 欠席, a dash, full-width digits,
// which the main score also takes for no number) holds none.

#include "conditions/SpreadRules.h"

#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

std::optional<double> scoreCellValue(const QString& text);

// Column `cells` (rows 0 .. N, row 0 the item name) as a score column.
ScoreColumn scoreColumnFrom(const std::vector<QString>& cells);

// How many students (rows 1 .. N) have a number in the column.
int studentsWithNumber(const ScoreColumn& column);

} // namespace classdiv
