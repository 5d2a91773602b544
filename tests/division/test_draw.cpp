// The press of the distribution button with fixed random numbers.

#include "support/Years.h"

#include "division/draw/Division.h"
#include "division/Year.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::numbersForSlots;
using testing::ScriptedRandom;

// The press as the year makes it: the draw, then the table of its classes.
struct Press {
    DivisionState state;
    DistributionTable distribution;
    DrawOutcome run(DivisionYear& year, RandomSource& random)
    {
        const DrawOutcome outcome = drawClasses(year.ws, state, year.students, random, year.classes);
        if (outcome.drawn)
            fillDistributionTable(year.students, scoreBands(year.students), year.classes, distribution);
        return outcome;
    }
};

std::map<int, int> classSizes(const DivisionYear& year, int g)
{
    std::map<int, int> sizes;
    for (int w = 1; w <= year.ws.groupSize[g]; ++w)
        ++sizes[year.newClassOf(g, w)];
    return sizes;
}

std::vector<int> descending(int n) // n, n - 1, .. 1
{
    std::vector<int> order(size_t(n), 0);
    std::iota(order.rbegin(), order.rend(), 1);
    return order;
}

TEST(DrawClasses, EveryBlockHandsOutItsSlotsInTheDrawnOrder)
{
    const struct {
        const char* name;
        std::vector<std::pair<int, int>> plan;
        std::vector<float> numbers; // one block's worth, repeated
        std::vector<int> perBlock;
    } cases[] = {
        // The repeated 2 is rejected, so every block takes all seven numbers.
        {"240 in one group over six classes", {{1, 40}, {2, 40}, {3, 40}, {4, 40}, {5, 40}, {6, 40}},
         numbersForSlots({2, 2, 5, 1, 6, 3, 4}, 6), {2, 5, 1, 6, 3, 4}},
        // Slots 1-2 are row 1's, 3-4 row 2's, 5 row 3's.
        {"40/40/20 in blocks of five", {{4, 40}, {5, 40}, {6, 20}}, numbersForSlots({5, 1, 3, 2, 4}, 5),
         {6, 4, 5, 4, 5}},
        {"slot runs follow the plan rows", {{3, 12}, {1, 4}, {2, 8}}, numbersForSlots({6, 5, 4, 3, 2, 1}, 6),
         {2, 2, 1, 3, 3, 3}},
        // The largest float below 1 still lands in the block.
        {"one class takes the whole group", {{4, 30}}, {0.99999994f}, {4}},
        // Head counts 1 and 499: one block of 500 slots, drawn from the last slot down.
        {"the largest block", {{1, 1}, {2, 499}}, numbersForSlots(descending(500), 500), [] {
             std::vector<int> classes(499, 2);
             classes.push_back(1);
             return classes;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int size = 0;
        for (const auto& row : c.plan)
            size += row.second;
        DivisionYear year({{QStringLiteral("全員"), size, c.plan}});
        ScriptedRandom random(c.numbers);
        Press press;
        const DrawOutcome outcome = press.run(year, random);
        ASSERT_FALSE(outcome.message);
        EXPECT_TRUE(outcome.drawn);
        const int blockSize = int(c.perBlock.size());
        EXPECT_EQ(press.state.blockSize[1], blockSize);
        EXPECT_EQ(press.state.blockCount[1], size / blockSize);
        EXPECT_EQ(press.state.balancingMoves[1], 0);
        EXPECT_EQ(random.reseeds(), size_t(size / blockSize));
        EXPECT_EQ(random.taken(), size_t(size / blockSize) * c.numbers.size());
        for (int w = 1; w <= size; ++w)
            ASSERT_EQ(year.newClassOf(1, w), c.perBlock[(w - 1) % blockSize]) << "rank " << w;
        for (const auto& [classNumber, headCount] : c.plan)
            EXPECT_EQ(press.distribution.classHeadCount[classNumber], headCount);
    }
}

TEST(DrawClasses, SevenStudentsFourAndThreeMoveTheSecondRanked)
{
    DivisionYear year({{QStringLiteral("A"), 7, {{3, 4}, {5, 3}}}});
    // Blocks: slots 1 2, 2 1, 1 2, then 2 (only the first position is used).
    ScriptedRandom random({0.1f, 0.6f, 0.6f, 0.1f, 0.1f, 0.6f, 0.6f, 0.1f});
    Press press;
    ASSERT_FALSE(press.run(year, random).message);
    // Drawn 3 5 5 3 3 5 5: class 5 holds ranks 2 3 6 7, so its second, rank 3, moves.
    EXPECT_EQ(press.state.rankClass[1], (std::vector<int16_t>{0, 3, 5, 3, 3, 3, 5, 5}));
    EXPECT_EQ(press.state.balancingMoves[1], 1);
    EXPECT_EQ(year.newClassOf(1, 3), 3);
}

TEST(DrawClasses, BalancingRecountsAfterEveryMove)
{
    // 30 30 25 take one slot each; 28 blocks and rank 85 on slot 1 leave
    // 29 28 28: three moves, each taking the middle of the third class as it
    // is by then, and filling the lowest under-full row first.
    DivisionYear year({{QStringLiteral("A"), 85, {{1, 30}, {2, 30}, {3, 25}}}});
    ScriptedRandom random(numbersForSlots({1, 2, 3}, 3));
    Press press;
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.balancingMoves[1], 3);
    EXPECT_EQ(year.newClassOf(1, 42), 1); // 14th of 28
    EXPECT_EQ(year.newClassOf(1, 39), 2); // 13th of 27
    EXPECT_EQ(year.newClassOf(1, 45), 2); // 13th of 26, rank 42 gone
    EXPECT_EQ(classSizes(year, 1), (std::map<int, int>{{1, 30}, {2, 30}, {3, 25}}));
}

TEST(DrawClasses, SharedIdentifiersKeepTheirOwnClasses)
{
    DivisionYear year({{QStringLiteral("A"), 12, {{1, 6}, {2, 6}}}, {QStringLiteral("B"), 12, {{3, 6}, {4, 6}}}}, true);
    ScriptedRandom random({0.3f, 0.8f, 0.7f, 0.2f});
    Press press;
    ASSERT_FALSE(press.run(year, random).message);
    for (int g = 1; g <= 2; ++g)
        for (int w = 1; w <= 12; ++w)
            EXPECT_EQ(year.newClassOf(g, w), press.state.rankClass[g][w]) << g << "/" << w;
}

TEST(DrawClasses, PreparesOnFirstPressAndAgainOnlyAfterAChange)
{
    DivisionYear year({{QStringLiteral("A"), 100, {{1, 40}, {2, 40}, {3, 20}}}});
    ScriptedRandom random({0.05f, 0.95f, 0.45f, 0.25f, 0.65f, 0.85f, 0.15f});
    Press press;
    ASSERT_FALSE(press.run(year, random).message);
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.preparationCount, 1);

    // The old slot ranges would hand out class 3, which no row counts: the
    // balancing could never end. The new plan is prepared instead.
    year.setPlan(1, {{1, 50}, {2, 50}});
    year.ws.conditions[1].rows[3] = {};
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.preparationCount, 2);
    EXPECT_EQ(classSizes(year, 1), (std::map<int, int>{{1, 50}, {2, 50}}));

    // Same class numbers with other head counts are a change too.
    year.setPlan(1, {{1, 60}, {2, 40}});
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.preparationCount, 3);
    EXPECT_EQ(classSizes(year, 1), (std::map<int, int>{{1, 60}, {2, 40}}));
}

