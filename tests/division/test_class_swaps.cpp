// Hand swaps in the class lists, their undo, the broken fair shares, and the
// printed pages of the lists.

#include "support/Years.h"

#include "division/ClassRoster.h"
#include "division/ClassSwaps.h"
#include "division/Division.h"
#include "export/RosterSheets.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::newClasses;
using testing::ScriptedRandom;

// (group, class) -> students
std::map<std::pair<QString, QString>, int> headCounts(const StudentTable& table)
{
    std::map<std::pair<QString, QString>, int> counts;
    for (int r = 1; r <= table.studentCount(); ++r)
        ++counts[{table.records[r].group, table.records[r].newClass}];
    return counts;
}

// A random year, drawn once.
struct RandomYear {
    DivisionYear year;
    DivisionState state;
    DistributionTable distribution;

    explicit RandomYear(uint64_t seed) : year(testing::randomYear(seed))
    {
        ScriptedRandom random = testing::plentyOfNumbers(seed);
        EXPECT_TRUE(drawClasses(year.ws, state, *year.table, distribution, random).drawn);
    }
};

// Any sequence of swaps keeps every group's head counts, the table always
// equals a recount, the class figures equal its rows, and undo returns the
// exact draw.
TEST(ClassSwaps, RandomSwapsKeepHeadCountsAndUndoReturnsTheDraw)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        RandomYear y(round + 1);
        StudentTable& table = *y.year.table;
        const int n = table.studentCount();
        const std::vector<QString> drawn = newClasses(table);
        const auto heads = headCounts(table);
        ClassSwaps swaps;
        DistributionTable none; // no press has filled it: nothing to swap yet
        ASSERT_EQ(swaps.swap(table, none, 1, n), SwapStatus::NoDraw);
        int done = 0;
        for (int step = 0; step < 80; ++step) {
            const int a = std::uniform_int_distribution(0, n + 1)(rng), b = std::uniform_int_distribution(0, n + 1)(rng);
            SwapStatus expected = SwapStatus::NotStudents;
            if (a >= 1 && a <= n && b >= 1 && b <= n) {
                const StudentRecord &sa = table.records[a], &sb = table.records[b];
                expected = sa.newClass == sb.newClass ? SwapStatus::SameClass
                           : sa.group != sb.group     ? SwapStatus::DifferentGroups
                                                      : SwapStatus::Swapped;
            }
            std::vector<QString> after = newClasses(table);
            if (expected == SwapStatus::Swapped)
                std::swap(after[a], after[b]);
            ASSERT_EQ(swaps.swap(table, y.distribution, a, b), expected);
            done += expected == SwapStatus::Swapped;
            EXPECT_EQ(newClasses(table), after);
            EXPECT_EQ(headCounts(table), heads);
        }
        ASSERT_EQ(swaps.count(), done);
        for (int r = 0; r <= n + 1; ++r)
            EXPECT_EQ(swaps.movedByHand(table, r), r >= 1 && r <= n && table.records[r].newClass != drawn[r]) << r;

        DistributionTable recount = y.distribution;
        fillDistributionTable(table, recount);
        EXPECT_EQ(y.distribution.stratumCounts, recount.stratumCounts);
        EXPECT_EQ(y.distribution.classAverage, recount.classAverage);
        EXPECT_EQ(y.distribution.classAverageDifference, recount.classAverageDifference);
        for (int k = 1; k <= 10; ++k) {
            const ClassFigures f = classFigures(table, y.distribution, QString::number(k));
            ClassFigures row{y.distribution.classHeadCount[k], y.distribution.classAverage[k],
                             y.distribution.classAverageDifference[k], {}};
            std::copy(y.distribution.stratumCounts[k].begin(), y.distribution.stratumCounts[k].end(), row.bandCounts.begin());
            EXPECT_EQ(f.headCount, row.headCount);
            EXPECT_TRUE(f.headCount == 0 || f == row) << "class " << k;
        }

        while (swaps.undo(table, y.distribution))
            EXPECT_EQ(headCounts(table), heads);
        EXPECT_EQ(newClasses(table), drawn);
        EXPECT_FALSE(swaps.undo(table, y.distribution));
        EXPECT_TRUE(swaps.breaksMadeByHand(table, y.distribution, {}).empty());
    }
}

