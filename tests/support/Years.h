#pragma once
// Years of students built directly, as the core tests need them: a student
// table, students with their classes, a conditions workspace, the boxes of
// an entry, a year laid out for the draw with known ranks, and random years.

#include "conditions/ConditionsEntry.h"
#include "conditions/GroupTable.h"
#include "division/Year.h"
#include "import/StudentTable.h"
#include "support/ScriptedRandom.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
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
inline Students studentsOf(const std::vector<StudentRecord>& students, const StudentRecord& items = {})
{
    return typedStudents(*tableOf(students, items));
}
inline StudentRecord inGroup(const QString& group, const QString& score) { return {{}, {}, group, score}; }

// A student with the class a draw gave it (0: no class), as the class lists
// and the result file see it.
struct Placed {
    int newClass = 0;
    StudentRecord record;
};
struct PlacedYear {
    Students students;
    std::vector<int16_t> classes; // [row]; entry 0 unused
};
inline PlacedYear placedYear(const std::vector<Placed>& placed, const StudentRecord& items = {})
{
    std::vector<StudentRecord> records;
    PlacedYear year;
    year.classes.push_back(0);
    for (const Placed& p : placed) {
        records.push_back(p.record);
        year.classes.push_back(static_cast<int16_t>(p.newClass));
    }
    year.students = studentsOf(records, items);
    return year;
}

// A workspace of groups of the given sizes.
inline ConditionsWorkspace workspaceOfSizes(const std::vector<std::pair<QString, int>>& sizes)
{
    std::vector<StudentRecord> students;
    for (const auto& [group, size] : sizes)
        students.insert(students.end(), size, inGroup(group, QStringLiteral("50")));
    return loadGroups(studentsOf(students)).workspace;
}

// (class number, head count) box texts of plan rows 1, 2, ...
using Rows = std::vector<std::pair<const char*, const char*>>;

inline ConfirmEntryInput entryOf(int listPosition, const Rows& rows)
{
    ConfirmEntryInput input{listPosition, {}, {}};
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
    Students students;
    ConditionsWorkspace ws;
    std::vector<int16_t> classes; // the draw, once there is one

    explicit DivisionYear(const std::vector<GroupOfYear>& groups, bool sharedIds = false,
                          const std::vector<std::vector<double>>& scores = {})
    {
        const size_t slotCount = groups.size() + 1;
        ws.lastGroupIndex = static_cast<int16_t>(groups.size() - 1);
        ws.groupName.assign(slotCount, QString());
        ws.groupSize.assign(slotCount, 0);
        ws.groupStudents.assign(slotCount, std::vector<int16_t>(1, 0));
        ws.conditions.assign(slotCount, GroupCondition{});
        std::vector<StudentRecord> records;
        for (int w = 1;; ++w) {
            const size_t before = records.size();
            for (size_t g = 1; g < slotCount; ++g) {
                if (w > groups[g - 1].size)
                    continue;
                const QString id = sharedIds ? QString::number(w) : QStringLiteral("%1-%2").arg(g).arg(w);
                const double score = g <= scores.size() ? scores[g - 1][w - 1] : 1000 - w;
                records.push_back({id, QStringLiteral("生徒%1").arg(records.size() + 1), groups[g - 1].name,
                                   QString::number(score)});
                ws.groupStudents[g].push_back(static_cast<int16_t>(records.size()));
            }
            if (records.size() == before)
                break;
        }
        students = studentsOf(records);
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

    // The class of the student at rank w of group g, read from its own row.
    int newClassOf(int g, int w) const { return classAt(classes, ws.groupStudents[g][w]); }
    // The year as the windows hold it, with these groups and conditions.
    Year year() const { return Year(students, ws); }
};

// Deterministic numbers for building years (not for the division itself).
class YearNumbers {
public:
    explicit YearNumbers(uint64_t seed) : m_state(seed * 2862933555777941757ULL + 3037000493ULL) {}
    uint32_t next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(m_state >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    // Roughly normal scores, clamped to 0 .. 100, ranked high to low.
    std::vector<int> scores(int count, double mean, double spread)
    {
        std::vector<int> out;
        for (int i = 0; i < count; ++i) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += (next() % 10000) / 10000.0;
            out.push_back(std::clamp(static_cast<int>(std::lround(mean + (sum - 2.0) * spread * 1.73)), 0, 100));
        }
        std::sort(out.begin(), out.end(), std::greater<>());
        return out;
    }

private:
    uint64_t m_state;
};

// A random year: 1 to 6 groups of 1 to 120 students (500 at most in all), each over 1 to 10
// distinct classes (at times 11 or 12, which the table has no row for) with
// random positive head counts; every other year has scores with tenths.
inline DivisionYear randomYear(uint64_t seed)
{
    YearNumbers numbers(seed);
    std::vector<GroupOfYear> groups(1 + numbers.below(6));
    std::vector<std::vector<double>> scores;
    for (size_t g = 0; g < groups.size(); ++g) {
        const int size = 1 + numbers.below(std::min<int>(120, 500 / groups.size())), classes = 1 + numbers.below(std::min(size, 10));
        std::vector<int> numbersOfClasses{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        for (int i = 11; i > 0; --i)
            std::swap(numbersOfClasses[i], numbersOfClasses[numbers.below(i + 1)]);
        std::vector<int> heads(classes, 1);
        for (int left = size - classes; left > 0; --left)
            ++heads[numbers.below(classes)];
        groups[g] = {QStringLiteral("R%1").arg(g + 1), size, {}};
        for (int k = 0; k < classes; ++k)
            groups[g].plan.emplace_back(numbersOfClasses[k], heads[k]);
        const std::vector<int> whole = numbers.scores(size, 40 + numbers.below(40), 5 + numbers.below(20));
        scores.emplace_back(whole.begin(), whole.end());
        for (double& score : scores.back()) // every other year has tenths
            score += seed % 2 ? numbers.below(10) / 10.0 : 0.0;
    }
    return DivisionYear(groups, false, scores);
}

// Plenty of well spread numbers for the draw, so that a press's blocks always fill.
inline ScriptedRandom plentyOfNumbers(uint64_t seed)
{
    YearNumbers source(seed);
    std::vector<float> list(10007);
    for (float& x : list)
        x = static_cast<float>(source.next() % 16777216) / 16777216.0f;
    return ScriptedRandom(list);
}

// Numbers that make the draw pick the given slots of a block of blockSize.
inline std::vector<float> numbersForSlots(const std::vector<int>& wanted, int blockSize)
{
    std::vector<float> numbers;
    for (int slot : wanted)
        numbers.push_back((static_cast<float>(slot) - 0.5f) / static_cast<float>(blockSize));
    return numbers;
}

} // namespace classdiv::testing
