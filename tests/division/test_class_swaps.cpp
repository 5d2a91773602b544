// Hand swaps in the class lists, their undo, the broken fair shares, and the
// printed pages of the lists.

#include "support/Years.h"

#include "division/lists/ClassRoster.h"
#include "division/lists/ClassSwaps.h"
#include "division/draw/Division.h"
#include "export/RosterSheets.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::ScriptedRandom;

// (group, class) -> students
std::map<std::pair<QString, int>, int> headCounts(const Students& students, const std::vector<int16_t>& classes)
{
    std::map<std::pair<QString, int>, int> counts;
    for (int r = 1; r <= students.count(); ++r)
        ++counts[{students[r].group, classes[r]}];
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
        EXPECT_TRUE(drawClasses(year.ws, state, year.students, random, year.classes).drawn);
        fillDistributionTable(year.students, scoreBands(year.students), year.classes, distribution);
    }
};

// Any sequence of swaps keeps every group's head counts, the class figures
// equal the rows of the table filled from the swapped classes, and undo
// returns the exact draw.
TEST(ClassSwaps, RandomSwapsKeepHeadCountsAndUndoReturnsTheDraw)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        RandomYear y(round + 1);
        const Students& students = y.year.students;
        std::vector<int16_t>& classes = y.year.classes;
        const ScoreBands bands = scoreBands(students);
        const int n = students.count();
        const std::vector<int16_t> drawn = classes;
        const auto heads = headCounts(students, classes);
        ClassSwaps swaps;
        std::vector<int16_t> none; // no press has drawn: nothing to swap yet
        ASSERT_EQ(swaps.swap(students, none, 1, n), SwapStatus::NoDraw);
        int done = 0;
        for (int step = 0; step < 80; ++step) {
            const int a = std::uniform_int_distribution(0, n + 1)(rng), b = std::uniform_int_distribution(0, n + 1)(rng);
            SwapStatus expected = SwapStatus::NotStudents;
            if (a >= 1 && a <= n && b >= 1 && b <= n) {
                expected = classes[a] == classes[b]                 ? SwapStatus::SameClass
                           : students[a].group != students[b].group ? SwapStatus::DifferentGroups
                                                                    : SwapStatus::Swapped;
            }
            std::vector<int16_t> after = classes;
            if (expected == SwapStatus::Swapped)
                std::swap(after[a], after[b]);
            ASSERT_EQ(swaps.swap(students, classes, a, b), expected);
            done += expected == SwapStatus::Swapped;
            EXPECT_EQ(classes, after);
            EXPECT_EQ(headCounts(students, classes), heads);
        }
        ASSERT_EQ(swaps.count(), done);
        ClassSwaps kept; // the swaps as a drafts file brings them back, with the classes that hold them
        kept.restore(swaps.history(), classes);
        for (int r = 0; r <= n + 1; ++r) {
            EXPECT_EQ(swaps.movedByHand(classes, r), r >= 1 && r <= n && classes[r] != drawn[r]) << r;
            EXPECT_EQ(kept.movedByHand(classes, r), swaps.movedByHand(classes, r)) << r;
        }

        DistributionTable recount = y.distribution;
        fillDistributionTable(students, bands, classes, recount);
        for (int k = 1; k <= 10; ++k) {
            const ClassFigures f = classFigures(students, classes, recount, k);
            ClassFigures row{recount.classHeadCount[k], recount.classAverage[k], recount.classAverageDifference[k], {}};
            std::copy(recount.stratumCounts[k].begin(), recount.stratumCounts[k].end(), row.bandCounts.begin());
            EXPECT_EQ(f.headCount, row.headCount);
            EXPECT_TRUE(f.headCount == 0 || f == row) << "class " << k;
        }

        while (swaps.undo(classes))
            EXPECT_EQ(headCounts(students, classes), heads);
        EXPECT_EQ(classes, drawn);
        EXPECT_FALSE(swaps.undo(classes));
        EXPECT_TRUE(swaps.breaksMadeByHand(students, classes, bands, RuleSet{}).empty());
    }
}

// One group of 40 (scores 1 .. 40) alternating between classes 1 and 2,
// which shares every band fairly. Bands: 37+, 28-36, 20-27, 12-19, 5-11, 1-4.
testing::PlacedYear alternatingYear()
{
    std::vector<testing::Placed> placed;
    for (int s = 1; s <= 40; ++s)
        placed.push_back({2 - s % 2, {QString::number(s), QStringLiteral("生徒%1").arg(s), QStringLiteral("G"), QString::number(s)}});
    return testing::placedYear(placed);
}

