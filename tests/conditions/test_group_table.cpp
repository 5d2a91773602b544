#include "conditions/GroupTable.h"

#include "conditions/ConditionsTestSupport.h"

#include <gtest/gtest.h>

#include <numeric>

namespace classdiv {
namespace {

using testing::Student;
using testing::tableOf;

// The identifiers (= file rows) of group g in ranked order.
std::vector<QString> rankedIds(const ConditionsWorkspace& ws, int g)
{
    std::vector<QString> ids;
    for (int r = 1; r <= ws.groupSize[g]; ++r)
        ids.push_back(ws.groupStudents[g][r].studentId);
    return ids;
}

std::vector<QString> ids(std::initializer_list<const char*> list)
{
    std::vector<QString> out;
    for (const char* id : list)
        out.push_back(QString::fromUtf8(id));
    return out;
}

TEST(Ranking, HighestFirstWithTheTieOrderTheDrawDependsOn)
{
    const struct {
        const char* name;
        std::vector<const char*> scores; // in file order; ids are 1, 2, 3, ...
        std::vector<QString> expected;
    } cases[] = {
        {"three equal", {"70", "70", "70"}, ids({"2", "1", "3"})},
        {"four equal", {"70", "70", "70", "70"}, ids({"3", "2", "1", "4"})},
        {"two equal keep file order", {"70", "70"}, ids({"1", "2"})},
        {"80 90 80", {"80", "90", "80"}, ids({"2", "1", "3"})},
        {"one student", {"55"}, ids({"1"})},
        {"already descending", {"90", "80", "70"}, ids({"1", "2", "3"})},
        {"ascending", {"10", "20", "30", "40"}, ids({"4", "3", "2", "1"})},
        {"letters and empty rank as 0", {"abc", "5", "", "-1"}, ids({"2", "3", "1", "4"})},
        {"a number followed by a letter counts", {"85A", "84", "86"}, ids({"3", "1", "2"})},
        {"fractions", {"70.5", "70", "71"}, ids({"3", "1", "2"})},
        {"full-width digits are no number", {"１００", "1"}, ids({"2", "1"})},
    };
    for (const auto& c : cases) {
        std::vector<Student> students;
        for (const char* score : c.scores)
            students.push_back({QStringLiteral("G"), QString::fromUtf8(score)});
        const LoadOutcome outcome = loadGroups(*tableOf(students));
        EXPECT_EQ(rankedIds(outcome.workspace, 1), c.expected) << c.name;

        // The free function gives the same order on its own rows.
        std::vector<StudentRecord> rows(1);
        for (size_t i = 0; i < students.size(); ++i)
            rows.push_back(StudentRecord{{}, QString::number(i + 1), {}, students[i].group, students[i].score});
        rankByScore(rows, static_cast<int>(students.size()));
        std::vector<QString> freeIds;
        for (size_t r = 1; r < rows.size(); ++r)
            freeIds.push_back(rows[r].studentId);
        EXPECT_EQ(freeIds, c.expected) << c.name;
    }
}

TEST(Ranking, EachRankedStudentKeepsItsOwnTableRow)
{
    // Identifiers repeat (a number within the old class): only the row tells them apart.
    auto table = tableOf({{"A", "60"}, {"B", "10"}, {"A", "90"}, {"A", "60"}, {"B", "20"}});
    table->records[1].studentId = table->records[3].studentId = table->records[4].studentId = QStringLiteral("7");
    const ConditionsWorkspace ws = loadGroups(*table).workspace;

    for (int g = 1; g <= ws.groupCount(); ++g) {
        ASSERT_EQ(ws.groupStudentRows[g].size(), ws.groupStudents[g].size());
        for (int r = 1; r <= ws.groupSize[g]; ++r) {
            const StudentRecord& own = table->records[ws.groupStudentRows[g][r]];
            EXPECT_EQ(ws.groupStudents[g][r].score, own.score);
            EXPECT_EQ(ws.groupStudents[g][r].group, own.group);
        }
    }
    EXPECT_EQ(ws.groupStudentRows[1], (std::vector<int16_t>{0, 3, 1, 4})); // 90, then the two 60s in file order
    EXPECT_EQ(ws.groupStudentRows[2], (std::vector<int16_t>{0, 5, 2}));
}

TEST(GroupScan, NumbersFollowTheSortedListAndValuesCompareExactly)
{
    const struct {
        const char* name;
        std::vector<const char*> groups; // in file order
        QStringList expectedNames;
        std::vector<int16_t> expectedSizes; // [1..]
    } cases[] = {
        {"text order, not numbers", {"2", "10", "1", "2"}, {"1", "10", "2"}, {1, 1, 2}},
        {"letter case differs", {"a", "A", "a"}, {"A", "a"}, {1, 2}},
        {"empty value is a group", {"x", "", "x", ""}, {"", "x"}, {2, 2}},
        {"no students: one empty group", {}, {""}, {0}},
        {"a trailing blank differs", {"音男", "音男 "}, {"音男", "音男 "}, {1, 1}},
        {"the example year's groups", {"音男", "音女", "美男", "美女", "書男", "書女"},
         {"書女", "書男", "美女", "美男", "音女", "音男"}, {1, 1, 1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        std::vector<Student> students;
        for (const char* group : c.groups)
            students.push_back({QString::fromUtf8(group), QStringLiteral("1")});
        const LoadOutcome outcome = loadGroups(*tableOf(students));
        const ConditionsWorkspace& ws = outcome.workspace;
        EXPECT_FALSE(outcome.refusal) << c.name;
        EXPECT_EQ(outcome.comboEntries, c.expectedNames) << c.name;
        ASSERT_EQ(ws.groupCount(), c.expectedNames.size()) << c.name;
        for (int g = 1; g <= ws.groupCount(); ++g) {
            EXPECT_EQ(ws.groupName[g], c.expectedNames[g - 1]) << c.name;
            EXPECT_EQ(ws.groupSize[g], c.expectedSizes[g - 1]) << c.name << " group " << g;
            for (int r = 1; r <= ws.groupSize[g]; ++r)
                EXPECT_EQ(ws.groupStudents[g][r].group, ws.groupName[g]) << c.name;
        }
        EXPECT_EQ(outcome.label10, QString::number(c.groups.size())) << c.name;
        EXPECT_EQ(outcome.label11, QString::number(c.expectedNames.size())) << c.name;
        for (const GroupCondition& condition : ws.conditions)
            EXPECT_EQ(condition, GroupCondition{}) << c.name;
    }
}

TEST(GroupScan, TablesBeyondTheCapacitiesAreRefusedWithAnEmptyWorkspace)
{
    auto groupsOf = [](int count) {
        std::vector<Student> students;
        for (int i = 0; i < count; ++i)
            students.push_back({QStringLiteral("g%1").arg(i), QStringLiteral("1")});
        return students;
    };
    const struct {
        const char* name;
        std::unique_ptr<StudentTable> table;
        bool refused;
        int groups;
    } cases[] = {
        {"300 groups fit", tableOf(groupsOf(300)), false, 300},
        {"301 groups", tableOf(groupsOf(301)), true, 1},
        {"500 students in one group fit", testing::tableOfSizes({{"A", 500}}), false, 1},
        {"more than 500 students", [] {
             auto table = testing::tableOfSizes({{"A", 500}});
             table->lineCount = 600; // as if the preview had counted more lines than the table holds
             return table;
         }(), true, 1},
    };
    for (const auto& c : cases) {
        const LoadOutcome outcome = loadGroups(*c.table);
        EXPECT_EQ(outcome.refusal.has_value(), c.refused) << c.name;
        EXPECT_EQ(outcome.workspace.groupCount(), c.groups) << c.name;
        EXPECT_EQ(outcome.comboEntries.size(), c.groups) << c.name;
        EXPECT_EQ(outcome.label11, QString::number(c.groups)) << c.name;
        if (c.refused) {
            EXPECT_EQ(outcome.refusal->title, titles::error) << c.name;
            EXPECT_FALSE(outcome.refusal->text.isEmpty()) << c.name;
            EXPECT_EQ(outcome.workspace.groupSize[1], 0) << c.name;
            EXPECT_EQ(outcome.label10, QStringLiteral("0")) << c.name;
        }
        // Every table has its slot 0 and one slot per group.
        EXPECT_EQ(outcome.workspace.conditions.size(), size_t(outcome.workspace.groupCount()) + 1) << c.name;
        EXPECT_EQ(outcome.workspace.groupStudents.size(), size_t(outcome.workspace.groupCount()) + 1) << c.name;
        const auto& sizes = outcome.workspace.groupSize;
        EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), 0), c.refused ? 0 : c.table->studentCount()) << c.name;
    }
}

} // namespace
} // namespace classdiv