// One group of 40 (scores 1 .. 40) alternating between classes 1 and 2,
// which shares every band fairly. Bands: 37+, 28-36, 20-27, 12-19, 5-11, 1-4.
TEST(ClassSwaps, BreaksTheSwapsMakeAreFoundAndNoted)
{
    auto table = std::make_unique<StudentTable>();
    table->lineCount = 41;
    for (int s = 1; s <= 40; ++s)
        table->records[s] = {QString::number(2 - s % 2), QString::number(s), QStringLiteral("生徒%1").arg(s),
                             QStringLiteral("G"), QString::number(s)};
    DistributionTable distribution;
    fillDistributionTable(*table, distribution);
    SpreadRules rules;
    rules.marks.assign(41, QString());
    rules.marks[39] = rules.marks[4] = QStringLiteral("A");
    rules.marks[5] = rules.marks[7] = QStringLiteral("C"); // together in class 1 from the draw on
    ASSERT_EQ(findRuleBreaks(*table, newClasses(*table), distribution.bands, rules).marks.size(), 1u);

    const struct {
        int a, b;
        int bandBreaks; // over both classes
        int markBreaks;
    } steps[] = {
        {39, 2, 0, 1},  // a top student for a bottom one: within one; 39 joins 4 in class 2
        {37, 4, 4, 0},  // a second pair: the top and bottom bands of both classes; 4 leaves 39
        {35, 33, 4, 0}, // the same band, the same class: refused, nothing changes
    };
    ClassSwaps swaps;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.a);
        swaps.swap(*table, distribution, step.a, step.b);
        const RuleBreaks made = swaps.breaksMadeByHand(*table, distribution, rules);
        EXPECT_EQ(int(made.bands.size()), step.bandBreaks);
        EXPECT_EQ(int(made.marks.size()), step.markBreaks);
        EXPECT_EQ(ruleBreakNote(made, distribution.bands).isEmpty(), made.empty());
    }
    const RuleBreaks made = swaps.breaksMadeByHand(*table, distribution, rules);
    EXPECT_EQ(made.bands.front(), (BandBreak{"G", "1", 1, 0, 2.0}));
    EXPECT_EQ(rowsOfBreak(*table, distribution.bands, made.bands.front()), std::vector<int>{});
    EXPECT_EQ(rowsOfBreak(*table, distribution.bands, made.bands[2]), (std::vector<int>{37, 38, 39, 40}));
    EXPECT_EQ(ruleBreakNote(made, distribution.bands),
              QStringLiteral("成績の層の偏り: １組「G」37点以上が0人（目安2.0人）ほか3か所"));
    // The C pair moved together into class 2: a break of the swaps, not the one of the draw.
    swaps.swap(*table, distribution, 5, 6);
    swaps.swap(*table, distribution, 7, 8);
    EXPECT_EQ(swaps.breaksMadeByHand(*table, distribution, rules).marks.size(), 1u);
}

TEST(ClassRoster, ClassesOrderAndSheets)
{
    // Class "10" after "2"; names in Japanese reading order, ties in file order.
    auto table = testing::tableOf({{"10", "1", "さとう", "G", "50"}, {"2", "2", "いとう", "G", "70"},
                                   {"10", "3", "あべ", "G", "90"}, {"10", "4", "かとう", "G", "50"},
                                   {"2", "5", "うえだ", "G", "60"}, {"2", "6", "生徒10", "G", "1"},
                                   {"2", "7", "生徒9", "G", "1"}});
    EXPECT_EQ(classesInUse(*table), (std::vector<QString>{"2", "10"}));
    EXPECT_EQ(rosterRows(*table, "10", RosterOrder::Score), (std::vector<int>{3, 1, 4}));
    EXPECT_EQ(rosterRows(*table, "10", RosterOrder::Name), (std::vector<int>{3, 4, 1}));
    EXPECT_EQ(rosterRows(*table, "10", RosterOrder::File), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(rosterRows(*table, "2", RosterOrder::Name), (std::vector<int>{2, 5, 7, 6})); // 9 before 10
    EXPECT_EQ(classLabel("2") + classLabel("10"), QStringLiteral("２組10組"));

    // Sheets: every student once, a class over pages only past one page's rows,
    // the figures on its last page, rows never below the readable height.
    const int perSheet = rowsPerSheet();
    EXPECT_GE(perSheet, 45); // a class of 45 on one page
    for (int size : {1, 40, perSheet, perSheet + 1, 2 * perSheet + 5}) {
        SCOPED_TRACE(size);
        table = std::make_unique<StudentTable>();
        table->lineCount = int16_t(size + 1);
        for (int r = 1; r <= size; ++r)
            table->records[r] = {"3", QString::number(r), QStringLiteral("生徒%1").arg(r), "G", QString::number(r)};
        DistributionTable distribution;
        fillDistributionTable(*table, distribution);
        const auto sheets = rosterSheets(*table, distribution, {}, RosterOrder::File);
        const size_t pages = size_t((size + perSheet - 1) / perSheet);
        ASSERT_EQ(sheets.size(), pages);
        int number = 0;
        for (size_t p = 0; p < pages; ++p) {
            EXPECT_EQ(sheets[p].hasFigures, p + 1 == pages);
            EXPECT_EQ(sheets[p].title.startsWith(QStringLiteral("３組（")), pages > 1);
            EXPECT_LE(sheets[p].rowHeight * double(sheets[p].rows.size()), SheetGeometry::rowArea + 1e-9);
            EXPECT_GE(sheets[p].rowHeight, SheetGeometry::smallestRow);
            for (const QStringList& row : sheets[p].rows)
                EXPECT_EQ(row, (QStringList{QString::number(++number), QStringLiteral("生徒%1").arg(number), "G",
                                            QString::number(number)}));
        }
        EXPECT_EQ(number, size);
        EXPECT_TRUE(sheets.back().figures.startsWith(QStringLiteral("%1人").arg(size)));
        // The six bands of the table, as the table counts them.
        const auto& bands = sheets.back().bandCounts;
        ASSERT_EQ(bands.size(), 6u);
        for (int b = 1; b <= 6; ++b)
            EXPECT_EQ(bands[b - 1], std::make_pair(stratumText(b, distribution.bands), int(distribution.stratumCounts[3][b])));
    }
}

} // namespace
} // namespace classdiv
