// The aim of the flag columns within their fair ranges: each flag column's
// largest |count - fair share| as small as it can be, then the fewest cells
// at it, column by column, then mixing counts outside their ranges, mixing's
// largest deviation and its cells at it in the same way, then the averages. Checked against every placement of tiny years, and against the
// search as it was before this aim on random years with two flag columns.

#include "search/CountPaths.h"
#include "search/FairShares.h"
#include "search/Search.h"
#include "tests/search/RandomProblems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <utility>

namespace classdiv::evening {
namespace {

// Deviations in millionths of a student, so that equal ones compare equal.
long micro(double d) { return std::lround(d * 1e6); }

using Aim = std::tuple<long, long, long, long, long, long, long, long, long>;

// Everything above the averages, in the order the search ranks it; mixing's
// deviation and its cells only where the problem asks for them.
Aim aimOf(const Problem& p, const std::vector<int>& classOf)
{
    const auto outside = flagsOutside(p, classOf);
    const auto flags = flagSpreads(p, classOf);
    long mixOutside = 0;
    std::vector<int> count(static_cast<size_t>(p.classCount) * p.mixCount, 0);
    for (size_t s = 0; s < p.students.size(); ++s)
        ++count[static_cast<size_t>(classOf[s]) * p.mixCount + p.students[s].mix];
    for (size_t i = 0; i < count.size(); ++i)
        mixOutside += std::max(0L, long(std::floor(p.mixShare[i] + 1e-9)) - count[i]) +
                      std::max(0L, count[i] - long(std::ceil(p.mixShare[i] - 1e-9)));
    const ShareSpread mixing = mixingSpread(p, classOf);
    return {outside[0], outside[1], micro(flags[0].largest), flags[0].cells, micro(flags[1].largest), flags[1].cells,
            mixOutside, p.mixingLevels ? micro(mixing.largest) : 0, p.mixingLevels ? mixing.cells : 0};
}

// A sex of every student and a leader flag on some as the two flag columns,
// and the old classes mixed, each shared pool by pool.
void withFlags(Problem& p, const std::vector<int>& sex, const std::vector<int>& leader, const std::vector<int>& mix)
{
    p.rules.resize(p.students.size());
    for (size_t s = 0; s < p.students.size(); ++s)
        p.rules[s].flags = {sex[s], leader[s], -1, -1};
    p.flagColumns = 2;
    p.flagValues = {2, 1, 0, 0};
    p.flagShare[0] = testing::poolShares(p, 2, sex);
    p.flagShare[1] = testing::poolShares(p, 1, leader);
    p.mixShare = testing::poolShares(p, p.mixCount, mix);
}

// A tiny year: one or two groups over the same two or three classes, a sex
// of every student, a flag on some, `oldClasses` old classes mixed. With `bands`
// above one, one group over three classes whose students fall into that
// many score bands, so that many exchanges would break a band's fair range.
Problem tinyYear(uint64_t seed, std::vector<int>& start, int bands, int oldClasses)
{
    testing::SmallRng rng(seed);
    Problem p;
    p.bandCount = bands;
    p.classCount = bands > 1 ? 3 : 2 + static_cast<int>(rng.below(2));
    p.mixCount = oldClasses;
    const int groups = bands > 1 ? 1 : 1 + static_cast<int>(rng.below(2));
    std::vector<int> sex, leader, mix;
    for (int g = 0; g < groups; ++g) {
        Group group;
        for (int c = 0; c < p.classCount; ++c) {
            group.classes.push_back(c);
            group.headCounts.push_back((groups == 1 ? 3 : 1) + static_cast<int>(rng.below(2)));
            for (int h = 0; h < group.headCounts.back(); ++h) {
                const int s = static_cast<int>(p.students.size());
                p.students.push_back({g, static_cast<int>(rng.below(bands)), 40.0 + rng.below(50), -1,
                                      static_cast<int>(rng.below(static_cast<uint64_t>(oldClasses))), s});
                group.students.push_back(s);
                start.push_back(c);
                sex.push_back(static_cast<int>(rng.below(5) < 3));
                leader.push_back(rng.below(3) == 0 ? 0 : -1);
                mix.push_back(p.students.back().mix);
            }
        }
        p.groups.push_back(group);
    }
    withFlags(p, sex, leader, mix);
    return p;
}

// Whether every band count of every group lies within its fair range.
bool bandsFair(const Problem& p, const std::vector<int>& classOf)
{
    for (const Group& group : p.groups) {
        std::vector<int> inBand(static_cast<size_t>(p.bandCount), 0), count(group.classes.size() * p.bandCount, 0);
        for (int s : group.students) {
            ++inBand[static_cast<size_t>(p.students[s].band)];
            const auto l = std::find(group.classes.begin(), group.classes.end(), classOf[s]) - group.classes.begin();
            ++count[static_cast<size_t>(l) * p.bandCount + p.students[s].band];
        }
        const auto fair = fairBandTable(group.headCounts, inBand, static_cast<int>(group.students.size()));
        for (size_t i = 0; i < count.size(); ++i)
            if (!fair[i].holds(count[i]))
                return false;
    }
    return true;
}

// Every placement that keeps the head counts and every band count within its fair range.
void everyPlacement(const Problem& p, const std::function<void(const std::vector<int>&)>& visit)
{
    testing::everyHeadCountPlacement(p, [&](const std::vector<int>& classOf) {
        if (bandsFair(p, classOf))
            visit(classOf);
    });
}

// The best aim of every placement, and the best spread at it.
std::pair<Aim, double> bestPlacement(const Problem& p)
{
    Aim best{};
    double bestSpread = 0;
    bool any = false;
    everyPlacement(p, [&](const std::vector<int>& classOf) {
        const Aim aim = aimOf(p, classOf);
        const double spread = averageSpread(p, classOf);
        if (!any || aim < best || (aim == best && spread < bestSpread - 1e-9)) {
            best = aim;
            bestSpread = spread;
            any = true;
        }
    });
    return {best, bestSpread};
}

// With three bands in one group over three classes, a class's flag count
// often changes only by three students going round the three classes: the
// flags are held to their best there in every use. With three old classes
// in classes of three to four, the shares of mixing are fractions; where the
// problem asks for mixing's least deviation too, a class that could hold 1
// of an old class where its share is 1.3 holds 1.
TEST(FlagLevels, TinyYearsReachTheBestAimThenTheBestSpread)
{
    for (const auto& [bands, seeds, uses, oldClasses, mixingAim] :
         {std::tuple{1, 16, 2, 2, false}, std::tuple{3, 40, 4, 2, false}, std::tuple{1, 16, 2, 3, true},
          std::tuple{3, 20, 3, 2, true}})
    for (uint64_t seed = 1; seed <= uint64_t(seeds); ++seed) {
        SCOPED_TRACE(::testing::Message() << bands << " bands, " << oldClasses << " old classes, mixing's aim "
                                          << mixingAim << ", seed " << seed);
        std::vector<int> start;
        Problem p = tinyYear(seed, start, bands, oldClasses);
        p.mixingLevels = mixingAim;
        const auto [best, bestSpread] = bestPlacement(p);
        // With two groups of a student or two a class, exchanges inside a
        // group cannot always reach the best mixing beneath the flags: only
        // the flags are held to their best there.
        const auto flags = [](const Aim& aim) {
            return std::make_tuple(std::get<0>(aim), std::get<1>(aim), std::get<2>(aim), std::get<3>(aim), std::get<4>(aim),
                                   std::get<5>(aim));
        };
        for (uint64_t use = 0; use < uint64_t(uses); ++use) {
            std::vector<int> classOf = start;
            evenOut(p, classOf, seed * 31 + use);
            EXPECT_EQ(flags(aimOf(p, classOf)), flags(best));
            EXPECT_TRUE(bandsFair(p, classOf)); // the moves of two and three students keep the bands too
            if (p.groups.size() == 1)
                EXPECT_EQ(aimOf(p, classOf), best);
            if (p.groups.size() == 1 && bands == 1)
                EXPECT_NEAR(averageSpread(p, classOf), bestSpread, 1e-9);
        }
    }
}

// Two halves, classes 0-1 and 2-3, each of a group of eight, joined only by
// a group of four over classes 1 and 2; a sex and a flag on some, as in
// tinyYear, and the first half scoring higher than the second.
Problem twoHalvesYear(uint64_t seed, std::vector<int>& start)
{
    testing::SmallRng rng(seed);
    Problem p;
    p.classCount = 4;
    p.mixCount = 2;
    std::vector<int> sex, leader, mix;
    const std::array<std::pair<int, int>, 3> classes{{{0, 1}, {2, 3}, {1, 2}}};
    for (int g = 0; g < 3; ++g) {
        Group group{{classes[g].first, classes[g].second}, {g < 2 ? 4 : 2, g < 2 ? 4 : 2}, {}};
        for (size_t l = 0; l < 2; ++l)
            for (int h = 0; h < group.headCounts[l]; ++h) {
                const int s = static_cast<int>(p.students.size());
                const double score = g == 0 ? 60.0 + rng.below(40) : g == 1 ? 40.0 + rng.below(40) : 20.0 + rng.below(80);
                p.students.push_back({g, 0, score, -1, static_cast<int>(rng.below(2)), s});
                group.students.push_back(s);
                start.push_back(group.classes[l]);
                sex.push_back(static_cast<int>(rng.below(2)));
                leader.push_back(rng.below(3) == 0 ? 0 : -1);
                mix.push_back(p.students.back().mix);
            }
        p.groups.push_back(group);
    }
    withFlags(p, sex, leader, mix);
    return p;
}

// Points cross between the halves only through the group of four, whose
// trades mostly move a flag or mixing count out of its range unless another
// group's exchange mends it in the same step: without those chains the
// search found the best spread in 36 of these 90 uses, with them in 84.
TEST(FlagLevels, TwoHalvesJoinedByASmallGroupReachTheBestSpread)
{
    constexpr int kSeeds = 30, kUses = 3;
    int reached = 0;
    for (uint64_t seed = 1; seed <= uint64_t(kSeeds); ++seed) {
        SCOPED_TRACE(seed);
        std::vector<int> start;
        const Problem p = twoHalvesYear(seed, start);
        const auto [best, bestSpread] = bestPlacement(p);
        for (uint64_t use = 0; use < uint64_t(kUses); ++use) {
            std::vector<int> classOf = start;
            evenOut(p, classOf, seed * 17 + use);
            EXPECT_EQ(aimOf(p, classOf), best);
            reached += std::abs(averageSpread(p, classOf) - bestSpread) < 1e-9;
        }
    }
    EXPECT_GE(reached, kSeeds * kUses * 9 / 10);
}

// The trades of the group of four across the join of twoHalvesYear, with a
// repair that changes nothing: one of its students is fixed in its class and
// stays there, the two groups of eight do not move, the key returned is the
// placement's and never worse than at the start, and no trade of the group's
// free students that narrows the spread by itself and makes the key better
// is left when they end.
TEST(FlagLevels, TradesAcrossAJoinKeepFixedStudentsAndLeaveNoTradeThatPays)
{
    constexpr int kSeeds = 40;
    int traded = 0;
    for (uint64_t seed = 1; seed <= uint64_t(kSeeds); ++seed) {
        SCOPED_TRACE(seed);
        std::vector<int> start;
        Problem p = twoHalvesYear(seed, start);
        p.mixingLevels = true;
        const std::vector<int>& joining = p.groups[2].students;
        const int fixed = joining[seed % joining.size()];
        p.rules[fixed].fixedClass = start[fixed];
        Placement placement(p, start);
        placement.recount();
        const std::vector<Component> components = componentsOf(p, placement, [](int) { return true; });
        ASSERT_EQ(components.size(), 1u);
        const Component& component = components[0];
        const Key before = placement.keyOf(component);
        const auto asItIs = [&](const Key&) { return placement.keyOf(component); };
        const Key after = tradeAcrossJoins(placement, component, before, 2, asItIs);
        const std::vector<int> classOf = placement.seats().classes();

        EXPECT_EQ(classOf[fixed], start[fixed]);
        for (int g = 0; g < 2; ++g)
            for (int s : p.groups[g].students)
                EXPECT_EQ(classOf[s], start[s]) << "student " << s;
        const Key now = placement.keyOf(component);
        EXPECT_FALSE(better(after, now) || better(now, after));
        EXPECT_FALSE(better(before, after));
        traded += better(after, before);

        std::vector<int> kept(component.movable.size());
        for (size_t i = 0; i < kept.size(); ++i)
            kept[i] = placement.classOf(component.movable[i]);
        for (int a : joining)
            for (int b : joining) {
                Change ch;
                if (a == fixed || b == fixed || classOf[a] >= classOf[b] || !placement.change(a, b, ch))
                    continue;
                if (!(placement.keyAfter(component, after, classOf[a], classOf[b], ch).spread < after.spread - 1e-9))
                    continue;
                placement.apply(a, b, ch);
                EXPECT_FALSE(better(placement.keyOf(component), after)) << "trade " << a << " and " << b;
                placement.restore(component, kept);
            }
    }
    EXPECT_GE(traded, kSeeds / 4);
}

// Group A (students 0-3) and group B (4-7) over two classes each of three,
// two of each group in each of its classes as classOf has them; a sex of
// every student whose shares are the classes' counts, so that no exchange
// may change one; the old classes mixed, with mixing's aim on.
Problem twoGroupsOfFour(const std::array<std::vector<int>, 2>& classes, const std::vector<int>& classOf,
                        const std::array<int, 8>& sex, const std::array<int, 8>& band, const std::array<int, 8>& mix,
                        std::vector<double> mixShare)
{
    Problem p;
    p.classCount = 3;
    p.bandCount = 2;
    p.mixCount = static_cast<int>(mixShare.size()) / 3;
    p.groups = {Group{classes[0], {2, 2}, {0, 1, 2, 3}}, Group{classes[1], {2, 2}, {4, 5, 6, 7}}};
    p.rules.resize(8);
    p.flagShare[0].assign(6, 0.0);
    for (int s = 0; s < 8; ++s) {
        p.students.push_back({s < 4 ? 0 : 1, band[s], 50.0 + s, -1, mix[s], s});
        p.rules[s].flags = {sex[s], -1, -1, -1};
        p.flagShare[0][static_cast<size_t>(classOf[s]) * 2 + sex[s]] += 1;
    }
    p.flagColumns = 1;
    p.flagValues = {2, 0, 0, 0};
    p.mixShare = std::move(mixShare);
    p.mixingLevels = true;
    return p;
}

// Three classes in a row: group A over classes 0 and 1, group B over 1 and
// 2, two students of each group in each of its classes. Class 0 holds two of
// old class 0 where its share is one, class 2 two of old class 1; no single
// exchange lowers mixing's deviation (each mends one end and spoils class 1),
// only a path through class 1 does. The shares of boys are the classes'
// counts: a leg that would change one is not taken, nor one that moves a
// band count past its range.
TEST(FlagLevels, MixingCarriedAlongAPathThroughTheClassBetween)
{
    struct Case {
        const char* what;
        std::array<int, 8> sex;   // by student: A in 0, A in 0, A in 1, A in 1, B in 1, B in 1, B in 2, B in 2
        std::array<int, 8> band;
        long outsideAfter;        // mixing counts outside their ranges after
    };
    const Case cases[] = {
        {"the path", {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {"A's students all boys", {1, 1, 1, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {"B's leg would take a boy from class 1", {0, 0, 0, 0, 1, 1, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, 4},
        {"each leg keeps the bands", {0, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 1, 0, 0, 1, 1, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> classOf{0, 0, 1, 1, 1, 1, 2, 2};
        const Problem p = twoGroupsOfFour({{{0, 1}, {1, 2}}}, classOf, c.sex, c.band, {0, 0, 1, 1, 0, 0, 1, 1},
                                          {1, 1, 2, 2, 1, 1});
        Placement placement(p, classOf);
        placement.recount();
        const std::vector<Component> components = componentsOf(p, placement, [](int) { return true; });
        ASSERT_EQ(components.size(), 1u);
        const Key before = placement.keyOf(components[0]);
        ASSERT_EQ(before.mix, 4);
        const Key after = carryMixingCounts(placement, components[0], before, kPathBudget);
        EXPECT_EQ(after.mix, c.outsideAfter);
        EXPECT_EQ(after.flags, before.flags);
        EXPECT_EQ(std::make_tuple(after.pairs, after.flags, after.levels, after.mix, after.mixLevel),
                  [&] { const Key k = placement.keyOf(components[0]); return std::make_tuple(k.pairs, k.flags, k.levels, k.mix, k.mixLevel); }());
        EXPECT_TRUE(bandsFair(p, placement.seats().classes()));
    }
}

// Group A over classes 0 and 1, group B over classes 0 and 2. Class 0 holds
// two of old class 0 where its share is 1.3: A can send one to class 1 only
// for one of old class 1, which puts class 0 at three of old class 1 where
// its share is 2.1, further off than before; only B sending one of those on
// to class 2, for one of old class 2, brings every cell within 0.4. Paths of
// one old class never reach that: the second path must follow the first.
TEST(FlagLevels, MixingCarriedOnInAnotherOldClass)
{
    struct Case {
        const char* what;
        std::array<int, 8> sex; // by student: A in 0, A in 0, A in 1, A in 1, B in 0, B in 0, B in 2, B in 2
        double largestAfter;    // mixing's largest deviation after
        int cellsAfter;
    };
    const Case cases[] = {
        {"the second path follows the first", {0, 0, 0, 0, 0, 0, 0, 0}, 0.4, 3},
        {"B's leg would bring class 0 a boy", {0, 0, 0, 0, 0, 0, 1, 1}, 0.7, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> classOf{0, 0, 1, 1, 0, 0, 2, 2};
        const Problem p = twoGroupsOfFour({{{0, 1}, {0, 2}}}, classOf, c.sex, {}, {0, 0, 1, 1, 1, 1, 2, 2},
                                          {1.3, 2.1, 0.6, 0.7, 1.3, 0, 0, 0.6, 1.4});
        Placement placement(p, classOf);
        placement.recount();
        const std::vector<Component> components = componentsOf(p, placement, [](int) { return true; });
        ASSERT_EQ(components.size(), 1u);
        const Key before = placement.keyOf(components[0]);
        ASSERT_NEAR(mixingSpread(p, classOf).largest, 0.7, 1e-9);
        const Key after = carryMixingCounts(placement, components[0], before, kPathBudget);
        const std::vector<int> now = placement.seats().classes();
        EXPECT_NEAR(mixingSpread(p, now).largest, c.largestAfter, 1e-9);
        EXPECT_EQ(mixingSpread(p, now).cells, c.cellsAfter);
        EXPECT_EQ(after.mixLevel, placement.keyOf(components[0]).mixLevel);
        EXPECT_EQ(after.flags, before.flags);
        EXPECT_EQ(flagsOutside(p, now)[0], 0);
    }
}

// Each flag column's largest deviation and its cells, then the next column's,
// as the search gave the random flag years before the aim went beyond the
// fair ranges (deviations in millionths); the aim may only do better.
constexpr std::array<std::array<long, 4>, 40> kBefore{{
#include "tests/search/FlagSpreadsBefore.inc"
}};

TEST(FlagLevels, RandomYearsNeverSpreadFlagsWiderThanBefore)
{
    for (uint64_t seed = 1; seed <= kBefore.size(); ++seed) {
        SCOPED_TRACE(seed);
        std::vector<int> classOf;
        const Problem p = testing::randomFlagYear(seed, classOf);
        evenOut(p, classOf, seed * 7);
        const auto flags = flagSpreads(p, classOf);
        const std::array<long, 4> now{micro(flags[0].largest), flags[0].cells, micro(flags[1].largest), flags[1].cells};
        EXPECT_LE(now, kBefore[seed - 1]);
        EXPECT_EQ(flagsOutside(p, classOf)[0] + flagsOutside(p, classOf)[1], 0);
    }
}

} // namespace
} // namespace classdiv::evening
