#pragma once
// Every column of the year's roster, as the import read it once, for the rule
// columns the teacher names (conditions/SpreadColumns.h), the papers and the
// posted lists: only when its rows hold the students read from it, row for row.

#include "common/Message.h"
#include "conditions/SpreadFile.h"
#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

// The CSV as it stands now, split into rows the way the column reader splits
// it, each row checked against the students read from it.
struct CurrentCsv {
    std::optional<Message> message; // set: the file cannot be used, nothing else is set
    int16_t columnCount = 0;
    std::vector<QStringList> rows; // rows 0 .. lineCount - 1, columnCount fields each
    // A workbook's furigana of each cell, rows and columns as above; empty when it keeps none.
    std::vector<QStringList> phonetics;
};
CurrentCsv readCurrentCsv(const Students& students);

// Column `choice` of rows 1 .. N of the CSV into the rules; an unset column
// leaves its vector empty.
SpreadRules spreadRulesFrom(const CurrentCsv& csv, const SpreadChoice& choice);

// Column `column` (from 1) of rows 1 .. N, entry 0 empty; empty when the CSV has no such column.
std::vector<QString> columnOf(const CurrentCsv& csv, int16_t column);

} // namespace classdiv
