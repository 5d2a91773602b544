// The press of the distribution button with fixed random numbers.

#include "DivisionYear.h"
#include "support/ScriptedRandom.h"

#include "division/Division.h"

#include <gtest/gtest.h>

#include <map>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::GroupOfYear;
using testing::numbersForSlots;
using testing::ScriptedRandom;

struct Press {
    DivisionState state;
    DistributionTable distribution;
    DrawOutcome run(DivisionYear& year, RandomSource& random)
    {
        return drawClasses(year.ws, state, *year.table, distribution, random);
    }
};

std::map<QString, int> classSizes(const DivisionYear& year, int g)
{
    std::map<QString, int> sizes;
    for (int w = 1; w <= year.ws.groupSize[g]; ++w)
        ++sizes[year.newClassOf(g, w)];
    return sizes;
}

TEST(DrawClasses, SixEqualClassesGetEveryBlockAsOnePermutation)
{
    // A year of 240 drawn as one group over six classes of 40.
    DivisionYear year({{QStringLiteral("全員"), 240, {{1, 40}, {2, 40}, {3, 40}, {4, 40}, {5, 40}, {6, 40}}}});
    // The repeated 2 is rejected, so every block takes all seven numbers.
    ScriptedRandom random(numbersForSlots({2, 2, 5, 1, 6, 3, 4}, 6));
    Press press;
    const DrawOutcome outcome = press.run(year, random);

    ASSERT_FALSE(outcome.message);
    EXPECT_TRUE(outcome.drawn);
    EXPECT_EQ(press.state.blockSize[1], 6);
    EXPECT_EQ(press.state.blockCount[1], 40);
    EXPECT_EQ(random.reseeds(), 40u);
    EXPECT_EQ(random.taken(), 40u * 7u);
    EXPECT_EQ(press.state.balancingMoves[1], 0);
    const QString perBlock[] = {"2", "5", "1", "6", "3", "4"};
    for (int w = 1; w <= 240; ++w)
        ASSERT_EQ(year.newClassOf(1, w), perBlock[(w - 1) % 6]) << "rank " << w;
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(press.distribution.classHeadCount[k], 40);
}

TEST(DrawClasses, FortyFortyTwentyHandsOutTwoTwoOneOfEveryFive)
{
    DivisionYear year({{QStringLiteral("A"), 100, {{4, 40}, {5, 40}, {6, 20}}}});
    ScriptedRandom random(numbersForSlots({5, 1, 3, 2, 4}, 5));
    Press press;
    ASSERT_FALSE(press.run(year, random).message);

    EXPECT_EQ(press.state.blockSize[1], 5);
    EXPECT_EQ(press.state.blockCount[1], 20);
    EXPECT_EQ(press.state.balancingMoves[1], 0);
    // Slots 1-2 are row 1's, 3-4 row 2's, 5 row 3's.
    const QString perBlock[] = {"6", "4", "5", "4", "5"};
    for (int w = 1; w <= 100; ++w)
        ASSERT_EQ(year.newClassOf(1, w), perBlock[(w - 1) % 5]) << "rank " << w;
    EXPECT_EQ(press.distribution.classHeadCount[4], 40);
    EXPECT_EQ(press.distribution.classHeadCount[5], 40);
    EXPECT_EQ(press.distribution.classHeadCount[6], 20);
}

TEST(DrawClasses, PreparationSplitsEveryBlockIntoSlotRuns)
{
    struct Case {
        std::vector<std::pair<int, int>> plan;
        std::vector<int> slotCounts;
    };
    const Case cases[] = {
        {{{1, 40}, {2, 40}, {3, 20}}, {2, 2, 1}},
        {{{1, 8}, {2, 8}, {3, 7}}, {1, 1, 1}},    // 8/7 + 0.5 stays below 2
        {{{1, 20}, {2, 30}}, {1, 2}},             // 1.5 + 0.5: halves go up
        {{{3, 12}, {1, 4}, {2, 8}}, {3, 1, 2}},
        {{{1, 17}}, {1}},
    };
    for (const Case& c : cases) {
        int size = 0;
        for (auto [classNumber, headCount] : c.plan)
            size += headCount;
        DivisionYear year({{QStringLiteral("A"), size, c.plan}});
        ScriptedRandom random({0.0f, 0.2f, 0.4f, 0.6f, 0.8f, 0.1f, 0.3f, 0.5f, 0.7f, 0.9f});
        Press press;
        ASSERT_FALSE(press.run(year, random).message);
        int first = 1;
        for (size_t k = 1; k <= c.plan.size(); ++k) {
            SCOPED_TRACE(::testing::Message() << "plan of " << c.plan.size() << " rows, row " << k);
            EXPECT_EQ(year.ws.conditions[1].rows[k].slotCount, c.slotCounts[k - 1]);
            EXPECT_EQ(press.state.slotRangeFirst[1][k], first);
            EXPECT_EQ(press.state.slotRangeLast[1][k], first + c.slotCounts[k - 1] - 1);
            first += c.slotCounts[k - 1];
        }
        EXPECT_EQ(press.state.blockSize[1], first - 1);
        for (auto [classNumber, headCount] : c.plan)
            EXPECT_EQ(classSizes(year, 1)[QString::number(classNumber)], headCount);
    }
}

