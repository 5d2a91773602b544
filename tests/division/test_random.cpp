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

TEST(ClockRandomSource, UniformInTheHalfOpenUnitIntervalAndNeverRepeatingAfterAReseed)
{
    ClockRandomSource random;
    constexpr int kNumbers = 1'000'000;
    constexpr int kBins = 100;
    std::array<int, kBins> bins{};
    for (int i = 0; i < kNumbers; ++i) {
        const float r = random.next();
        ASSERT_TRUE(r >= 0.0f && r < 1.0f) << r;
        ++bins[static_cast<int>(r * kBins)];
    }
    // 10000 expected per bin, sigma about 99.5: six sigma either way.
    for (int b = 0; b < kBins; ++b)
        EXPECT_NEAR(bins[b], kNumbers / kBins, 600) << "bin " << b;

    // Far more re-seeds than the clock can tick through: a re-seed that only
    // looked at the clock would hand out the same numbers again and again.
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

// Over many presses: exact head counts every time, every rank equally likely
// in each of its group's classes, consecutive blocks no more alike than chance.
TEST(ClockRandomSource, ManyPressesDrawFairly)
{
    testing::DivisionYear year({{QStringLiteral("六"), 60, {{1, 10}, {2, 10}, {3, 10}, {4, 10}, {5, 10}, {6, 10}}},
                                {QStringLiteral("三"), 31, {{7, 11}, {8, 10}, {9, 10}}},
                                {QStringLiteral("偏"), 25, {{1, 5}, {2, 10}, {10, 10}}}});
    ClockRandomSource random;
    DivisionState state;
    DistributionTable distribution;
    constexpr int kPresses = 3000;
    std::map<int, std::vector<std::map<int, int>>> placed; // [group][rank][class]
    for (int g = 1; g <= 3; ++g)
        placed[g].resize(year.ws.groupSize[g] + 1);
    std::vector<std::array<int, 4>> drawnSlots(32); // group 三: [rank][slot]
    int repeatedBlocks = 0;
    int blockPairs = 0;
    for (int p = 0; p < kPresses; ++p) {
        ASSERT_FALSE(drawClasses(year.ws, state, *year.table, distribution, random).message);
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

    const auto expectShare = [&](int count, double p, const char* what, int rank, int place) {
        ASSERT_NEAR(count, kPresses * p, 5 * std::sqrt(kPresses * p * (1 - p))) << what << rank << " / " << place;
    };
    // Group 六 never moves anyone: each rank is in each class with 1/6.
    for (int w = 1; w <= 60; ++w)
        for (int k = 1; k <= 6; ++k)
            expectShare(placed[1][w][k], 1.0 / 6, "six classes, rank ", w, k);
    // Group 三's balancing moves a middle rank on purpose, so the draw itself
    // is judged: every rank, the lone 31st included, takes each slot with 1/3.
    for (int w = 1; w <= 31; ++w)
        for (int s = 1; s <= 3; ++s)
            expectShare(drawnSlots[w][s], 1.0 / 3, "three slots, rank ", w, s);
    // Group 偏 (slots 1, 2, 2 in blocks of five): classes 1 and 10 get one and two of five.
    for (int w = 1; w <= 25; ++w) {
        expectShare(placed[3][w][1], 0.2, "uneven, rank ", w, 1);
        expectShare(placed[3][w][10], 0.4, "uneven, rank ", w, 10);
    }
    // 720 orders of six classes: about one pair in 720 repeats.
    const double expected = blockPairs / 720.0;
    EXPECT_LT(repeatedBlocks, expected + 6 * std::sqrt(expected) + 1) << repeatedBlocks << " of " << blockPairs;
}

} // namespace
} // namespace classdiv
