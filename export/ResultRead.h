#pragma once
// A result file of this program read back, after a teacher moved students by
// hand in a spreadsheet: its class column becomes a draft of the year, once
// every row is checked against the CSV now loaded.
//
// The rows come in through readResultRows, as cells: those of a result CSV,
// or of the sheet 全員 of a result workbook, which holds the same rows.

#include "common/Message.h"
#include "division/drafts/DraftsFile.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace classdiv {

class Year;

struct ResultRows {
    std::vector<QStringList> rows; // the file's rows as cells, its heading row first
    std::optional<Message> failure; // the file could not be read
};

// The rows of a result CSV (CP932 or UTF-8, as the program writes them).
ResultRows readResultCsvRows(const QString& path);
// The rows of a result file: a workbook's sheet 全員 when the name is a
// workbook's, else the CSV's.
ResultRows readResultRows(const QString& path);

struct ResultDraftOutcome {
    std::optional<Draft> draft;     // the classes the file holds, under the name given
    std::optional<Message> refusal; // the rows that do not match, and nothing kept
    std::optional<Message> note;    // with a draft: rows in another order, students added or gone, names that differ
};

// Rows matched to the year's students by the keys of the drafts
// (division/drafts/StudentKeys.h): the identifier, as the result CSV writes
// it or as the roster holds it (the result workbook keeps the text); with the
// name where identifiers repeat; by the row only where that pair repeats too
// or is blank. The name is a check: a row of the same identifier and another
// name is taken and named in the note. Rows in another order (a sheet sorted
// by 新組) are taken as they are; a student with no row (new since the file
// was saved) stays unplaced, a row of a student gone is passed over, and the
// note says so. Each class must be one of the student's group's classes in
// the conditions (a student whose group changed stays unplaced); up to 20
// rows that break this are named and nothing is taken.
ResultDraftOutcome draftFromResultRows(const Year& year, const std::vector<QStringList>& rows, const QString& name);

inline constexpr int kResultRowsNamed = 20;

} // namespace classdiv
