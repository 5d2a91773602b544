// The clock-seeded generator, alone and over many presses.

#include "support/Years.h"

#include "division/draw/Division.h"
#include "division/draw/RandomSource.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

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
    Xoshiro256 stuck(7); // a state mixed to all zeros would give zeros for ever
    stuck.mix(7);
    EXPECT_NE(stuck.next() | stuck.next(), 0u);
    ClockRandomSource other; // two generators made at once differ too
    ClockRandomSource again;
    EXPECT_NE(std::make_pair(other.next(), other.next()), std::make_pair(again.next(), again.next()));
}

// Over many presses every rank is equally likely in each of its group's
// classes, the last rank of a short block included.
TEST(ClockRandomSource, ManyPressesDrawFairly)
{
    testing::DivisionYear year({{QStringLiteral("六"), 60, {{1, 10}, {2, 10}, {3, 10}, {4, 10}, {5, 10}, {6, 10}}},
                                {QStringLiteral("三"), 31, {{7, 11}, {8, 10}, {9, 10}}}});
    ClockRandomSource random;
    DivisionState state;
    constexpr int kPresses = 3000;
    std::vector<std::array<int, 7>> placed(61); // group 六: [rank][class]
    std::vector<std::array<int, 4>> drawnSlots(32); // group 三: [rank][slot]
    for (int p = 0; p < kPresses; ++p) {
        ASSERT_FALSE(drawClasses(year.ws, state, year.students, random, year.classes).message);
        for (int w = 1; w <= 60; ++w)
            ++placed[w][year.newClassOf(1, w)];
        for (int w = 1; w <= 31; ++w)
            ++drawnSlots[w][state.rankSlot[2][w]];
    }
    const auto expectShare = [&](int count, double p, int rank, int place) {
        ASSERT_NEAR(count, kPresses * p, 5 * std::sqrt(kPresses * p * (1 - p))) << "rank " << rank << " / " << place;
    };
    for (int w = 1; w <= 60; ++w)
        for (int k = 1; k <= 6; ++k)
            expectShare(placed[w][k], 1.0 / 6, w, k);
    // Group 三's balancing moves a middle rank on purpose, so the draw itself is judged.
    for (int w = 1; w <= 31; ++w)
        for (int s = 1; s <= 3; ++s)
            expectShare(drawnSlots[w][s], 1.0 / 3, w, s);
}

} // namespace
} // namespace classdiv