TEST(DrawClasses, SevenStudentsFourAndThreeMoveTheSecondRanked)
{
    DivisionYear year({{QStringLiteral("A"), 7, {{3, 4}, {5, 3}}}});
    // Blocks: slots 1 2, 2 1, 1 2, then 2 (only the first position is used).
    ScriptedRandom random({0.1f, 0.6f, 0.6f, 0.1f, 0.1f, 0.6f, 0.6f, 0.1f});
    Press press;
    ASSERT_FALSE(press.run(year, random).message);

    // Drawn 3 5 5 3 3 5 5: class 5 holds ranks 2 3 6 7, so m = 2 picks rank 3.
    const std::vector<int16_t> expected{0, 3, 5, 3, 3, 3, 5, 5};
    EXPECT_EQ(press.state.rankClass[1], expected);
    EXPECT_EQ(press.state.balancingMoves[1], 1);
    EXPECT_EQ(press.state.classSurplus[1][1], 0);
    EXPECT_EQ(press.state.classSurplus[1][2], 0);
    EXPECT_EQ(year.newClassOf(1, 3), "3");
    EXPECT_EQ(year.newClassOf(1, 7), "5");
}

TEST(DrawClasses, BalancingMovesTheMiddleStudentOfTheOverFullClass)
{
    // Head counts h+1 and h with slot counts 1 and 1; every block hands out
    // slot 2 then slot 1, so the second class holds ranks 1 3 5 ... 2h+1 and
    // its m-th is rank 2m - 1.
    struct Case {
        int h;
        int m;
    };
    for (const Case c : {Case{3, 2}, Case{4, 2}, Case{5, 3}, Case{6, 3}}) {
        SCOPED_TRACE(::testing::Message() << "h = " << c.h);
        DivisionYear year({{QStringLiteral("A"), 2 * c.h + 1, {{1, c.h + 1}, {2, c.h}}}});
        ScriptedRandom random({0.6f, 0.1f});
        Press press;
        ASSERT_FALSE(press.run(year, random).message);
        EXPECT_EQ(press.state.balancingMoves[1], 1);
        for (int w = 1; w <= 2 * c.h + 1; ++w) {
            const bool moved = w == 2 * c.m - 1;
            EXPECT_EQ(year.newClassOf(1, w), (w % 2 == 1 && !moved) ? "2" : "1") << "rank " << w;
        }
    }
}

TEST(DrawClasses, BalancingRecountsAfterEveryMove)
{
    // 30 30 25 take one slot each; 28 blocks and rank 85 on slot 1 leave
    // 29 28 28 against 30 30 25: three passes, each taking the middle of the
    // third class as it is by then, and filling the lowest under-full row first.
    DivisionYear year({{QStringLiteral("A"), 85, {{1, 30}, {2, 30}, {3, 25}}}});
    ScriptedRandom random(numbersForSlots({1, 2, 3}, 3));
    Press press;
    ASSERT_FALSE(press.run(year, random).message);

    EXPECT_EQ(press.state.balancingMoves[1], 3);
    EXPECT_EQ(year.newClassOf(1, 42), "1"); // 14th of 28
    EXPECT_EQ(year.newClassOf(1, 39), "2"); // 13th of 27
    EXPECT_EQ(year.newClassOf(1, 45), "2"); // 13th of 26, rank 42 gone
    EXPECT_EQ(year.newClassOf(1, 48), "3");
    EXPECT_EQ(classSizes(year, 1), (std::map<QString, int>{{"1", 30}, {"2", 30}, {"3", 25}}));
}

