// Score bands, the distribution table and the items that draw it.

#include "common/Numbers.h"
#include "division/DistributionTable.h"
#include "division/ScoreValue.h"


#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace classdiv {
namespace {

// Students 1 .. N with (newClass, score) in file order.
std::unique_ptr<StudentTable> tableOf(const std::vector<std::pair<QString, QString>>& students)
{
    auto table = std::make_unique<StudentTable>();
    table->lineCount = static_cast<int16_t>(students.size() + 1);
    for (size_t e = 0; e < students.size(); ++e) {
        table->records[e + 1].studentId = QString::number(e + 1);
        table->records[e + 1].newClass = students[e].first;
        table->records[e + 1].score = students[e].second;
    }
    return table;
}

std::array<int16_t, 6> bandsOf(const DistributionTable& d)
{
    const auto& b = d.bands.boundaryPoints;
    return {d.bands.topTenthRank, b[1], b[2], b[3], b[4], b[5]};
}

std::array<int16_t, 7> strataOfRow(const DistributionTable& d, int row) { return d.stratumCounts[row]; }

TEST(DistributionTable, OneToHundredGivesTheSpreadBoundaryPoints)
{
    std::vector<std::pair<QString, QString>> students;
    for (int s = 1; s <= 100; ++s)
        students.push_back({QString::number(s % 4 + 1), QString::number(s)});
    const auto table = tableOf(students);
    DistributionTable d;
    fillDistributionTable(*table, d);

    EXPECT_EQ(d.scoreTotal, 5050);
    EXPECT_FLOAT_EQ(d.overallAverage, 50.5f);
    EXPECT_EQ(bandsOf(d), (std::array<int16_t, 6>{10, 91, 70, 50, 30, 11}));
    // 91 and up, 70-90, 50-69, 30-49, 11-29, 10 and below.
    EXPECT_EQ(strataOfRow(d, 11), (std::array<int16_t, 7>{0, 10, 21, 20, 20, 19, 10}));
    // Class 1 holds 4, 8, ... 100: 100 96 92 | 88 .. 72 | 68 .. 52 | 48 .. 32 | 28 .. 12 | 8 4
    EXPECT_EQ(strataOfRow(d, 1), (std::array<int16_t, 7>{0, 3, 5, 5, 5, 5, 2}));
    EXPECT_EQ(d.classHeadCount[1], 25);
    EXPECT_EQ(d.classScoreTotal[1], 1300);
    EXPECT_FLOAT_EQ(d.classAverage[1], 52.0f);
    EXPECT_FLOAT_EQ(d.classAverageDifference[1], 1.5f);
    EXPECT_FLOAT_EQ(d.classAverage[2], 49.0f); // 1, 5, ... 97
    EXPECT_FLOAT_EQ(d.classAverageDifference[2], -1.5f);
    EXPECT_EQ(d.columnHeadings[1], QStringLiteral("91点"));
    EXPECT_EQ(d.columnHeadings[5], QStringLiteral("11点"));
    for (int r = 1; r <= 100; ++r)
        ASSERT_EQ(d.bands.sortedScores[r], 101 - r);
}

TEST(DistributionTable, BoundaryPointsInOddYears)
{
    struct Case {
        const char* what;
        std::vector<QString> scores; // all in class 1
        std::array<int16_t, 6> bands;      // TopTenthRank, B1 .. B5
        std::array<int16_t, 7> strata;     // of class 1
    };
    const Case cases[] = {
        // TopTenthRank 0: B1 is entry 0, so stratum 1 holds every score and
        // the scores from B5 up to B4 are counted again in stratum 5.
        {"five students", {"80", "70", "60", "50", "40"}, {0, 0, 30, 60, 90, 40}, {0, 5, 0, 0, 0, 5, 0}},
        {"all equal", std::vector<QString>(12, "70"), {1, 70, 70, 70, 70, 70}, {0, 12, 0, 0, 0, 0, 0}},
        // B1 comes from rounded scores, strata compare the score itself.
        {"84.5 against 85", {"85", "84.5", "60", "60", "60", "60", "60", "60", "60", "40"},
         {1, 85, 74, 63, 52, 60}, {0, 1, 1, 0, 7, 0, 1}},
        // B5 above B4: stratum 5 empty, a score from B4 up to B5 is in 4 and 6.
        {"skewed year", {"100", "100", "100", "100", "100", "100", "100", "100", "100", "0"},
         {1, 100, 95, 90, 85, 100}, {0, 9, 0, 0, 0, 0, 1}},
        {"skewed year with a score counted twice",
         {"100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100", "100",
          "100", "100", "95", "90", "60", "-400"},
         {2, 100, 86, 72, 58, 90}, {0, 16, 2, 0, 1, 0, 2}},
        {"a negative boundary point", {"-5", "-5", "-5", "-5", "-5", "-5"}, {1, -5, -5, -5, -5, -5}, {0, 6, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<QString, QString>> students;
        for (const QString& s : c.scores)
            students.push_back({"1", s});
        const auto table = tableOf(students);
        DistributionTable d;
        fillDistributionTable(*table, d);
        EXPECT_EQ(bandsOf(d), c.bands);
        EXPECT_EQ(strataOfRow(d, 1), c.strata);
        EXPECT_EQ(strataOfRow(d, 11), c.strata);
        EXPECT_EQ(d.columnHeadings[1], QString::number(c.bands[1]) + u'点');
    }
}

TEST(DistributionTable, TopTenthRankRoundsHalfToEven)
{
    for (auto [n, rank] : {std::pair{240, 24}, {245, 24}, {255, 26}, {15, 2}, {4, 0}, {5, 0}, {25, 2}, {500, 50}}) {
        std::vector<std::pair<QString, QString>> students;
        for (int e = 1; e <= n; ++e)
            students.push_back({"1", QString::number(e)});
        const auto table = tableOf(students);
        DistributionTable d;
        fillDistributionTable(*table, d);
        EXPECT_EQ(d.bands.topTenthRank, rank) << n << " students";
        // Scores 1 .. n: the r-th highest is n + 1 - r, and entry 0 is 0.
        EXPECT_EQ(d.bands.boundaryPoints[1], rank == 0 ? 0 : n + 1 - rank) << n << " students";
        EXPECT_EQ(d.bands.boundaryPoints[5], rank + 1) << n << " students";
    }
}

TEST(DistributionTable, SortedScoresAreTheRoundedScoresFromHighToLow)
{
    struct Case {
        const char* what;
        std::vector<QString> scores;
        std::vector<int16_t> sorted;
    };
    const Case cases[] = {
        {"halves go to the even neighbour", {"84.5", "85.5", "-0.5", "-1.5", "2.5"}, {86, 84, 2, 0, -2}},
        {"equal and negative scores", {"3", "-7", "3", "0", "-7", "12"}, {12, 3, 3, 0, -7, -7}},
        {"a range wider than a school's", {"32000", "-32000", "5", "5", "-1"}, {32000, 5, 5, -1, -32000}},
        {"letters count as 0", {"abc", "", "40点", "７０"}, {40, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<QString, QString>> students;
        for (const QString& s : c.scores)
            students.push_back({"1", s});
        const auto table = tableOf(students);
        table->records[c.scores.size() + 1].score = QStringLiteral("99"); // beyond N: never sorted in
        DistributionTable d;
        fillDistributionTable(*table, d);
        EXPECT_EQ(d.bands.sortedScores[0], 0);
        EXPECT_EQ(std::vector<int16_t>(d.bands.sortedScores.begin() + 1, d.bands.sortedScores.begin() + 1 + c.sorted.size()),
                  c.sorted);
    }
}

TEST(DistributionTable, AveragesRoundFromTheSingleValue)
{
    // 1247 / 20 = 62.35 is stored as a single just below it: 62.3.
    // 1245 / 20 = 62.25 is exact: halves go up, 62.3.
    std::vector<std::pair<QString, QString>> students;
    for (int i = 0; i < 19; ++i)
        students.push_back({"1", "62"});
    students.push_back({"1", "69"});
    for (int i = 0; i < 19; ++i)
        students.push_back({"2", "62"});
    students.push_back({"2", "67"});
    students.push_back({"3", "80.5"}); // running sums: 80.5 -> 80, + 80.5 = 160.5 -> 160
    students.push_back({"3", "80.5"});
    const auto table = tableOf(students);
    DistributionTable d;
    fillDistributionTable(*table, d);

    EXPECT_EQ(d.classScoreTotal[1], 1247);
    EXPECT_EQ(d.classAverage[1], 62.3f);
    EXPECT_EQ(d.classScoreTotal[2], 1245);
    EXPECT_EQ(d.classAverage[2], 62.3f);
    EXPECT_EQ(d.classScoreTotal[3], 160);
    EXPECT_EQ(d.classAverage[3], 80.0f);
    EXPECT_EQ(d.scoreTotal, 2652); // 2492 + 80 + 80, each step rounded
    EXPECT_EQ(d.overallAverage, roundOneDecimal(2652.0f / 42)); // 63.14... -> 63.1
    EXPECT_EQ(d.overallAverage, 63.1f);
    EXPECT_EQ(d.classAverageDifference[1], -0.8f);
    EXPECT_EQ(d.classAverageDifference[3], 16.9f);
}

TEST(DistributionTable, ClassesOutsideTheDrawKeepTheirLastDifference)
{
    DistributionTable d;
    auto table = tableOf({{"1", "60"}, {"2", "80"}, {"12", "100"}, {"01", "0"}});
    fillDistributionTable(*table, d);
    EXPECT_EQ(d.overallAverage, 60.0f);
    EXPECT_EQ(d.classAverageDifference[2], 20.0f);
    // Class 12 and the text "01" are in no class row, but in N and the average.
    EXPECT_EQ(d.classHeadCount[1] + d.classHeadCount[2], 2);
    EXPECT_EQ(strataOfRow(d, 11)[1], 2); // B1 is 0: all four scores would count

    table = tableOf({{"1", "60"}, {"1", "80"}, {"3", "100"}, {"3", "0"}});
    fillDistributionTable(*table, d);
    EXPECT_EQ(d.classHeadCount[2], 0);
    EXPECT_EQ(d.classAverage[2], 0.0f);
    EXPECT_EQ(d.classScoreTotal[2], 0);
    EXPECT_EQ(d.classAverageDifference[2], 20.0f); // from the earlier press
    EXPECT_EQ(d.classAverageDifference[3], -10.0f);
    EXPECT_EQ(d.classAverageDifference[11], 0.0f);
    EXPECT_EQ(strataOfRow(d, 2), (std::array<int16_t, 7>{}));
}

TEST(DistributionTableItems, EmptyBeforeTheFirstPress)
{
    EXPECT_TRUE(distributionTableItems(DistributionTable{}, 40).empty());
}

TEST(DistributionTableItems, PositionsAndPrintForms)
{
    // Class 1: 85 and 72 (average 78.5), class 2: 60 (60), class 4: 35.
    // N = 4, total 252, average 63: B1 = 0 (TopTenthRank 0), B3 = 63,
    // B2 = 31, B4 = 95, B5 = 35.
    const auto table = tableOf({{"1", "85"}, {"2", "60"}, {"1", "72"}, {"4", "35"}});
    DistributionTable d;
    fillDistributionTable(*table, d);
    d.classAverageDifference[7] = 0.5f; // left from an earlier press
    const std::vector<TableItem> items = distributionTableItems(d, 4);

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
    EXPECT_EQ(row(11), (std::vector<TableItem>{{20, 115, " 4 "}, {32, 115, " 0 "}, {44, 115, " 0 "}, {56, 115, " 0 "},
                                               {68, 115, " 4 "}, {80, 115, " 0 "}, {92, 115, " 4 "}, {105, 115, " 63 "},
                                               {122, 115, " 0 "}, {5, 115, "全体"}}));
}

TEST(ScoreValue, AgreesWithTheNumericValueOfAText)
{
    const char16_t* texts[] = {u"85", u"-72.5", u"0.1", u"84.5", u"+3", u"007", u"1.", u".5", u"", u"abc",
                               u"85a", u" 85", u"8 5", u"1e3", u"2.5D1", u"&H10", u"１２", u"-0", u"-",
                               u"123456789012345", u"1234567890123456", u"3.14159265358979", u"99999999999999.9",
                               u"0.000000000000001", u"1.2.3", u"--5"};
    for (const char16_t* t : texts) {
        const QString text = QString::fromUtf16(t);
        const double expected = textValue(text);
        const double actual = scoreValue(text);
        EXPECT_EQ(std::memcmp(&expected, &actual, sizeof(double)), 0)
            << text.toStdString() << ": " << actual << " instead of " << expected;
    }
}

} // namespace
} // namespace classdiv
