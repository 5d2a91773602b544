// The other choices of a small group that alone joins two sets of classes:
// every trade of one to three pairs across the sets, each pair of the same
// flag values, that brings the sets' averages nearer, nearest first, against
// a count by brute force; and a trade made only where it keeps the group's
// band counts.

#include "search/JoinSeats.h"
#include "search/Placement.h"
#include "tests/search/RandomProblems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace classdiv::evening {
namespace {

// Classes 0-1 hold a group of 40, classes 2-3 another; a small group of
// `joining` students over classes 1 and 2 joins them, `onLeft` of them in
// class 1. `bridge` adds a group over classes 0 and 3 that joins the sets
// as well; `third` sends the small group to class 4 too, which a group over
// classes 4 and 5 holds. Sexes alternate in the small group when `sexes`,
// and its first `fixed` students are fixed.
struct JoinYear {
    Problem p;
    std::vector<int> classOf;
    Component component;
    std::vector<int> sex;

    JoinYear(int joining, int onLeft, bool sexes, int fixed, bool bridge, bool third)
    {
        p.classCount = 6;
        p.bandCount = 1;
        std::vector<Group> groups{{{0, 1}, {20, 20}, {}}, {{2, 3}, {20, 20}, {}}, {{1, 2}, {onLeft, joining - onLeft}, {}}};
        if (third)
            groups[2] = {{1, 2, 4}, {onLeft, joining - onLeft - 2, 2}, {}};
        if (bridge)
            groups.push_back({{0, 3}, {10, 10}, {}});
        if (third)
            groups.push_back({{4, 5}, {20, 20}, {}});
        for (size_t g = 0; g < groups.size(); ++g)
            for (size_t l = 0; l < groups[g].classes.size(); ++l)
                for (int k = 0; k < groups[g].headCounts[l]; ++k) {
                    const int s = static_cast<int>(p.students.size());
                    const double score = g == 2 ? 30.0 + 6.5 * static_cast<double>(groups[g].students.size())
                                                : 40.0 + 5.0 * static_cast<double>(g) + (k * 7) % 23;
                    p.students.push_back({static_cast<int>(g), 0, score, -1, -1, s});
                    groups[g].students.push_back(s);
                    classOf.push_back(groups[g].classes[l]);
                    p.rules.push_back({});
                    sex.push_back(s % 2);
                    if (sexes)
                        p.rules.back().flags = {s % 2, -1, -1, -1};
                }
        for (int k = 0; k < fixed; ++k)
            p.rules[static_cast<size_t>(groups[2].students[static_cast<size_t>(k)])].fixedClass =
                classOf[static_cast<size_t>(groups[2].students[static_cast<size_t>(k)])];
        p.groups = groups;
        if (sexes) {
            p.flagColumns = 1;
            p.flagValues = {2, 0, 0, 0};
            p.flagShare[0] = testing::poolShares(p, 2, sex);
        }
        component.classes = third ? std::vector<int>{0, 1, 2, 3, 4, 5} : std::vector<int>{0, 1, 2, 3};
        for (int s = 0; s < static_cast<int>(p.students.size()); ++s)
            if (p.rules[static_cast<size_t>(s)].fixedClass < 0)
                component.movable.push_back(s);
    }
};

// How far apart the averages of classes 0-1 and 2-3 lie.
double gapOf(const Problem& p, const std::vector<int>& classOf)
{
    double sum[2] = {0, 0};
    int heads[2] = {0, 0};
    for (size_t s = 0; s < classOf.size(); ++s) {
        sum[classOf[s] >= 2] += p.students[s].score;
        ++heads[classOf[s] >= 2];
    }
    return std::abs(sum[0] / heads[0] - sum[1] / heads[1]);
}

TEST(JoinSeats, EveryTradeAcrossTheJoinWithTheSameFlagsThatBringsTheSetsNearerNearestFirst)
{
    struct Case {
        const char* what;
        int joining, onLeft;
        bool sexes;
        int fixed;
        bool bridge;
        size_t least; // choices at least; 0: none at all
    };
    const Case cases[] = {
        {"8 over the join, 5 on the left", 8, 5, false, 0, false, 1},
        {"sexes kept pair by pair", 8, 5, true, 0, false, 1},
        {"two of them fixed", 8, 5, true, 2, false, 1},
        {"1 on the left", 8, 1, false, 0, false, 1},
        {"4 on each side: three pairs at most", 8, 4, false, 0, false, 1},
        {"another group joins the sets too", 8, 5, false, 0, true, 0},
        {"20 students: not small", 20, 10, false, 0, false, 0},
    };
    const double least = 0.01;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JoinYear y(c.joining, c.onLeft, c.sexes, c.fixed, c.bridge, false);
        Placement placement(y.p, y.classOf);
        placement.recount();
        const std::vector<Replacement> got = joinReplacements(placement, y.component, least);

        // By brute force: every set of one to three free students on each side
        // with the same sexes, trading sides.
        std::vector<int> left, right;
        for (int s : y.p.groups[2].students)
            if (y.p.rules[static_cast<size_t>(s)].fixedClass < 0)
                (y.classOf[static_cast<size_t>(s)] == 1 ? left : right).push_back(s);
        const auto flagsOf = [&](const std::vector<int>& set) {
            std::vector<int> f;
            for (int s : set)
                f.push_back(y.p.rules[static_cast<size_t>(s)].flags[0]);
            std::sort(f.begin(), f.end());
            return f;
        };
        const double gapNow = gapOf(y.p, y.classOf);
        size_t expected = 0;
        double nearest = 1e9;
        std::vector<int> x, z;
        const std::function<void(size_t, size_t)> choose = [&](size_t fromX, size_t fromZ) {
            if (!x.empty() && x.size() == z.size() && flagsOf(x) == flagsOf(z)) {
                std::vector<int> classOf = y.classOf;
                for (size_t i = 0; i < x.size(); ++i)
                    std::swap(classOf[static_cast<size_t>(x[i])], classOf[static_cast<size_t>(z[i])]);
                const double gap = gapOf(y.p, classOf);
                if (gap + least <= gapNow + 1e-12) {
                    ++expected;
                    nearest = std::min(nearest, gap);
                }
            }
            if (z.size() == kMostJoinPairs)
                return;
            if (x.size() == z.size()) {
                for (size_t i = fromX; i < left.size(); ++i) {
                    x.push_back(left[i]);
                    choose(i + 1, fromZ);
                    x.pop_back();
                }
            } else {
                for (size_t i = fromZ; i < right.size(); ++i) {
                    z.push_back(right[i]);
                    choose(fromX, i + 1);
                    z.pop_back();
                }
            }
        };
        if (c.least > 0)
            choose(0, 0);
        ASSERT_EQ(got.size(), expected);
        EXPECT_GE(expected, c.least);
        if (got.empty())
            continue;
        EXPECT_NEAR(got.front().gap, nearest, 1e-9);
        for (size_t i = 0; i < got.size(); ++i) {
            const Replacement& r = got[i];
            if (i > 0)
                EXPECT_LE(got[i - 1].gap, r.gap);
            ASSERT_EQ(r.out.size(), r.in.size());
            ASSERT_FALSE(r.out.empty());
            EXPECT_EQ(r.closed, -1);
            std::vector<int> classOf = y.classOf;
            for (size_t j = 0; j < r.out.size(); ++j) {
                EXPECT_EQ(y.classOf[static_cast<size_t>(r.out[j])], 1);
                EXPECT_EQ(y.classOf[static_cast<size_t>(r.in[j])], 2);
                EXPECT_EQ(y.p.rules[static_cast<size_t>(r.out[j])].flags, y.p.rules[static_cast<size_t>(r.in[j])].flags);
                EXPECT_LT(y.p.rules[static_cast<size_t>(r.out[j])].fixedClass, 0);
                EXPECT_LT(y.p.rules[static_cast<size_t>(r.in[j])].fixedClass, 0);
                std::swap(classOf[static_cast<size_t>(r.out[j])], classOf[static_cast<size_t>(r.in[j])]);
            }
            EXPECT_NEAR(r.gap, gapOf(y.p, classOf), 1e-9);
        }
    }
}

