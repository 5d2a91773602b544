#include "import/StudentTable.h"

#include "common/Numbers.h"

#include <algorithm>

namespace classdiv {

Students typedStudents(const StudentTable& table)
{
    Students students;
    students.itemNames = table.records[0];
    students.csvPath = table.csvPath;
    students.encoding = table.encoding;
    students.sheetName = table.sheetName;
    students.roster = table.roster;
    const int n = std::min(table.studentCount(), kMaxStudents);
    students.rows.resize(static_cast<size_t>(n) + 1);
    for (int row = 1; row <= n; ++row) {
        const StudentRecord& record = table.records[row];
        Student& student = students.rows[row];
        student.id = record.studentId;
        student.name = record.name;
        student.group = record.group;
        student.scoreText = record.score;
        student.score = textValue(record.score);
        students.wholeScores &= student.score >= -32768.0 && student.score <= 32767.0 &&
                                static_cast<double>(static_cast<int>(student.score)) == student.score;
    }
    return students;
}

} // namespace classdiv
