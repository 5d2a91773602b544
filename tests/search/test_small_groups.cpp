// Which groups count as small, whose trades the search forces in turn after
// its rounds: at most 16 students, at most a tenth of the movable students
// of their set of linked classes, over two or more of its classes.

#include "search/ChainExchange.h"

#include <gtest/gtest.h>

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

// The larger groups that send a few students to a class: named by their
// head counts alone, the small ones left to smallGroupPairs.
TEST(SmallGroups, FewSeatGroupsAreTheLargerOnesWithAClassOfAtMostThree)
{
    struct Case {
        const char* what;
        std::vector<int> headCounts; // over classes 0, 1, 2, ...
        bool named;
    };
    const Case cases[] = {
        {"3 beside 45", {3, 45}, true},
        {"4 beside 44: not few", {4, 44}, false},
        {"3 and 2 beside 25", {3, 2, 25}, true},
        {"1 beside 30", {1, 30}, true},
        {"12 in one class", {12}, false},
        {"3 beside 5: a small group", {3, 5}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Problem p;
        p.classCount = static_cast<int>(c.headCounts.size());
        Group group;
        for (size_t l = 0; l < c.headCounts.size(); ++l) {
            group.classes.push_back(static_cast<int>(l));
            group.headCounts.push_back(c.headCounts[l]);
            for (int k = 0; k < c.headCounts[l]; ++k) {
                group.students.push_back(static_cast<int>(p.students.size()));
                p.students.push_back({0, 0, 50.0, -1, -1, static_cast<int>(p.students.size())});
            }
        }
        p.groups.push_back(group);
        Component component;
        for (int l = 0; l < p.classCount; ++l)
            component.classes.push_back(l);
        component.movable.resize(200); // so that 16 are no more than a tenth
        EXPECT_EQ(fewSeatGroups(p, component), c.named ? std::vector<int>{0} : std::vector<int>{});
    }
}

} // namespace
} // namespace classdiv::evening
