#pragma once
// The program-wide student data: one instance for the whole run.

#include "common/TextFile.h"

#include <QString>

#include <array>
#include <cstdint>

namespace classdiv {

struct StudentRecord {
    QString newClass;  // column 0: written by every draw; row 0 by the save
    QString studentId; // column 1
    QString name;      // column 2 (may stay empty)
    QString group;     // column 3
    QString score;     // column 4, as text

    bool operator==(const StudentRecord&) const = default;
};

inline constexpr int kStudentRows = 501;  // row 0 = item names, so at most 500 students
inline constexpr int kMaxStudents = kStudentRows - 1;

struct StudentTable {
    std::array<StudentRecord, kStudentRows> records;
    // Rows of the CSV, the item names' row included, as the preview counted
    // them with the field reader: a line break inside a quoted cell starts no row.
    int16_t lineCount = 0;
    QString csvPath;       // full name of the chosen CSV; names the conditions file too
    QString resultPath;    // name chosen in the save dialog
    // Encoding of the CSV last previewed; the files written for it use the same.
    TextEncoding encoding = TextEncoding::Cp932;

    // lineCount - 1, never below 0.
    int studentCount() const { return lineCount > 1 ? lineCount - 1 : 0; }
};

// The shared module: owns the student table for the whole run.
struct Module1 {
    StudentTable students;
};

} // namespace classdiv
