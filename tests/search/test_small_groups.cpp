// Which groups count as small, whose trades the search forces in turn after
// its rounds: at most 16 students, at most a tenth of the movable students
// of their set of linked classes, over two or more of its classes.

#include "search/ChainExchange.h"
#include "search/Placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

namespace classdiv::evening {
namespace {

TEST(SmallGroups, EveryPairOfAGroupWithinTheLimitsAndNoneOfTheOthers)
{
    struct Case {
        const char* what;
        int students;
        std::vector<int> classes;
        size_t movable;
        size_t pairs;
    };
    const Case cases[] = {
        {"16 of 160", 16, {0, 1}, 160, 120},
        {"17 of 170: too many", 17, {0, 1}, 170, 0},
        {"16 of 159: more than a tenth", 16, {0, 1}, 159, 0},
        {"4 of 40 over three classes", 4, {1, 2, 3}, 40, 6},
        {"4 of 40 in one class", 4, {1}, 40, 0},
        {"4 of 40 in classes of another set", 4, {4, 5}, 40, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Problem p;
        p.classCount = 6;
        Group group{c.classes, std::vector<int>(c.classes.size(), 0), {}};
        for (int s = 0; s < c.students; ++s) {
            p.students.push_back({0, 0, 50.0, -1, -1, s});
            group.students.push_back(s);
        }
        p.groups.push_back(group);
        Component component;
        component.classes = {0, 1, 2, 3};
        component.movable.resize(c.movable);
        const Pairs pairs = smallGroupPairs(p, component);
        EXPECT_EQ(pairs.size(), c.pairs);
        std::set<std::pair<int, int>> seen;
        for (const auto& [a, b] : pairs) {
            EXPECT_LT(a, b);
            EXPECT_LT(b, c.students);
            EXPECT_TRUE(seen.insert({a, b}).second);
        }
    }
}

// The trades across a class where a larger group sends only a few: each of
// those few with each free student of the group elsewhere, once, and at
// most kMostFewSeatPairs of them.
TEST(SmallGroups, FewSeatTradesPairEachOfTheFewWithTheRestOfTheirGroup)
{
    struct Case {
        const char* what;
        std::vector<int> headCounts; // over classes 0, 1, 2, ...
        int fixedInFew;              // of the first class's students, fixed there
        bool group;                  // fewSeatGroups names it
        size_t pairs;
    };
    const Case cases[] = {
        {"3 beside 45", {3, 45}, 0, true, 3 * 45},
        {"4 beside 44: not few", {4, 44}, 0, false, 0},
        {"3 and 2 beside 25, the 3 x 2 once", {3, 2, 25}, 0, true, 3 * 27 + 2 * 28 - 3 * 2},
        {"3 beside 45, one of them fixed", {3, 45}, 1, true, 2 * 45},
        {"3 beside 45, all three fixed", {3, 45}, 3, true, 0},
        {"12 in one class", {12}, 0, false, 0},
        {"3 beside 5: a small group, whose pairs smallGroupPairs gives", {3, 5}, 0, false, 0},
        {"3 beside 97 and 3: capped", {3, 97, 3}, 0, true, kMostFewSeatPairs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Problem p;
        p.classCount = static_cast<int>(c.headCounts.size());
        Group group;
        std::vector<int> classOf;
        p.rules.clear();
        for (size_t l = 0; l < c.headCounts.size(); ++l) {
            group.classes.push_back(static_cast<int>(l));
            group.headCounts.push_back(c.headCounts[l]);
            for (int k = 0; k < c.headCounts[l]; ++k) {
                const int s = static_cast<int>(p.students.size());
                p.students.push_back({0, 0, 50.0 + s, -1, -1, s});
                group.students.push_back(s);
                classOf.push_back(static_cast<int>(l));
                p.rules.push_back({});
                if (l == 0 && k < c.fixedInFew)
                    p.rules.back().fixedClass = 0;
            }
        }
        p.groups.push_back(group);
        // Another group over every class, so the few-seat group is not a tenth of the movable.
        Group other;
        for (int l = 0; l < p.classCount; ++l) {
            other.classes.push_back(l);
            other.headCounts.push_back(60);
            for (int k = 0; k < 60; ++k) {
                const int s = static_cast<int>(p.students.size());
                p.students.push_back({1, 0, 50.0, -1, -1, s});
                other.students.push_back(s);
                classOf.push_back(l);
                p.rules.push_back({});
            }
        }
        p.groups.push_back(other);
        Component component;
        for (int l = 0; l < p.classCount; ++l)
            component.classes.push_back(l);
        for (int s = 0; s < static_cast<int>(p.students.size()); ++s)
            if (p.rules[static_cast<size_t>(s)].fixedClass < 0)
                component.movable.push_back(s);
        Placement placement(p, classOf);
        Rng rng(7);
        const Pairs pairs = fewSeatPairs(placement, component, rng);
        EXPECT_EQ(pairs.size(), c.pairs);
        EXPECT_EQ(fewSeatGroups(p, component), c.group ? std::vector<int>{0} : std::vector<int>{});
        std::set<std::pair<int, int>> seen;
        for (const auto& [a, b] : pairs) {
            const size_t la = static_cast<size_t>(classOf[static_cast<size_t>(a)]);
            const size_t lb = static_cast<size_t>(classOf[static_cast<size_t>(b)]);
            EXPECT_LE(c.headCounts[la], kFewSeats);
            EXPECT_NE(la, lb);
            EXPECT_EQ(p.students[static_cast<size_t>(a)].group, 0);
            EXPECT_EQ(p.students[static_cast<size_t>(b)].group, 0);
            EXPECT_LT(p.rules[static_cast<size_t>(a)].fixedClass, 0);
            EXPECT_LT(p.rules[static_cast<size_t>(b)].fixedClass, 0);
            EXPECT_TRUE(seen.insert(std::minmax(a, b)).second);
        }
    }
}

} // namespace
} // namespace classdiv::evening