// With three sets the gap is between the highest and the lowest average, and
// a trade may join any two of them.
TEST(JoinSeats, WithThreeSetsTheHighestAndLowestAverageComeNearer)
{
    JoinYear y(9, 4, false, 0, false, true);
    Placement placement(y.p, y.classOf);
    placement.recount();
    const auto gapOfSets = [&](const std::vector<int>& classOf) {
        const int setOf[] = {0, 0, 1, 1, 2, 2};
        double sum[3] = {0, 0, 0};
        int heads[3] = {0, 0, 0};
        for (size_t s = 0; s < classOf.size(); ++s) {
            sum[setOf[classOf[s]]] += y.p.students[s].score;
            ++heads[setOf[classOf[s]]];
        }
        const double means[] = {sum[0] / heads[0], sum[1] / heads[1], sum[2] / heads[2]};
        return *std::max_element(means, means + 3) - *std::min_element(means, means + 3);
    };
    const double gapNow = gapOfSets(y.classOf);
    const std::vector<Replacement> got = joinReplacements(placement, y.component, 0.0);
    ASSERT_FALSE(got.empty());
    bool touchesThird = false;
    for (const Replacement& r : got) {
        std::vector<int> classOf = y.classOf;
        for (size_t j = 0; j < r.out.size(); ++j) {
            const int from = classOf[static_cast<size_t>(r.out[j])], to = classOf[static_cast<size_t>(r.in[j])];
            EXPECT_NE(from / 2, to / 2) << "a pair within one set";
            touchesThird = touchesThird || from == 4 || to == 4;
            std::swap(classOf[static_cast<size_t>(r.out[j])], classOf[static_cast<size_t>(r.in[j])]);
        }
        EXPECT_NEAR(r.gap, gapOfSets(classOf), 1e-9);
        EXPECT_LE(r.gap, gapNow);
    }
    EXPECT_TRUE(touchesThird);
}

