// Score bands, the distribution table and the items that draw it.

#include "common/Numbers.h"
#include "division/draw/DistributionTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace classdiv {
namespace {

using Strata = std::array<int16_t, 7>;
using Bands = std::array<int16_t, 6>; // TopTenthRank, B1 .. B5

// The table of students 1 .. N with (new class, score) in file order, filled into d.
DistributionTable distributionOf(const std::vector<std::pair<int, QString>>& students, DistributionTable d = {})
{
    auto table = std::make_unique<StudentTable>();
    table->lineCount = static_cast<int16_t>(students.size() + 1);
    std::vector<int16_t> classes{0};
    for (size_t e = 1; e <= students.size(); ++e) {
        table->records[e].score = students[e - 1].second;
        classes.push_back(static_cast<int16_t>(students[e - 1].first));
    }
    const Students year = typedStudents(*table);
    fillDistributionTable(year, scoreBands(year), classes, d);
    return d;
}

// Every student in class 1.
DistributionTable oneClassOf(const std::vector<QString>& scores)
{
    std::vector<std::pair<int, QString>> students;
    for (const QString& s : scores)
        students.push_back({1, s});
    return distributionOf(students);
}

Bands bandsOf(const DistributionTable& d)
{
    const auto& b = d.bands.boundaryPoints;
    return {d.bands.topTenthRank, b[1], b[2], b[3], b[4], b[5]};
}

TEST(DistributionTable, OneToHundredGivesTheSpreadBoundaryPoints)
{
    std::vector<std::pair<int, QString>> students;
    for (int s = 1; s <= 100; ++s)
        students.push_back({s % 4 + 1, QString::number(s)});
    const DistributionTable d = distributionOf(students);
    EXPECT_EQ(d.scoreTotal, 5050);
    EXPECT_FLOAT_EQ(d.overallAverage, 50.5f);
    EXPECT_EQ(bandsOf(d), (Bands{10, 91, 70, 50, 30, 11}));
    // 91 and up, 70-90, 50-69, 30-49, 11-29, 10 and below.
    EXPECT_EQ(d.stratumCounts[11], (Strata{0, 10, 21, 20, 20, 19, 10}));
    // Class 1 holds 4, 8, ... 100: 100 96 92 | 88 .. 72 | 68 .. 52 | 48 .. 32 | 28 .. 12 | 8 4
    EXPECT_EQ(d.stratumCounts[1], (Strata{0, 3, 5, 5, 5, 5, 2}));
    EXPECT_EQ(d.classHeadCount[1], 25);
    EXPECT_EQ(d.classScoreTotal[1], 1300);
    EXPECT_FLOAT_EQ(d.classAverageDifference[1], 1.5f);
    EXPECT_FLOAT_EQ(d.classAverageDifference[2], -1.5f); // 1, 5, ... 97: 49
    EXPECT_EQ(d.columnHeadings[1], QStringLiteral("91点"));
    EXPECT_EQ(d.columnHeadings[5], QStringLiteral("11点"));
}

TEST(DistributionTable, BoundaryPointsInOddYears)
{
    const struct {
        const char* what;
        std::vector<QString> scores; // all in class 1
        Bands bands;
        Strata strata;
    } cases[] = {
        // TopTenthRank 0: B1 is entry 0, so stratum 1 holds every score and
        // the scores from B5 up to B4 are counted again in stratum 5.
        {"five students", {"80", "70", "60", "50", "40"}, {0, 0, 30, 60, 90, 40}, {0, 5, 0, 0, 0, 5, 0}},
        {"all equal", std::vector<QString>(12, "70"), {1, 70, 70, 70, 70, 70}, {0, 12, 0, 0, 0, 0, 0}},
        // B1 comes from rounded scores (half to even), strata compare the score itself.
        {"84.5 against 85", {"85", "84.5", "60", "60", "60", "60", "60", "60", "60", "40"},
         {1, 85, 74, 63, 52, 60}, {0, 1, 1, 0, 7, 0, 1}},
        // B5 above B4: stratum 5 empty, a score from B4 up to B5 is in 4 and 6.
        {"skewed year with a score counted twice",
         {"100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100",
          "100", "100", "95", "90", "60", "-400"},
         {2, 100, 86, 72, 58, 90}, {0, 16, 2, 0, 1, 0, 2}},
    };
    for (const auto& c : cases) {
        const DistributionTable d = oneClassOf(c.scores);
        EXPECT_EQ(bandsOf(d), c.bands) << c.what;
        EXPECT_EQ(d.stratumCounts[1], c.strata) << c.what;
        EXPECT_EQ(d.stratumCounts[11], c.strata) << c.what;
    }
}

TEST(DistributionTable, TopTenthRankRoundsHalfToEven)
{
    for (auto [n, rank] : {std::pair{240, 24}, {245, 24}, {255, 26}, {15, 2}, {5, 0}, {500, 50}}) {
        std::vector<QString> scores;
        for (int e = 1; e <= n; ++e)
            scores.push_back(QString::number(e));
        const DistributionTable d = oneClassOf(scores);
        EXPECT_EQ(d.bands.topTenthRank, rank) << n << " students";
        // Scores 1 .. n: the r-th highest is n + 1 - r, and entry 0 is 0.
        EXPECT_EQ(d.bands.boundaryPoints[1], rank == 0 ? 0 : n + 1 - rank) << n << " students";
        EXPECT_EQ(d.bands.boundaryPoints[5], rank + 1) << n << " students";
    }
}

TEST(DistributionTable, AveragesRoundFromTheSingleValue)
{
    std::vector<std::pair<int, QString>> students(19, {1, "62"});
    students.push_back({1, "69"}); // 1247 / 20 = 62.35 is stored just below: 62.3
    students.insert(students.end(), 19, {2, "62"});
    students.push_back({2, "67"}); // 1245 / 20 = 62.25 is exact: half goes up, 62.3
    students.push_back({3, "80.5"}); // running sums: 80.5 -> 80, + 80.5 = 160.5 -> 160
    students.push_back({3, "80.5"});
    const DistributionTable d = distributionOf(students);
    EXPECT_EQ(d.classAverage[1], 62.3f);
    EXPECT_EQ(d.classAverage[2], 62.3f);
    EXPECT_EQ(d.classScoreTotal[3], 160);
    EXPECT_EQ(d.scoreTotal, 2652);
    EXPECT_EQ(d.overallAverage, 63.1f);
    EXPECT_EQ(d.classAverageDifference[1], -0.8f);
    EXPECT_EQ(d.classAverageDifference[3], 16.9f);
}

TEST(DistributionTable, OnlyTheClassesOneToTenHaveRows)
{
    // Every other class is in N and the average, in no class row and not in the whole row's strata.
    std::vector<std::pair<int, QString>> students;
    for (const int k : {1, 9, 10, 0, 11, 12, 100, -1})
        students.push_back({k, "50"});
    const DistributionTable d = distributionOf(students);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(d.classHeadCount[k], k == 1 || k == 9 || k == 10 ? 1 : 0) << "class " << k;
    EXPECT_EQ(d.stratumCounts[9], (Strata{0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d.stratumCounts[10], (Strata{0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d.stratumCounts[11][1], 3);
    EXPECT_EQ(d.scoreTotal, 400);
}

TEST(DistributionTable, ClassesWithoutStudentsKeepTheirLastDifference)
{
    DistributionTable d = distributionOf({{1, "60"}, {2, "80"}, {12, "100"}, {0, "0"}});
    EXPECT_EQ(d.overallAverage, 60.0f);
    EXPECT_EQ(d.classAverageDifference[2], 20.0f);

    d = distributionOf({{1, "60"}, {1, "80"}, {3, "100"}, {3, "0"}}, d);
    EXPECT_EQ(d.classHeadCount[2], 0);
    EXPECT_EQ(d.classAverage[2], 0.0f);
    EXPECT_EQ(d.classAverageDifference[2], 20.0f); // from the earlier press
    EXPECT_EQ(d.classAverageDifference[3], -10.0f);
    EXPECT_EQ(d.stratumCounts[2], Strata{});
}

TEST(DistributionTable, AYearOfFractionsRoundsEveryRunningSum)
{
    // 72.7 ten times: 73, 146, 219, ... 730; each sorted score rounds to 73,
    // so every boundary point is 73 and every 72.7 lies below them all.
    const DistributionTable d = oneClassOf(std::vector<QString>(10, "72.7"));
    EXPECT_EQ(d.scoreTotal, 730);
    EXPECT_EQ(d.classScoreTotal[1], 730);
    EXPECT_EQ(d.overallAverage, 73.0f);
    EXPECT_EQ(bandsOf(d), (Bands{1, 73, 73, 73, 73, 73}));
    EXPECT_EQ(d.stratumCounts[1], (Strata{0, 0, 0, 0, 0, 0, 10}));
}

TEST(DistributionTableItems, PositionsAndPrintForms)
{
    EXPECT_TRUE(distributionTableItems(DistributionTable{}, 40, false).empty()); // before the first press

    // Class 1: 85 and 72 (average 78.5), class 2: 60, class 4: 35. N = 4,
    // average 63: B1 = 0 (TopTenthRank 0), B2 = 31, B3 = 63, B4 = 95, B5 = 35.
    DistributionTable d = distributionOf({{1, "85"}, {2, "60"}, {1, "72"}, {4, "35"}});
    EXPECT_TRUE(distributionTableItems(d, 4, false).empty());
    d.classAverageDifference[7] = 0.5f; // left from an earlier press
    const std::vector<TableItem> items = distributionTableItems(d, 4, true);
    ASSERT_EQ(items.size(), 9u + 11u * 10u);
    const std::vector<TableItem> heading{
        {8, 4, "境界点"}, {25, 4, "0点"},   {37, 4, "31点"},  {49, 4, "63点"},  {61, 4, "95点"},
        {73, 4, "35点"},  {92, 4, "人数"}, {106, 4, "平均"}, {120, 4, "平均差"}};
    EXPECT_EQ(std::vector<TableItem>(items.begin(), items.begin() + 9), heading);
    const auto row = [&](int r) { return std::vector<TableItem>(items.begin() + 9 + 10 * (r - 1), items.begin() + 9 + 10 * r); };
    EXPECT_EQ(row(1), (std::vector<TableItem>{{20, 15, " 2 "}, {32, 15, " 0 "}, {44, 15, " 0 "}, {56, 15, " 0 "},
                                              {68, 15, " 2 "}, {80, 15, " 0 "}, {92, 15, " 2 "}, {105, 15, " 78.5 "},
                                              {122, 15, " 15.5 "}, {5, 15, "１組"}}));
    EXPECT_EQ(row(4)[8], (TableItem{122, 45, "-28 "}));
    EXPECT_EQ(row(7)[8], (TableItem{122, 75, " 0.5 "}));
    EXPECT_EQ(row(10)[9], (TableItem{5, 105, "10組"}));
    EXPECT_EQ(row(11)[7], (TableItem{105, 115, " 63 "}));
    EXPECT_EQ(row(11)[9], (TableItem{5, 115, "全体"}));
}

} // namespace
} // namespace classdiv
