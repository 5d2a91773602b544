#pragma once
// A year of students built directly as the conditions window holds it.

#include "conditions/GroupTable.h"
#include "import/StudentTable.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace classdiv::testing {

struct GroupOfYear {
    QString name;
    int size = 0;
    std::vector<std::pair<int, int>> plan; // (class number, head count) for rows 1 ..
};

// Students are spread over the file round robin, so group order and file
// order differ; within a group rank w has the score 1000 - w unless a score
// function is given. Identifiers are "<group>-<rank>" unless idOf says else.
struct DivisionYear {
    std::unique_ptr<StudentTable> table = std::make_unique<StudentTable>();
    ConditionsWorkspace ws;

    template <typename ScoreOf, typename IdOf>
    DivisionYear(const std::vector<GroupOfYear>& groups, ScoreOf scoreOf, IdOf idOf)
    {
        const int count = static_cast<int>(groups.size());
        ws.lastGroupIndex = static_cast<int16_t>(count - 1);
        ws.groupName.assign(count + 1, QString());
        ws.groupSize.assign(count + 1, 0);
        ws.groupStudents.assign(count + 1, std::vector<StudentRecord>(1));
        ws.groupStudentRows.assign(count + 1, std::vector<int16_t>(1, 0));
        ws.conditions.assign(count + 1, GroupCondition{});
        int row = 0;
        bool more = true;
        for (int w = 1; more; ++w) {
            more = false;
            for (int g = 1; g <= count; ++g) {
                const GroupOfYear& given = groups[g - 1];
                if (w > given.size)
                    continue;
                more = true;
                StudentRecord record{QString(), idOf(g, w), QStringLiteral("生徒%1").arg(row + 1), given.name,
                                     scoreOf(g, w)};
                table->records[++row] = record;
                ws.groupStudents[g].push_back(record);
                ws.groupStudentRows[g].push_back(static_cast<int16_t>(row));
            }
        }
        table->lineCount = static_cast<int16_t>(row + 1);
        for (int g = 1; g <= count; ++g) {
            const GroupOfYear& given = groups[g - 1];
            ws.groupName[g] = given.name;
            ws.groupSize[g] = static_cast<int16_t>(given.size);
            setPlan(g, given.plan);
        }
    }

    explicit DivisionYear(const std::vector<GroupOfYear>& groups)
        : DivisionYear(
              groups, [](int, int w) { return QString::number(1000 - w); },
              [](int g, int w) { return QStringLiteral("%1-%2").arg(g).arg(w); })
    {
    }

    void setPlan(int g, const std::vector<std::pair<int, int>>& plan)
    {
        GroupCondition& c = ws.conditions[g];
        c.classCount = static_cast<int16_t>(plan.size());
        for (size_t k = 0; k < plan.size(); ++k) {
            c.rows[k + 1].classNumber = static_cast<int16_t>(plan[k].first);
            c.rows[k + 1].headCount = static_cast<int16_t>(plan[k].second);
        }
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
