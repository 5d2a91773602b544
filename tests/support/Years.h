#pragma once
// Years of students built directly, as the core tests need them: a student
// table, a conditions workspace, the boxes of an entry, and a year laid out
// for the draw with known ranks.

#include "conditions/ConditionsEntry.h"
#include "conditions/GroupTable.h"
#include "import/StudentTable.h"

#include <QString>

#include <memory>
#include <ostream>
#include <utility>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace classdiv::testing {

// A table whose rows 1.. are the given students; an empty identifier becomes the row number.
inline std::unique_ptr<StudentTable> tableOf(const std::vector<StudentRecord>& students, const StudentRecord& items = {})
{
    auto table = std::make_unique<StudentTable>();
    table->records[0] = items;
    table->lineCount = static_cast<int16_t>(students.size() + 1);
    for (size_t row = 1; row <= students.size(); ++row) {
        table->records[row] = students[row - 1];
        if (table->records[row].studentId.isEmpty())
            table->records[row].studentId = QString::number(row);
    }
    return table;
}
inline StudentRecord inGroup(const QString& group, const QString& score) { return {{}, {}, {}, group, score}; }
inline StudentRecord inClass(const QString& newClass, const QString& score) { return {newClass, {}, {}, {}, score}; }

// A workspace of groups of the given sizes.
inline ConditionsWorkspace workspaceOfSizes(const std::vector<std::pair<QString, int>>& sizes)
{
    std::vector<StudentRecord> students;
    for (const auto& [group, size] : sizes)
        students.insert(students.end(), size, inGroup(group, QStringLiteral("50")));
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

struct GroupOfYear {
    QString name;
    int size = 0;
    std::vector<std::pair<int, int>> plan; // (class number, head count) for rows 1 ..
};

// A year as the conditions window holds it, groups numbered in the given
// order. Students are spread over the file round robin, so group order and
// file order differ; rank w has the score 1000 - w (or scores[g - 1][w - 1],
// high to low) and the identifier "<g>-<w>", or just "<w>" with sharedIds
// (numbers within the old class repeat).
struct DivisionYear {
    std::unique_ptr<StudentTable> table = std::make_unique<StudentTable>();
    ConditionsWorkspace ws;

    explicit DivisionYear(const std::vector<GroupOfYear>& groups, bool sharedIds = false,
                          const std::vector<std::vector<int>>& scores = {})
    {
        const size_t slotCount = groups.size() + 1;
        ws.lastGroupIndex = static_cast<int16_t>(groups.size() - 1);
        ws.groupName.assign(slotCount, QString());
        ws.groupSize.assign(slotCount, 0);
        ws.groupStudents.assign(slotCount, std::vector<StudentRecord>(1));
        ws.groupStudentRows.assign(slotCount, std::vector<int16_t>(1, 0));
        ws.conditions.assign(slotCount, GroupCondition{});
        int row = 0;
        for (int w = 1;; ++w) {
            const int before = row;
            for (size_t g = 1; g < slotCount; ++g) {
                if (w > groups[g - 1].size)
                    continue;
                const QString id = sharedIds ? QString::number(w) : QStringLiteral("%1-%2").arg(g).arg(w);
                const StudentRecord record{{}, id, QStringLiteral("生徒%1").arg(row + 1), groups[g - 1].name,
                                           QString::number(g <= scores.size() ? scores[g - 1][w - 1] : 1000 - w)};
                table->records[++row] = record;
                ws.groupStudents[g].push_back(record);
                ws.groupStudentRows[g].push_back(static_cast<int16_t>(row));
            }
            if (row == before)
                break;
        }
        table->lineCount = static_cast<int16_t>(row + 1);
        for (size_t g = 1; g < slotCount; ++g) {
            ws.groupName[g] = groups[g - 1].name;
            ws.groupSize[g] = static_cast<int16_t>(groups[g - 1].size);
            setPlan(g, groups[g - 1].plan);
        }
    }

    void setPlan(int g, const std::vector<std::pair<int, int>>& plan)
    {
        GroupCondition& c = ws.conditions[g];
        c.classCount = static_cast<int16_t>(plan.size());
        for (size_t k = 0; k < plan.size(); ++k)
            c.rows[k + 1] = {static_cast<int16_t>(plan[k].first), static_cast<int16_t>(plan[k].second), 0};
    }

    // The new class of the student at rank w of group g, read from its own row.
    QString newClassOf(int g, int w) const { return table->records[ws.groupStudentRows[g][w]].newClass; }
};

// Numbers that make the draw pick the given slots of a block of blockSize.
inline std::vector<float> numbersForSlots(const std::vector<int>& wanted, int blockSize)
{
    std::vector<float> numbers;
    for (int slot : wanted)
        numbers.push_back((static_cast<float>(slot) - 0.5f) / static_cast<float>(blockSize));
    return numbers;
}

} // namespace classdiv::testing