TEST(DrawClasses, OneClassTakesTheWholeGroup)
{
    DivisionYear year({{QStringLiteral("A"), 30, {{4, 30}}}, {QStringLiteral("B"), 10, {{1, 5}, {2, 5}}}});
    ScriptedRandom random({0.99999994f, 0.25f}); // the largest float below 1 still lands in the block
    Press press;
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.blockSize[1], 1);
    EXPECT_EQ(press.state.blockCount[1], 30);
    for (int w = 1; w <= 30; ++w)
        ASSERT_EQ(year.newClassOf(1, w), "4");
    EXPECT_EQ(classSizes(year, 2), (std::map<QString, int>{{"1", 5}, {"2", 5}}));
    EXPECT_EQ(random.reseeds(), 30u + 5u);
}

TEST(DrawClasses, SharedIdentifiersKeepTheirOwnClasses)
{
    // Numbers within the old class repeat across groups.
    DivisionYear year({{QStringLiteral("A"), 12, {{1, 6}, {2, 6}}}, {QStringLiteral("B"), 12, {{3, 6}, {4, 6}}}},
                      [](int, int w) { return QString::number(50 + w); },
                      [](int, int w) { return QString::number(w); });
    ScriptedRandom random({0.3f, 0.8f, 0.7f, 0.2f});
    Press press;
    ASSERT_FALSE(press.run(year, random).message);
    for (int g = 1; g <= 2; ++g) {
        for (int w = 1; w <= 12; ++w)
            EXPECT_EQ(year.newClassOf(g, w), QString::number(press.state.rankClass[g][w])) << g << "/" << w;
    }
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(press.distribution.classHeadCount[k], 6);
}

TEST(DrawClasses, PreparesOnFirstPressAndAgainOnlyAfterAChange)
{
    DivisionYear year({{QStringLiteral("A"), 100, {{1, 40}, {2, 40}, {3, 20}}}});
    ScriptedRandom random({0.05f, 0.95f, 0.45f, 0.25f, 0.65f, 0.85f, 0.15f});
    Press press;
    EXPECT_FALSE(press.state.conditionsPrepared);
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_TRUE(press.state.conditionsPrepared);
    EXPECT_EQ(press.state.preparationCount, 1);

    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.preparationCount, 1);

    // The old slot ranges would hand out class 3, which no row counts: the
    // balancing could never end. The new plan is prepared instead.
    year.setPlan(1, {{1, 50}, {2, 50}});
    year.ws.conditions[1].rows[3] = {}; // a confirmed entry of two rows
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.preparationCount, 2);
    EXPECT_EQ(press.state.blockSize[1], 2);
    EXPECT_EQ(classSizes(year, 1), (std::map<QString, int>{{"1", 50}, {"2", 50}}));

    // Same class numbers with other head counts are a change too.
    year.setPlan(1, {{1, 60}, {2, 40}});
    ASSERT_FALSE(press.run(year, random).message);
    EXPECT_EQ(press.state.preparationCount, 3);
    EXPECT_EQ(classSizes(year, 1), (std::map<QString, int>{{"1", 60}, {"2", 40}}));
}

struct Snapshot {
    std::vector<QString> newClasses;
    std::vector<TableItem> items;
    bool prepared;
    explicit Snapshot(const DivisionYear& year, const Press& press)
        : items(distributionTableItems(press.distribution, year.table->studentCount())),
          prepared(press.state.conditionsPrepared)
    {
        for (int e = 1; e <= year.table->studentCount(); ++e)
            newClasses.push_back(year.table->records[e].newClass);
    }
    bool operator==(const Snapshot&) const = default;
};

