#pragma once
// The furigana Excel keeps with a cell typed through the input method: its
// phonetic runs (<rPh>) read beside the cell's text by the .xlsx reader and
// laid out here. Used by WorkbookXlsx.cpp only.

#include "import/WorkbookParts.h"

#include <QString>

#include <vector>

namespace classdiv::workbook {

struct PhoneticRun {
    qsizetype from = 0, to = 0; // the base characters it covers (sb, eb)
    QString text;
};

// The text as Excel's PHONETIC() reads it: each run's furigana in place of
// the characters it covers, the others (a blank between family and given
// name, kana) kept; empty when there is no run.
QString phoneticReading(const QString& text, const std::vector<PhoneticRun>& runs);

// The readings gathered in `readings` as rows as long and wide as the
// sheet's; none when no cell has any.
void layOutReadings(const Grid& readings, WorkbookSheet& sheet);

} // namespace classdiv::workbook