// The alternating year: each swap's band and mark breaks are found and noted.
TEST(ClassSwaps, BreaksTheSwapsMakeAreFoundAndNoted)
{
    testing::PlacedYear year = alternatingYear();
    const Students& students = year.students;
    std::vector<int16_t>& classes = year.classes;
    const ScoreBands bands = scoreBands(students);
    SpreadRules rules;
    rules.cells[RuleBox::Marks].assign(41, QString());
    rules.cells[RuleBox::Marks][39] = rules.cells[RuleBox::Marks][4] = QStringLiteral("A");
    rules.cells[RuleBox::Marks][5] = rules.cells[RuleBox::Marks][7] = QStringLiteral("C"); // together in class 1 from the draw on
    ASSERT_EQ(findRuleBreaks(students, classes, bands, rules).marks.size(), 1u);
    ASSERT_TRUE(findRuleBreaks(students, classes, bands, rules).bands.empty());

    const struct {
        int a, b;
        int bandBreaks; // over both classes
        int markBreaks;
    } steps[] = {
        {39, 2, 4, 1},  // a top student for a bottom one: both ends of both classes leave 2..2; 39 joins 4 in class 2
        {37, 4, 4, 0},  // a second pair: the same four cells further off; 4 leaves 39
        {35, 33, 4, 0}, // the same band, the same class: refused, nothing changes
    };
    ClassSwaps swaps;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.a);
        swaps.swap(students, classes, step.a, step.b);
        const RuleBreaks made = swaps.breaksMadeByHand(students, classes, bands, rules);
        EXPECT_EQ(int(made.bands.size()), step.bandBreaks);
        EXPECT_EQ(int(made.marks.size()), step.markBreaks);
        EXPECT_EQ(ruleBreakNote(made, bands, students, rules).isEmpty(), made.empty());
    }
    const RuleBreaks made = swaps.breaksMadeByHand(students, classes, bands, rules);
    EXPECT_EQ(made.bands.front(), (BandBreak{"G", 1, 1, 0, 2.0, 2, 2}));
    EXPECT_EQ(rowsOfBreak(students, classes, bands, made.bands.front()), std::vector<int>{});
    EXPECT_EQ(rowsOfBreak(students, classes, bands, made.bands[2]), (std::vector<int>{37, 38, 39, 40}));
    EXPECT_EQ(ruleBreakNote(made, bands, students, rules), QStringLiteral("成績の層の偏り: １組「G」37点以上が0人（目安2.0人なので2人）ほか3か所"));
    EXPECT_TRUE(ruleBreakNote({{{"G", 3, 2, 5, 3.5, 3, 4}}, {}}, bands, students, rules).contains(QStringLiteral("（目安3.5人なので3〜4人）")));
    // The C pair moved together into class 2: a break of the swaps, not the one of the draw.
    swaps.swap(students, classes, 5, 6);
    swaps.swap(students, classes, 7, 8);
    EXPECT_EQ(swaps.breaksMadeByHand(students, classes, bands, rules).marks.size(), 1u);
}

// The same year under a fixed class, a together pair and a flag column held
// by two students of each class: each swap breaks what it moves out of place.
TEST(ClassSwaps, BrokenFixedTogetherAndFlagsAreFound)
{
    testing::PlacedYear year = alternatingYear();
    const Students& students = year.students;
    std::vector<int16_t>& classes = year.classes;
    const ScoreBands bands = scoreBands(students);
    SpreadRules rules;
    rules.cells[RuleBox::Fixed].assign(41, QString());
    rules.cells[RuleBox::Fixed][1] = QStringLiteral("1");
    rules.cells[RuleBox::Together].assign(41, QString());
    rules.cells[RuleBox::Together][2] = rules.cells[RuleBox::Together][4] = QStringLiteral("T");
    rules.columns[RuleBox::Flags].push_back({QStringLiteral("リーダー"), std::vector<QString>(41)});
    for (int r : {1, 2, 3, 4})
        rules.columns[RuleBox::Flags][0].values[r] = QStringLiteral("○");
    rules.columns[RuleBox::Flags].push_back({QStringLiteral("ピアノ"), std::vector<QString>(41)}); // all in class 1 from the draw on
    for (int r : {5, 7, 9, 11})
        rules.columns[RuleBox::Flags][1].values[r] = QStringLiteral("○");
    const RuleBreaks drawn = findRuleBreaks(students, classes, bands, rules);
    ASSERT_EQ(drawn.flags.size(), 2u);
    ASSERT_TRUE(drawn.fixed.empty() && drawn.together.empty() && drawn.bands.empty());

    const struct {
        int a, b;
        size_t fixed, together, flags;
        const char16_t* note; // the start of the rules' part of the note
    } steps[] = {
        {1, 40, 1, 0, 2, u"クラス指定: 生徒1は１組の指定"}, // a flag holder leaves class 1 for class 2
        {4, 3, 1, 1, 2, u"クラス指定: 生徒1は１組の指定"},  // flags even out no further; the pair is parted
        {3, 4, 1, 0, 2, u"クラス指定: 生徒1は１組の指定"},  // the pair back together
        {40, 1, 0, 0, 0, nullptr},                        // everything back
    };
    ClassSwaps swaps;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.a);
        ASSERT_EQ(swaps.swap(students, classes, step.a, step.b), SwapStatus::Swapped);
        const RuleBreaks made = swaps.breaksMadeByHand(students, classes, bands, rules);
        EXPECT_EQ(made.fixed.size(), step.fixed);
        EXPECT_EQ(made.together.size(), step.together);
        EXPECT_EQ(made.flags.size(), step.flags);
        const QString note = ruleBreakNote(made, bands, students, rules);
        if (step.note)
            EXPECT_TRUE(note.contains(QString::fromUtf16(step.note))) << qPrintable(note);
        EXPECT_EQ(note.contains(QStringLiteral("同じクラス「T」の生徒2人が別々のクラスに")), step.together > 0) << qPrintable(note);
        EXPECT_EQ(note.contains(QStringLiteral("リーダー「○」が１組に1人（目安2.0人）")), step.flags > 0) << qPrintable(note);
    }
}

