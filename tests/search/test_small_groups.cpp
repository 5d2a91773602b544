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

} // namespace
} // namespace classdiv::evening
