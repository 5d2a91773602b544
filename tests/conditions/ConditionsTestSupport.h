#pragma once
// Student tables and workspaces built directly, for the conditions tests.

#include "conditions/ConditionsEntry.h"
#include "conditions/GroupTable.h"
#include "import/StudentTable.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace classdiv::testing {

struct Student {
    QString group;
    QString score;
};

// A table whose rows 1..N are the given students (identifier = row number as text).
inline std::unique_ptr<StudentTable> tableOf(const std::vector<Student>& students)
{
    auto table = std::make_unique<StudentTable>();
    table->lineCount = static_cast<int16_t>(students.size() + 1);
    table->records[0] = StudentRecord{{}, QStringLiteral("番号"), QStringLiteral("氏名"), QStringLiteral("グループ"),
                                      QStringLiteral("点数")};
    for (size_t i = 0; i < students.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        table->records[row] = StudentRecord{{}, QString::number(row), QStringLiteral("生徒%1").arg(row),
                                            students[i].group, students[i].score};
    }
    return table;
}

// A table with groups of the given sizes, the students of each group in a row.
inline std::unique_ptr<StudentTable> tableOfSizes(const std::vector<std::pair<QString, int>>& sizes)
{
    std::vector<Student> students;
    for (const auto& [group, size] : sizes)
        for (int i = 0; i < size; ++i)
            students.push_back({group, QString::number(50 + i)});
    return tableOf(students);
}

inline ConditionsWorkspace workspaceOfSizes(const std::vector<std::pair<QString, int>>& sizes)
{
    return loadGroups(*tableOfSizes(sizes)).workspace;
}

// (class number, head count) box texts of plan rows 1, 2, ...
using Rows = std::vector<std::pair<const char*, const char*>>;

inline ConfirmEntryInput entryOf(int comboPosition, const Rows& rows, const QString& csvPath)
{
    ConfirmEntryInput input;
    input.comboPosition = comboPosition;
    input.csvPath = csvPath;
    for (size_t i = 0; i < rows.size(); ++i) {
        input.classNumbers[i + 1] = QString::fromUtf8(rows[i].first);
        input.headCounts[i + 1] = QString::fromUtf8(rows[i].second);
    }
    return input;
}

} // namespace classdiv::testing