TEST(DrawClasses, RefusedPressOrEveningOutChangesNothing)
{
    const QString mistake = titles::inputMistake;
    const auto inGroup = [](const char* text) { return QStringLiteral("グループ「美男」") + QString::fromUtf8(text); };
    const struct {
        const char* what;
        void (*spoil)(DivisionYear&);
        Message message;
    } cases[] = {
        {"head counts one short of the students", [](DivisionYear& y) { y.setPlan(2, {{3, 10}, {4, 9}}); },
         {kGrandTotalMessage, QString()}},
        {"rows above the class count still count", [](DivisionYear& y) { y.ws.conditions[2].rows[3] = {5, 4, 0}; },
         {kGrandTotalMessage, QString()}},
        {"no class count", [](DivisionYear& y) { y.ws.conditions[2].classCount = 0; },
         {inGroup("のクラス数と各クラスの人数が入力されていません。入力して確認ボタンを押して下さい。"), mistake}},
        {"class count above ten", [](DivisionYear& y) { y.ws.conditions[2].classCount = 11; },
         {inGroup("のクラス数に誤りがあります。10クラスまでです。"), mistake}},
        {"a head count of zero", [](DivisionYear& y) { y.setPlan(2, {{3, 20}, {4, 0}}); },
         {inGroup("の2行目の人数に誤りがあります。1人以上を入力して下さい。"), mistake}},
        {"a negative head count", [](DivisionYear& y) { y.setPlan(2, {{3, 25}, {4, -5}}); },
         {inGroup("の2行目の人数に誤りがあります。1人以上を入力して下さい。"), mistake}},
        {"a class number of zero", [](DivisionYear& y) { y.setPlan(2, {{0, 10}, {4, 10}}); },
         {inGroup("の1行目のクラス番号に誤りがあります。1以上の番号を入力して下さい。"), mistake}},
        {"a class number twice", [](DivisionYear& y) { y.setPlan(2, {{4, 10}, {4, 10}}); },
         {QStringLiteral("グループ「美男」でクラス番号4が2回入力されています。別々のクラス番号を入力して下さい。"), mistake}},
        {"group sums off while the total matches",
         [](DivisionYear& y) { y.setPlan(1, {{1, 10}, {2, 11}}); y.setPlan(2, {{3, 10}, {4, 9}}); },
         {QStringLiteral("グループ「音女」の人数の合計（21人）がグループの生徒数（20人）と違います。"), mistake}},
        {"a score too large for the table", [](DivisionYear& y) {
             y.students.rows[7].score = 40000;
             y.students.rows[7].scoreText = QStringLiteral("40000");
             y.students.wholeScores = false;
         },
         {QStringLiteral("7番目の生徒（番号 1-4）の点数「40000」は大きすぎてクラス分けできません。"
                         "点数は-32768から32767までにして下さい。"), titles::error}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DivisionYear year({{QStringLiteral("音女"), 20, {{1, 10}, {2, 10}}}, {QStringLiteral("美男"), 20, {{3, 10}, {4, 10}}}});
        ScriptedRandom random({0.1f, 0.9f, 0.5f});
        Press press;
        ASSERT_FALSE(press.run(year, random).message); // a first draw to keep
        const std::vector<int16_t> before = year.classes;
        const size_t taken = random.taken();
        c.spoil(year);
        const DrawOutcome outcome = press.run(year, random);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_FALSE(outcome.drawn);
        EXPECT_EQ(year.classes, before);
        EXPECT_TRUE(press.state.conditionsPrepared);
        Year spoiled = year.year();
        for (bool pressFirst : {false, true}) { // evening out refuses alike
            const EvenOutcome even = spoiled.evenOut(random, pressFirst);
            EXPECT_EQ(even.message, c.message);
            EXPECT_FALSE(even.drawn);
        }
        EXPECT_FALSE(spoiled.hasDraw());
        EXPECT_EQ(random.taken(), taken);
    }
}

// A source that never reaches slot 2, or groups that do not hold each student
// row exactly once, are programming errors: thrown before anything is written.
TEST(DrawClasses, BrokenSourcesAndGroupTablesThrow)
{
    const struct {
        const char* what;
        std::vector<float> numbers;
        void (*spoil)(DivisionYear&);
    } cases[] = {
        {"a source stuck on slot 1", {0.1f}, [](DivisionYear&) {}},
        // Each below draws without a throw when the groups are left whole.
        {"the last rank's row missing", {0.25f, 0.75f}, [](DivisionYear& y) { y.ws.groupStudents[2].pop_back(); }},
        {"a row in two groups", {0.25f, 0.75f}, [](DivisionYear& y) { y.ws.groupStudents[2][4] = y.ws.groupStudents[1][1]; }},
        {"a row past the students", {0.25f, 0.75f}, [](DivisionYear& y) { y.ws.groupStudents[1][4] = 9; }},
        {"row 0", {0.25f, 0.75f}, [](DivisionYear& y) { y.ws.groupStudents[1][4] = 0; }},
    };
    for (const auto& c : cases) {
        DivisionYear whole({{QStringLiteral("A"), 4, {{1, 2}, {2, 2}}}, {QStringLiteral("B"), 4, {{3, 4}}}});
        if (c.numbers.size() > 1) {
            ScriptedRandom random(c.numbers);
            EXPECT_TRUE(Press().run(whole, random).drawn) << c.what;
        }
        DivisionYear year({{QStringLiteral("A"), 4, {{1, 2}, {2, 2}}}, {QStringLiteral("B"), 4, {{3, 4}}}});
        c.spoil(year);
        ScriptedRandom random(c.numbers);
        EXPECT_THROW(Press().run(year, random), std::logic_error) << c.what;
        EXPECT_TRUE(year.classes.empty()) << c.what;
    }
}

TEST(DrawClasses, ScoresAreDrawnWhileTheyFitSixteenBitsRounded)
{
    const struct {
        std::vector<const char*> scores; // of students 1 .. 4
        bool drawn;
        int scoreTotal;
    } cases[] = {
        {{"72.7", "72.7", "72.7", "72.4"}, true, 291}, // running sums 73, 146, 219, 291
        {{"32767.4", "0", "0", "0"}, true, 32767},
        {{"-32768.5", "0.5", "0", "0"}, true, -32768},
        {{"32767.5", "0.5", "0", "0"}, false, 0},
        {{"0.5", "-32768.6", "0", "0"}, false, 0},
    };
    for (const auto& c : cases) {
        std::vector<StudentRecord> records;
        for (int e = 1; e <= 4; ++e)
            records.push_back(testing::inGroup(QStringLiteral("A"), QString::fromUtf8(c.scores[e - 1])));
        DivisionYear year({{QStringLiteral("A"), 4, {{1, 2}, {2, 2}}}});
        year.students = testing::studentsOf(records);
        ScriptedRandom random(numbersForSlots({1, 2}, 2));
        Press press;
        const DrawOutcome outcome = press.run(year, random);
        EXPECT_EQ(outcome.drawn, c.drawn) << c.scores[0];
        EXPECT_EQ(outcome.message.has_value(), !c.drawn) << c.scores[0];
        EXPECT_EQ(press.distribution.scoreTotal, c.scoreTotal) << c.scores[0];
        EXPECT_EQ(year.classes.empty(), !c.drawn) << c.scores[0];
    }
}

} // namespace
} // namespace classdiv
