#pragma once
// The papers of the first day: the posted list of each new class (出席番号
// and name only, in large type, one A4 page a class), the numbers as a CSV
// of their own beside the file the teacher chose, and the numbers in the
// result workbook. No score, note, mark or draft name is ever on them.

#include "common/Message.h"
#include "conditions/CurrentCsv.h"
#include "division/lists/AttendanceNumbers.h"
#include "division/lists/ClassRoster.h"
#include "export/ResultWorkbook.h"

#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

// The page in millimetres, portrait A4; a class over kRowsPerColumn
// students takes two columns, one over twice that goes on to another page.
struct PostedGeometry {
    static constexpr double width = 210;
    static constexpr double height = 297;
    static constexpr double margin = 18;
    static constexpr double titleHeight = 26;
    static constexpr double rowArea = height - 2 * margin - titleHeight;
    static constexpr double largestRow = 13;
    static constexpr int rowsPerColumn = 45;
};

struct PostedEntry {
    int number = 0;
    QString name;
};
struct PostedPage {
    QString title; // "１組", or "１組（2/2）" over two pages
    std::vector<std::vector<PostedEntry>> columns; // one or two
    double rowHeight = PostedGeometry::largestRow;
};

// A page a class in use, classes in order, students in number order. With
// no name column the identifier stands for the name.
std::vector<PostedPage> postedPages(const Students& students, const std::vector<int16_t>& classes,
                                    const AttendanceNumbers& numbers);

// The columns a reading may come from: the names themselves first, then the
// roster's columns, then the furigana the workbook keeps with the names.
struct ReadingSource {
    QString label;                 // as the dialog lists it
    QString heading;               // as messages name it
    std::vector<QString> values;   // [row]
};
struct PostedListsView {
    std::optional<Message> message; // the roster could not be read again: the names alone are offered
    std::vector<ReadingSource> sources;
    int reading = 0;      // the source chosen at first: furigana of the workbook, a column named as a reading, or the names
    int sexColumn = -1;   // the source of a column named 性別 (or 男女), -1 when none
};
inline const QString kWorkbookFurigana = QStringLiteral("ふりがな (ブックから)");
PostedListsView postedListsView(const Students& students, const CurrentCsv& csv);

// "<folder>/<name>_出席番号.csv" beside the chosen "<folder>/<name>.pdf".
QString numbersFilePath(const QString& chosenPdf);
// Identifier, name, new class and 出席番号 of every student in the roster's
// row order, in the roster's encoding (UTF-8 with its mark, or CP932).
struct NumbersFileContent {
    std::optional<QByteArray> bytes;
    int unencodableRow = -1;
};
NumbersFileContent formatNumbersFile(const Students& students, const std::vector<int16_t>& classes,
                                     const AttendanceNumbers& numbers);

// The sheet 出席番号 (the rows of the numbers file) after the others, and the
// number as the last column of every class sheet.
void addAttendanceNumbers(std::vector<ResultSheet>& sheets, const Students& students,
                          const std::vector<int16_t>& classes, RosterOrder order, const AttendanceNumbers& numbers);

} // namespace classdiv
