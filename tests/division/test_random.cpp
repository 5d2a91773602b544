// The clock-seeded generator, alone and over many presses.

#include "DivisionYear.h"

#include "division/Division.h"
#include "division/RandomSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::GroupOfYear;

TEST(ClockRandomSource, NumbersAreUniformInTheHalfOpenUnitInterval)
{
    ClockRandomSource random;
    constexpr int kNumbers = 1'000'000;
    constexpr int kBins = 100;
    std::array<int, kBins> bins{};
    float lowest = 1;
    float highest = 0;
    for (int i = 0; i < kNumbers; ++i) {
        const float r = random.next();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        ++bins[static_cast<int>(r * kBins)];
    }
    EXPECT_LT(lowest, 1e-4f);
    EXPECT_GT(highest, 1 - 1e-4f);
    // 10000 expected per bin, sigma about 99.5: six sigma either way.
    for (int b = 0; b < kBins; ++b)
        EXPECT_NEAR(bins[b], kNumbers / kBins, 600) << "bin " << b;
}

TEST(ClockRandomSource, ReseedsWithinOneClockReadingNeverRepeatASequence)
{
    // Far more re-seeds than the clock can tick through: a re-seed that only
    // looked at the clock would hand out the same numbers again and again.
    ClockRandomSource random;
    std::set<std::array<float, 4>> seen;
    constexpr int kReseeds = 20000;
    for (int i = 0; i < kReseeds; ++i) {
        random.reseed();
        seen.insert({random.next(), random.next(), random.next(), random.next()});
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kReseeds));

    ClockRandomSource other; // two generators made at once differ too
    ClockRandomSource again;
    EXPECT_NE(std::make_pair(other.next(), other.next()), std::make_pair(again.next(), again.next()));
}

// Over many presses with the production generator: exact head counts every
// time, every rank equally likely in each of its group's classes, and
// consecutive blocks no more alike than chance allows.
TEST(ClockRandomSource, ManyPressesDrawFairly)
{
    DivisionYear year({{QStringLiteral("六"), 60, {{1, 10}, {2, 10}, {3, 10}, {4, 10}, {5, 10}, {6, 10}}},
                       {QStringLiteral("三"), 31, {{7, 11}, {8, 10}, {9, 10}}},
                       {QStringLiteral("偏"), 25, {{1, 5}, {2, 10}, {10, 10}}}});
    ClockRandomSource random;
    DivisionState state;
    DistributionTable distribution;
    constexpr int kPresses = 3000;
    // [group][rank][class] counts
    std::map<int, std::vector<std::map<int, int>>> placed;
    for (int g = 1; g <= 3; ++g)
        placed[g].resize(year.ws.groupSize[g] + 1);
    std::vector<std::array<int, 4>> drawnSlots(32); // group 三: [rank][slot]
    int repeatedBlocks = 0;
    int blockPairs = 0;
    for (int p = 0; p < kPresses; ++p) {
        const DrawOutcome outcome = drawClasses(year.ws, state, *year.table, distribution, random);
        ASSERT_FALSE(outcome.message);
        for (int g = 1; g <= 3; ++g) {
            const GroupCondition& c = year.ws.conditions[g];
            std::map<int, int> sizes;
            for (int w = 1; w <= year.ws.groupSize[g]; ++w) {
                const int classNumber = year.newClassOf(g, w).toInt();
                ++sizes[classNumber];
                ++placed[g][w][classNumber];
            }
            for (int k = 1; k <= c.classCount; ++k)
                ASSERT_EQ(sizes[c.rows[k].classNumber], c.rows[k].headCount) << "press " << p << " group " << g;
        }
        for (int w = 1; w <= 31; ++w)
            ++drawnSlots[w][state.rankSlot[2][w]];
        const std::vector<int16_t>& draws = state.blockDraws[1];
        for (int b = 1; b < state.blockCount[1]; ++b) {
            ++blockPairs;
            repeatedBlocks += std::equal(draws.begin() + 6 * (b - 1), draws.begin() + 6 * b, draws.begin() + 6 * b);
        }
    }

    // Group 六 never moves anyone: each rank is in each class with 1/6.
    const double p6 = 1.0 / 6;
    const double sigma6 = std::sqrt(kPresses * p6 * (1 - p6));
    for (int w = 1; w <= 60; ++w) {
        for (int k = 1; k <= 6; ++k)
            ASSERT_NEAR(placed[1][w][k], kPresses * p6, 5 * sigma6) << "rank " << w << " class " << k;
    }
    // Group 三 draws 10 full blocks and the first of an 11th; the balancing
    // then moves a middle rank on purpose, so the draw itself is judged:
    // every rank, the lone 31st included, takes each slot with 1/3.
    const double p3 = 1.0 / 3;
    const double sigma3 = std::sqrt(kPresses * p3 * (1 - p3));
    for (int w = 1; w <= 31; ++w) {
        for (int s = 1; s <= 3; ++s)
            ASSERT_NEAR(drawnSlots[w][s], kPresses * p3, 5 * sigma3) << "rank " << w << " slot " << s;
    }
    // Group 偏 (slots 1, 2, 2 in blocks of five): each block gives two of
    // five ranks to classes 2 and 10, one to class 1.
    for (int w = 1; w <= 25; ++w) {
        ASSERT_NEAR(placed[3][w][1], kPresses * 0.2, 5 * std::sqrt(kPresses * 0.16)) << "rank " << w;
        ASSERT_NEAR(placed[3][w][10], kPresses * 0.4, 5 * std::sqrt(kPresses * 0.24)) << "rank " << w;
    }
    // 720 orders of six classes: about one pair in 720 repeats.
    const double expected = blockPairs / 720.0;
    EXPECT_LT(repeatedBlocks, expected + 6 * std::sqrt(expected) + 1) << repeatedBlocks << " of " << blockPairs;
}

TEST(DrawClasses, ExampleYearGivesEveryClassForty)
{
    DivisionYear year({{QStringLiteral("書女"), 36, {{5, 18}, {6, 18}}},
                       {QStringLiteral("書男"), 44, {{5, 22}, {6, 22}}},
                       {QStringLiteral("美女"), 42, {{3, 21}, {4, 21}}},
                       {QStringLiteral("美男"), 38, {{3, 19}, {4, 19}}},
                       {QStringLiteral("音女"), 40, {{1, 20}, {2, 20}}},
                       {QStringLiteral("音男"), 40, {{1, 20}, {2, 20}}}});
    ASSERT_EQ(year.table->studentCount(), 240);
    ClockRandomSource random;
    DivisionState state;
    DistributionTable distribution;
    std::vector<QString> first;
    bool different = false;
    for (int press = 0; press < 20; ++press) {
        ASSERT_FALSE(drawClasses(year.ws, state, *year.table, distribution, random).message);
        for (int k = 1; k <= 6; ++k)
            ASSERT_EQ(distribution.classHeadCount[k], 40) << "class " << k;
        EXPECT_EQ(distribution.classHeadCount[7], 0);
        EXPECT_EQ(distribution.bands.topTenthRank, 24);
        std::vector<QString> classes;
        for (int e = 1; e <= 240; ++e)
            classes.push_back(year.table->records[e].newClass);
        if (press == 0)
            first = classes;
        different = different || classes != first;
    }
    EXPECT_TRUE(different);
    EXPECT_EQ(state.preparationCount, 1);
}

} // namespace
} // namespace classdiv