// A trade is made only where the small group's band counts in the classes
// it touches stay within their ranges: a high student for a low one is
// refused unless another pair trades the other way; nothing moves then.
TEST(JoinSeats, ATradeIsMadeOnlyWhereTheGroupsBandCountsHold)
{
    JoinYear y(8, 4, false, 0, false, false);
    y.p.bandCount = 2;
    for (size_t i = 0; i < y.p.groups[2].students.size(); ++i)
        y.p.students[static_cast<size_t>(y.p.groups[2].students[i])].band = static_cast<int>(i % 2);
    Placement placement(y.p, y.classOf);
    placement.recount();
    for (int local = 0; local < 2; ++local) // 2 of each band in each class of 4, no more, no fewer
        for (int band = 0; band < 2; ++band)
            placement.setBandRange(2, local, band, 2, 2);
    int made = 0, refused = 0;
    for (const Replacement& r : joinReplacements(placement, y.component, 0.0)) {
        int highOut = 0;
        for (size_t j = 0; j < r.out.size(); ++j)
            highOut += (y.p.students[static_cast<size_t>(r.out[j])].band == 0) -
                       (y.p.students[static_cast<size_t>(r.in[j])].band == 0);
        std::vector<int> before;
        for (size_t s = 0; s < y.p.students.size(); ++s)
            before.push_back(placement.classOf(static_cast<int>(s)));
        const bool didMake = makeReplacement(placement, r);
        EXPECT_EQ(didMake, highOut == 0) << "high students out of class 1: " << highOut;
        if (didMake) {
            ++made;
            for (size_t j = 0; j < r.out.size(); ++j) {
                EXPECT_EQ(placement.classOf(r.out[j]), 2);
                EXPECT_EQ(placement.classOf(r.in[j]), 1);
                Change ch; // back, for the next
                placement.change(r.out[j], r.in[j], ch, false);
                placement.apply(r.out[j], r.in[j], ch);
            }
        } else {
            ++refused;
        }
        for (size_t s = 0; s < y.p.students.size(); ++s)
            EXPECT_EQ(placement.classOf(static_cast<int>(s)), before[s]);
    }
    EXPECT_GT(made, 0);
    EXPECT_GT(refused, 0);
}

