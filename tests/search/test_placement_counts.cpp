// The counts the search's Placement keeps exchange by exchange, against the
// same counted from scratch, over random exchanges on random years with flag
// columns: the keys of every set of linked classes, every value count, and
// the free students of each group's classes a together set draws its
// partners from. On the way, every exchange weighed cut short where it
// breaks the marks, a flag range or the mixing range agrees with the same
// weighed in full.

#include "search/BandRepair.h"
#include "search/FreeSeats.h"
#include "search/Placement.h"
#include "tests/search/RandomProblems.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

namespace classdiv::evening {
namespace {

auto rulesOf(const Key& k)
{
    return std::tuple(k.pairs, k.flags, k.levels, k.mix, k.mixLevel);
}

// The free students of group g in its local'th class, in the group's order.
std::vector<int> freeIn(const Problem& p, const std::vector<int>& classOf, const std::vector<char>& isFree, int g, int local)
{
    std::vector<int> out;
    for (int s : p.groups[g].students)
        if (isFree[s] && classOf[s] == p.groups[g].classes[local])
            out.push_back(s);
    return out;
}

void expectFreeSeats(const Problem& p, const FreeSeats& seats, const std::vector<int>& classOf, const std::vector<char>& isFree)
{
    for (size_t g = 0; g < p.groups.size(); ++g)
        for (size_t l = 0; l < p.groups[g].classes.size(); ++l) {
            const std::vector<int> expected = freeIn(p, classOf, isFree, static_cast<int>(g), static_cast<int>(l));
            ASSERT_EQ(seats.count(static_cast<int>(g), static_cast<int>(l)), static_cast<int>(expected.size()));
            for (size_t k = 0; k < expected.size(); ++k)
                EXPECT_EQ(seats.nth(static_cast<int>(g), static_cast<int>(l), static_cast<int>(k)), expected[k]);
        }
}

// The cut-short weighing leaves out only what cannot change the outcome.
void expectSameWeighing(const Placement& placement, int a, int b, const Change& whole)
{
    Change cut;
    ASSERT_TRUE(placement.changeUnlessWorse(a, b, cut));
    EXPECT_EQ(cut.worseAtTop(), whole.worseAtTop());
    EXPECT_EQ(cut.pairs, whole.pairs);
    // Cut short only where the rest could not make it keep the rules.
    if (whole.worseAtTop())
        EXPECT_FALSE(whole.keepsTheRules());
    if (cut.pairs > 0)
        return;
    EXPECT_EQ(cut.flags, whole.flags);
    if (whole.worseAtTop())
        return;
    EXPECT_EQ(std::tie(cut.levels, cut.mix, cut.mixLevel), std::tie(whole.levels, whole.mix, whole.mixLevel));
    EXPECT_EQ(cut.averageA, whole.averageA);
    EXPECT_EQ(cut.averageB, whole.averageB);
}

TEST(PlacementCounts, KeptExchangeByExchangeEqualACountFromScratch)
{
    int made = 0, cutShort = 0;
    for (uint64_t seed = 1; seed <= 30; ++seed) {
        std::vector<int> classOf;
        Problem p = testing::randomFlagYear(seed, classOf);
        p.mixingLevels = seed % 2 == 0;
        Placement placement(p, classOf);
        Rng rng(seed);
        for (size_t g = 0; g < p.groups.size(); ++g)
            if (p.groups[g].classes.size() > 1)
                repairBands(placement, static_cast<int>(g), rng);
        placement.recount();
        // Free seats of their own, on a copy of the classes, with one student in four bound.
        testing::SmallRng pick(seed);
        std::vector<int> mine = classOf, place(p.students.size());
        std::vector<char> isFree(p.students.size());
        for (const Group& group : p.groups)
            for (size_t i = 0; i < group.students.size(); ++i)
                place[group.students[i]] = static_cast<int>(i);
        for (char& f : isFree)
            f = pick.below(4) != 0;
        Seats seats(p, mine);
        FreeSeats free(p, place, isFree);
        free.recount(seats);
        for (int step = 0; step < 400; ++step) {
            const Group& group = p.groups[pick.below(static_cast<uint32_t>(p.groups.size()))];
            const int a = group.students[pick.below(static_cast<uint32_t>(group.students.size()))];
            const int b = group.students[pick.below(static_cast<uint32_t>(group.students.size()))];
            Change whole;
            if (classOf[a] == classOf[b] || !placement.change(a, b, whole))
                continue;
            expectSameWeighing(placement, a, b, whole);
            ++made;
            cutShort += whole.worseAtTop();
            placement.apply(a, b, whole);
            free.exchange(a, b, seats.local(a), seats.local(b));
            seats.exchange(a, b);
        }
        ASSERT_EQ(mine, classOf) << "seed " << seed;
        expectFreeSeats(p, free, mine, isFree);
        std::vector<int> again = classOf;
        Placement counted(p, again);
        counted.recount();
        for (const Component& component : componentsOf(p, placement, [](int) { return true; })) {
            const Key kept = placement.keyOf(component), fresh = counted.keyOf(component);
            EXPECT_EQ(rulesOf(kept), rulesOf(fresh)) << "seed " << seed;
            EXPECT_NEAR(kept.spread, fresh.spread, 1e-9) << "seed " << seed;
        }
        for (int k = 0; k <= kFlagColumns; ++k) {
            const int cells = p.classCount * (k == kFlagColumns ? p.mixCount : k < p.flagColumns ? p.flagValues[k] : 0);
            for (int cell = 0; cell < cells; ++cell)
                EXPECT_EQ(placement.valueCount(k, cell), counted.valueCount(k, cell)) << "seed " << seed << " column " << k;
        }
    }
    EXPECT_GT(made, 2000);
    EXPECT_GT(cutShort, 100);
}

} // namespace
} // namespace classdiv::evening