TEST(ClassRoster, ClassesOrderAndSheets)
{
    // Class 10 after 2; names in Japanese reading order, ties in file order.
    const testing::PlacedYear year =
        testing::placedYear({{10, {"1", "さとう", "G", "50"}}, {2, {"2", "いとう", "G", "70"}}, {10, {"3", "あべ", "G", "90"}},
                             {10, {"4", "かとう", "G", "50"}}, {2, {"5", "うえだ", "G", "60"}}, {2, {"6", "生徒10", "G", "1"}},
                             {2, {"7", "生徒9", "G", "1"}}});
    const auto rows = [&](int classNumber, RosterOrder order) { return rosterRows(year.students, year.classes, classNumber, order); };
    EXPECT_EQ(classesInUse(year.classes), (std::vector<int>{2, 10}));
    EXPECT_EQ(classesInUse({}), std::vector<int>{});
    EXPECT_EQ(rows(10, RosterOrder::Score), (std::vector<int>{3, 1, 4}));
    EXPECT_EQ(rows(10, RosterOrder::Name), (std::vector<int>{3, 4, 1}));
    EXPECT_EQ(rows(10, RosterOrder::File), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(rows(2, RosterOrder::Name), (std::vector<int>{2, 5, 7, 6})); // 9 before 10
    EXPECT_EQ(classLabel(2) + classLabel(10) + classLabel(12), QStringLiteral("２組10組12組"));

    // Sheets: every student once, a class over pages only past one page's rows,
    // the figures on its last page, rows never below the readable height.
    const int perSheet = rowsPerSheet();
    EXPECT_GE(perSheet, 45); // a class of 45 on one page
    for (int size : {1, 40, perSheet, perSheet + 1, 2 * perSheet + 5}) {
        SCOPED_TRACE(size);
        std::vector<testing::Placed> placed;
        for (int r = 1; r <= size; ++r)
            placed.push_back({3, {QString::number(r), QStringLiteral("生徒%1").arg(r), "G", QString::number(r)}});
        const testing::PlacedYear three = testing::placedYear(placed);
        DistributionTable distribution;
        fillDistributionTable(three.students, scoreBands(three.students), three.classes, distribution);
        const auto sheets = rosterSheets(three.students, three.classes, distribution, SpreadRules{}, RosterOrder::File);
        const size_t pages = size_t((size + perSheet - 1) / perSheet);
        ASSERT_EQ(sheets.size(), pages);
        int number = 0;
        for (size_t p = 0; p < pages; ++p) {
            EXPECT_EQ(sheets[p].hasFigures, p + 1 == pages);
            EXPECT_EQ(sheets[p].title.startsWith(QStringLiteral("３組（")), pages > 1);
            EXPECT_LE(sheets[p].rowHeight * double(sheets[p].rows.size()), SheetGeometry::rowArea + 1e-9);
            EXPECT_GE(sheets[p].rowHeight, SheetGeometry::smallestRow);
            // Only the number and the score are set to the right, not the name or the group.
            EXPECT_EQ(sheets[p].numeric, (std::vector<bool>{true, false, false, true}));
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