// A choice's students are held through the round after it: a together set
// moving into their class finds no free partner among them until they are
// let go.
TEST(JoinSeats, HeldStudentsAreNoPartnerOfATogetherSetUntilLetGo)
{
    JoinYear y(8, 4, false, 0, false, false);
    const std::vector<int> group = y.p.groups[2].students; // 4 in class 1, then 4 in class 2
    y.p.rules[static_cast<size_t>(group[0])].unit = 0;    // a set of one, in class 1
    y.p.units = {{group[0]}};
    y.p.unitClasses = {{1, 2}};
    Placement placement(y.p, y.classOf);
    placement.recount();
    for (int local = 0; local < 2; ++local)
        placement.setBandRange(2, local, 0, 0, 8);
    const std::vector<int> held(group.begin() + 4, group.end());
    Rng rng(7);
    Placement::UnitMove move;
    placement.hold(held, true);
    for (int k = 0; k < 20; ++k)
        ASSERT_FALSE(placement.moveUnit(0, y.component, placement.keyOf(y.component), rng, move));
    EXPECT_EQ(placement.classOf(group[0]), 1);
    placement.hold(held, false);
    ASSERT_TRUE(placement.moveUnit(0, y.component, placement.keyOf(y.component), rng, move));
    EXPECT_EQ(placement.classOf(group[0]), 2);
    ASSERT_EQ(move.exchanges.size(), 1u);
    EXPECT_NE(std::find(held.begin(), held.end(), move.exchanges[0].second), held.end());
}

// The choices are forced in turn: at most `most` a turn, the next turn only
// after one that paid and from the new best, `turns` at most, and the best
// put back at the end.
TEST(JoinSeats, ChoicesAreForcedInTurnUntilOnePaysAndAgainFromTheNewBest)
{
    struct Case {
        const char* what;
        size_t offered, most;
        int turns;
        std::vector<int> pays; // the calls of the round (from 1) that find a better best
        int rounds;            // calls expected
    };
    const Case cases[] = {
        {"none pays: one turn of `most`", 10, 3, 3, {}, 3},
        {"fewer choices than `most`", 2, 8, 3, {}, 2},
        {"the second pays each turn", 10, 8, 2, {2, 4}, 4},
        {"the first pays, then none", 10, 4, 3, {1}, 5},
        {"every one pays: `turns` rounds", 10, 4, 3, {1, 2, 3}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JoinYear y(8, 4, false, 0, false, false);
        Placement placement(y.p, y.classOf);
        placement.recount();
        std::vector<int> best;
        for (int s : y.component.movable)
            best.push_back(placement.classOf(s));
        std::vector<Replacement> offered = joinReplacements(placement, y.component, 0.0);
        ASSERT_GE(offered.size(), c.offered);
        offered.resize(c.offered);
        int rounds = 0;
        bool restoredLast = false;
        const auto restore = [&] {
            placement.restore(y.component, best);
            restoredLast = true;
        };
        const auto round = [&](const Replacement& made) {
            ++rounds;
            restoredLast = false;
            EXPECT_EQ(placement.classOf(made.out[0]), 2) << "the choice is made before its round";
            return std::find(c.pays.begin(), c.pays.end(), rounds) != c.pays.end();
        };
        forceReplacements(placement, [&] { return offered; }, c.most, c.turns, restore, round);
        EXPECT_EQ(rounds, c.rounds);
        EXPECT_TRUE(restoredLast);
    }
}

} // namespace
} // namespace classdiv::evening