TEST(DrawClasses, RefusedPressChangesNothing)
{
    struct Case {
        const char* what;
        void (*spoil)(DivisionYear&);
        Message message;
    };
    const QString mistake = titles::inputMistake;
    const Case cases[] = {
        {"head counts one short of the students",
         [](DivisionYear& y) { y.setPlan(2, {{3, 10}, {4, 9}}); }, {kGrandTotalMessage, QString()}},
        {"rows above the class count still count",
         [](DivisionYear& y) { y.ws.conditions[2].rows[3] = {5, 4, 0}; }, {kGrandTotalMessage, QString()}},
        {"no class count",
         [](DivisionYear& y) { y.ws.conditions[2].classCount = 0; },
         {QStringLiteral("グループ「美男」のクラス数と各クラスの人数が入力されていません。入力して確認ボタンを押して下さい。"), mistake}},
        {"class count above ten",
         [](DivisionYear& y) { y.ws.conditions[2].classCount = 11; },
         {QStringLiteral("グループ「美男」のクラス数に誤りがあります。10クラスまでです。"), mistake}},
        {"a head count of zero",
         [](DivisionYear& y) { y.setPlan(2, {{3, 20}, {4, 0}}); },
         {QStringLiteral("グループ「美男」の2行目の人数に誤りがあります。1人以上を入力して下さい。"), mistake}},
        {"a negative head count",
         [](DivisionYear& y) { y.setPlan(2, {{3, 25}, {4, -5}}); },
         {QStringLiteral("グループ「美男」の2行目の人数に誤りがあります。1人以上を入力して下さい。"), mistake}},
        {"a class number of zero",
         [](DivisionYear& y) { y.setPlan(2, {{0, 10}, {4, 10}}); },
         {QStringLiteral("グループ「美男」の1行目のクラス番号に誤りがあります。1以上の番号を入力して下さい。"), mistake}},
        {"a class number twice",
         [](DivisionYear& y) { y.setPlan(2, {{4, 10}, {4, 10}}); },
         {QStringLiteral("グループ「美男」でクラス番号4が2回入力されています。別々のクラス番号を入力して下さい。"), mistake}},
        {"group sums off while the total matches",
         [](DivisionYear& y) { y.setPlan(1, {{1, 10}, {2, 11}}); y.setPlan(2, {{3, 10}, {4, 9}}); },
         {QStringLiteral("グループ「音女」の人数の合計（21人）がグループの生徒数（20人）と違います。"), mistake}},
        {"a score too large for the table",
         [](DivisionYear& y) { y.table->records[7].score = QStringLiteral("40000"); },
         {QStringLiteral("7番目の生徒（番号 1-4）の点数「40000」は大きすぎてクラス分けできません。点数は-32768から32767までにして下さい。"),
          titles::error}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DivisionYear year({{QStringLiteral("音女"), 20, {{1, 10}, {2, 10}}}, {QStringLiteral("美男"), 20, {{3, 10}, {4, 10}}}});
        ScriptedRandom random({0.1f, 0.9f, 0.5f});
        Press press;
        ASSERT_FALSE(press.run(year, random).message); // a first draw to keep
        const Snapshot before(year, press);
        const size_t taken = random.taken();
        c.spoil(year);
        const DrawOutcome outcome = press.run(year, random);
        ASSERT_TRUE(outcome.message);
        EXPECT_EQ(*outcome.message, c.message);
        EXPECT_FALSE(outcome.drawn);
        EXPECT_EQ(Snapshot(year, press), before);
        EXPECT_EQ(random.taken(), taken);
    }
}

TEST(DrawClasses, GroupsUpToTheGroupTableCapacityAreDrawn)
{
    // The largest block: head counts 1 and 499 give slot counts 1 and 499.
    DivisionYear year({{QStringLiteral("大"), 500, {{1, 1}, {2, 499}}}});
    std::vector<int> wanted;
    for (int s = 500; s >= 1; --s)
        wanted.push_back(s);
    ScriptedRandom everySlot(numbersForSlots(wanted, 500));
    Press press;
    ASSERT_FALSE(press.run(year, everySlot).message);
    EXPECT_EQ(press.state.blockSize[1], 500);
    EXPECT_EQ(press.distribution.classHeadCount[1], 1);
    EXPECT_EQ(press.distribution.classHeadCount[2], 499);
}

TEST(DrawClasses, BrokenRandomSourceIsAProgrammingErrorNotAHang)
{
    DivisionYear year({{QStringLiteral("A"), 4, {{1, 2}, {2, 2}}}});
    ScriptedRandom random({0.1f}); // never reaches slot 2
    Press press;
    EXPECT_THROW(press.run(year, random), std::logic_error);
    EXPECT_TRUE(year.table->records[1].newClass.isEmpty());
}

} // namespace
} // namespace classdiv
