// The figures of a division, counted once for the lists, the chart, the
// drafts and the check sheet, against figures worked out by hand on a year
// of six students.

#include "support/Years.h"

#include "division/DivisionFigures.h"
#include "division/Year.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>

namespace classdiv {
namespace {

using testing::DivisionYear;

// One group of six over two classes of three; rows 1 .. 6 score 90, 80 .. 40
// (the year's average 65.0, its standard deviation sqrt(1750 / 6)). The old
// class is 1 for rows 1 .. 3 and 2 for rows 4 .. 6; the flag alternates m, f;
// the 50 m run is 7, -, -, 9, 8, - (three blank cells).
Year smallYear()
{
    const DivisionYear made({{"A", 6, {{1, 3}, {2, 3}}}}, false, {{90, 80, 70, 60, 50, 40}});
    Year year = made.year();
    SpreadRules rules;
    rules.cells[RuleBox::Mix] = {QString(), "1", "1", "1", "2", "2", "2"};
    rules.columns[RuleBox::Flags].push_back({QStringLiteral("性別"), {QString(), "m", "f", "m", "f", "m", "f"}});
    rules.numbers[RuleBox::Scores].push_back({QStringLiteral("50m走"), {std::nullopt, 7.0, std::nullopt, std::nullopt, 9.0, 8.0, std::nullopt}});
    year.setRules(rules);
    return year;
}

TEST(DivisionFigures, AreTheFiguresWorkedOutByHand)
{
    const double mainDeviation = std::sqrt(1750.0 / 6);
    const double runDeviation = std::sqrt(2.0 / 3); // of 7, 8 and 9
    struct Case {
        const char* name;
        std::vector<int16_t> classes; // [row], 0 unused
        std::map<int, std::pair<int, float>> heads; // class -> head count, average
        std::map<int, float> differences;
        double spread, mixing, flag;
        std::vector<std::optional<double>> runs; // [class 1 .. 2]
        double largestNormalised;
    };
    const Case cases[] = {
        // 90, 70, 50 against 80, 60, 40; class 1 holds every m and two of the 1s.
        {"alternate", {0, 1, 2, 1, 2, 1, 2}, {{1, {3, 70.0f}}, {2, {3, 60.0f}}}, {{1, 5.0f}, {2, -5.0f}},
         10, 0.5, 1.5, {7.5, 9.0}, 1.5 / runDeviation},
        // Row 6 placed nowhere: it counts in no class, no share and no average, but is listed as not placed.
        {"one not placed", {0, 1, 2, 1, 2, 1, 0}, {{0, {1, 40.0f}}, {1, {3, 70.0f}}, {2, {2, 70.0f}}},
         {{1, 5.0f}, {2, 5.0f}}, 0, 0.5, 1.5, {7.5, 9.0}, 1.5 / runDeviation},
        // 200 / 3 and 190 / 3 rounded; class 2 has nobody with a 50 m time, so the column does not spread.
        {"a class without times", {0, 1, 2, 2, 1, 1, 2}, {{1, {3, 66.7f}}, {2, {3, 63.3f}}}, {{1, 1.7f}, {2, -1.7f}},
         10.0 / 3, 0.5, 0.5, {8.0, std::nullopt}, (10.0 / 3) / mainDeviation},
    };
    Year year = smallYear();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DivisionFigures figures = divisionFigures(year, c.classes);
        ASSERT_EQ(figures.classes.size(), c.heads.size());
        for (const auto& [number, head] : c.heads) {
            EXPECT_EQ(figures.of(number).headCount, head.first) << "class " << number;
            EXPECT_FLOAT_EQ(figures.of(number).average, head.second) << "class " << number;
        }
        for (const auto& [number, difference] : c.differences)
            EXPECT_FLOAT_EQ(figures.of(number).difference, difference) << "class " << number;
        EXPECT_EQ(figures.of(7).headCount, 0) << "a class with nobody";
        ASSERT_TRUE(figures.averageSpread);
        EXPECT_NEAR(*figures.averageSpread, c.spread, 1e-9);
        EXPECT_FALSE(divisionFigures(year, c.classes, SpreadOfAverages::Left).averageSpread);
        ASSERT_TRUE(figures.mixingDeviation);
        EXPECT_NEAR(*figures.mixingDeviation, c.mixing, 1e-9);
        ASSERT_EQ(figures.flags.size(), 1u);
        EXPECT_NEAR(figures.flags[0].largest, c.flag, 1e-9);
        ASSERT_EQ(figures.extraAverages.size(), 1u);
        const ColumnAverages& runs = figures.extraAverages[0];
        EXPECT_EQ(runs.name, QStringLiteral("50m走"));
        ASSERT_EQ(runs.classAverage.size(), 3u);
        for (int k = 1; k <= 2; ++k) {
            ASSERT_EQ(runs.classAverage[k].has_value(), c.runs[k - 1].has_value()) << "class " << k;
            if (c.runs[k - 1]) {
                EXPECT_NEAR(*runs.classAverage[k], *c.runs[k - 1], 1e-9) << "class " << k;
            }
        }
        EXPECT_NEAR(runs.yearAverage.value_or(-1), 8.0, 1e-9);
        ASSERT_TRUE(figures.scoreSpreads);
        EXPECT_NEAR(figures.scoreSpreads->mainSpread, c.spread, 1e-9);
        EXPECT_NEAR(figures.scoreSpreads->largest, c.largestNormalised, 1e-9);
    }
}

TEST(DivisionFigures, AYearWithoutRulesHasOnlyTheFiguresOfItsClasses)
{
    const DivisionYear made({{"A", 4, {{1, 2}, {2, 2}}}}, false, {{80, 70, 60, 50}});
    const DivisionFigures figures = divisionFigures(made.year(), {0, 1, 2, 2, 1});
    EXPECT_EQ(figures.of(1).headCount, 2);
    EXPECT_FLOAT_EQ(figures.of(1).average, 65.0f);
    EXPECT_NEAR(figures.averageSpread.value_or(-1), 0.0, 1e-9);
    EXPECT_FALSE(figures.mixingDeviation);
    EXPECT_TRUE(figures.flags.empty());
    EXPECT_TRUE(figures.extraAverages.empty());
    EXPECT_FALSE(figures.scoreSpreads);
}

} // namespace
} // namespace classdiv
