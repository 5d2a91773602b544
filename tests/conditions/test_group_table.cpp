#include "conditions/GroupTable.h"
#include "division/Year.h"

#include "support/Years.h"

#include <gtest/gtest.h>

#include <numeric>

namespace classdiv {
namespace {

using testing::inGroup;
using testing::studentsOf;
using testing::tableOf;

TEST(Ranking, HighestFirstWithTheTieOrderTheDrawDependsOn)
{
    const struct {
        const char* name;
        std::vector<const char*> scores; // in file order; identifiers are 1, 2, 3, ...
        std::vector<int> expected;
    } cases[] = {
        {"three equal", {"70", "70", "70"}, {2, 1, 3}},
        {"four equal", {"70", "70", "70", "70"}, {3, 2, 1, 4}},
        {"two equal keep file order", {"70", "70"}, {1, 2}},
        {"80 90 80", {"80", "90", "80"}, {2, 1, 3}},
        {"ascending", {"10", "20", "30", "40"}, {4, 3, 2, 1}},
        {"letters and empty rank as 0", {"abc", "5", "", "-1"}, {2, 3, 1, 4}},
        {"a number followed by a letter counts, fractions too", {"85A", "84", "85.5"}, {3, 1, 2}},
        {"full-width digits are no number", {"１００", "1"}, {2, 1}},
    };
    for (const auto& c : cases) {
        std::vector<StudentRecord> students;
        for (const char* score : c.scores)
            students.push_back(inGroup(QStringLiteral("G"), QString::fromUtf8(score)));
        const Students year = studentsOf(students);
        const ConditionsWorkspace ws = loadGroups(year).workspace;
        std::vector<int16_t> rows(students.size() + 1);
        std::iota(rows.begin(), rows.end(), 0);
        rankByScore(rows, int(students.size()), year); // the same order when the rows alone are ranked
        for (size_t r = 1; r <= c.expected.size(); ++r) {
            EXPECT_EQ(ws.groupStudents[1][r], c.expected[r - 1]) << c.name << " rank " << r;
            EXPECT_EQ(rows[r], c.expected[r - 1]) << c.name << " rank " << r;
        }
    }
    std::vector<int16_t> two(3);
    const Students none = studentsOf({});
    EXPECT_NO_THROW(rankByScore(two, 0, none));
    EXPECT_THROW(rankByScore(two, 3, none), std::out_of_range);
    EXPECT_THROW(rankByScore(two, -1, none), std::out_of_range);
}

TEST(Ranking, EachRankedStudentKeepsItsOwnTableRow)
{
    // Identifiers repeat (a number within the old class): only the row tells them apart.
    const ConditionsWorkspace ws = loadGroups(studentsOf({{"7", "a", "A", "60"}, {"2", "b", "B", "10"}, {"7", "c", "A", "90"},
                                                         {"7", "d", "A", "60"}, {"5", "e", "B", "20"}}))
                                       .workspace;
    EXPECT_EQ(ws.groupStudents[1], (std::vector<int16_t>{0, 3, 1, 4})); // 90, then the 60s in file order
    EXPECT_EQ(ws.groupStudents[2], (std::vector<int16_t>{0, 5, 2}));
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
        {"one student", {"x"}, {"x"}, {1}},
        {"a trailing blank differs", {"音男", "音男 "}, {"音男", "音男 "}, {1, 1}},
    };
    for (const auto& c : cases) {
        std::vector<StudentRecord> students;
        for (const char* group : c.groups)
            students.push_back(inGroup(QString::fromUtf8(group), QStringLiteral("1")));
        const Students year = studentsOf(students);
        const LoadOutcome outcome = loadGroups(year);
        const ConditionsWorkspace& ws = outcome.workspace;
        EXPECT_FALSE(outcome.refusal) << c.name;
        EXPECT_EQ(outcome.listEntries, c.expectedNames) << c.name;
        EXPECT_EQ(outcome.studentCountText, QString::number(c.groups.size())) << c.name;
        EXPECT_EQ(outcome.groupCountText, QString::number(c.expectedNames.size())) << c.name;
        ASSERT_EQ(ws.groupCount(), c.expectedNames.size()) << c.name;
        for (int g = 1; g <= ws.groupCount(); ++g) {
            EXPECT_EQ(ws.groupName[g], c.expectedNames[g - 1]) << c.name;
            EXPECT_EQ(ws.groupSize[g], c.expectedSizes[g - 1]) << c.name << " group " << g;
            for (int r = 1; r <= ws.groupSize[g]; ++r)
                EXPECT_EQ(year[ws.groupStudents[g][r]].group, ws.groupName[g]) << c.name;
        }
    }
}

TEST(GroupScan, TablesBeyondTheCapacitiesAreRefusedWithAnEmptyWorkspace)
{
    // students spread over the given number of groups; lineCount > 501 as if
    // the preview had counted more lines than the table holds
    const auto tableOfGroups = [](int students, int groups, int lineCount = 0) {
        std::vector<StudentRecord> list;
        for (int i = 0; i < students; ++i)
            list.push_back(inGroup(QStringLiteral("g%1").arg(i % groups), QStringLiteral("1")));
        auto table = tableOf(list);
        if (lineCount)
            table->lineCount = static_cast<int16_t>(lineCount);
        return table;
    };
    const struct {
        const char* name;
        std::unique_ptr<StudentTable> table;
        int groups; // 0: refused
    } cases[] = {
        {"300 groups of 500 students fit", tableOfGroups(500, 300), 300},
        {"301 groups", tableOfGroups(301, 301), 0},
        {"more than 500 students", tableOfGroups(500, 1, 600), 0},
    };
    for (const auto& c : cases) {
        const Year year(*c.table); // the load step
        const auto& sizes = year.workspace().groupSize;
        const Year::Loaded& loaded = year.loaded();
        EXPECT_EQ(loaded.refusal.has_value(), c.groups == 0) << c.name;
        EXPECT_EQ(year.workspace().groupCount(), std::max(c.groups, 1)) << c.name;
        EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), 0), c.groups ? c.table->studentCount() : 0) << c.name;
        EXPECT_EQ(year.students().count(), c.groups ? c.table->studentCount() : 0) << c.name;
        if (c.groups == 0) {
            EXPECT_EQ(loaded.refusal->title, titles::error) << c.name;
            EXPECT_EQ(loaded.studentCountText, QStringLiteral("0")) << c.name;
        }
    }
}

} // namespace
} // namespace classdiv
