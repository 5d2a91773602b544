#pragma once
// The students of the CSV, twice: the import's table of texts, which the
// column reader fills and may fill again, and the year's students, typed
// once when the conditions window loads and never changed after.

#include "common/TextFile.h"

#include <QString>

#include <array>
#include <memory>
#include <cstdint>
#include <vector>

namespace classdiv {

struct Roster; // import/Roster.h

// The four chosen columns of one row of the CSV, exactly as the field reader returned them.
struct StudentRecord {
    QString studentId;
    QString name;  // may stay empty
    QString group;
    QString score; // as text

    bool operator==(const StudentRecord&) const = default;
};

inline constexpr int kStudentRows = 501; // row 0 = item names, so at most 500 students
inline constexpr int kMaxStudents = kStudentRows - 1;

// The import window's table: filled by the column reader, read when the
// conditions window loads.
struct StudentTable {
    std::array<StudentRecord, kStudentRows> records; // [0] the item names, [1 ..] the students
    // Rows of the CSV, the item names' row included, as the preview counted
    // them with the field reader: a line break inside a quoted cell starts no row.
    int16_t lineCount = 0;
    QString csvPath; // full name of the chosen CSV; names the conditions file too
    // Encoding of the CSV last previewed; the files written for it use the same.
    TextEncoding encoding = TextEncoding::Cp932;
    QString sheetName; // the sheet read when csvPath names a workbook
    // The roster as the preview read it; the rows above were read from it.
    std::shared_ptr<const Roster> roster;

    // lineCount - 1, never below 0.
    int studentCount() const { return lineCount > 1 ? lineCount - 1 : 0; }
};

// A student of the year: the texts of the four columns, and the score's
// numeric value, read once here and nowhere else.
struct Student {
    QString id;
    QString name;
    QString group;
    QString scoreText; // as the CSV holds it
    double score = 0;  // its numeric value: blanks ignored, the number at its start, 0 for none
};

// The students of the year in the CSV's order, with what every later step
// needs to know about the file they came from.
struct Students {
    StudentRecord itemNames;   // the CSV's first row: the headings of the four columns
    std::vector<Student> rows; // [row], row 1 .. count(); entry 0 unused
    QString csvPath;
    TextEncoding encoding = TextEncoding::Cp932;
    QString sheetName; // the sheet read when csvPath names a workbook
    // The roster the students were read from, every column of it; null for a
    // year made without a file (tests, benchmarks).
    std::shared_ptr<const Roster> roster;
    // Every score a whole number within 16 bits: rounding then changes
    // nothing, and running sums are plain integer sums.
    bool wholeScores = true;

    int count() const { return static_cast<int>(rows.size()) - 1; }
    const Student& operator[](int row) const { return rows[static_cast<size_t>(row)]; }
};

// Rows 1 .. studentCount() of the table, every score read once; at most
// kMaxStudents rows whatever lineCount says.
Students typedStudents(const StudentTable& table);

} // namespace classdiv
