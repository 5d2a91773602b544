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

// A table whose rows 1..N are the given students (identifier = row number).
inline std::unique_ptr<StudentTable> tableOf(const std::vector<Student>& students)
{
    auto table = std::make_unique<StudentTable>();
    table->lineCount = static_cast<int16_t>(students.size() + 1);
    for (size_t row = 1; row <= students.size(); ++row)
        table->records[row] = StudentRecord{{}, QString::number(row), QStringLiteral("生徒%1").arg(row),
                                            students[row - 1].group, students[row - 1].score};
    return table;
}

// A workspace of groups of the given sizes.
inline ConditionsWorkspace workspaceOfSizes(const std::vector<std::pair<QString, int>>& sizes)
{
    std::vector<Student> students;
    for (const auto& [group, size] : sizes)
        students.insert(students.end(), size, Student{group, QStringLiteral("50")});
    return loadGroups(*tableOf(students)).workspace;
}

// (class number, head count) box texts of plan rows 1, 2, ...
using Rows = std::vector<std::pair<const char*, const char*>>;

inline ConfirmEntryInput entryOf(int comboPosition, const Rows& rows, const QString& csvPath)
{
    ConfirmEntryInput input{comboPosition, {}, {}, csvPath};
    for (size_t i = 0; i < rows.size(); ++i) {
        input.classNumbers[i + 1] = QString::fromUtf8(rows[i].first);
        input.headCounts[i + 1] = QString::fromUtf8(rows[i].second);
    }
    return input;
}

} // namespace classdiv::testing
