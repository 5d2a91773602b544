// The other choices of a course's few students beside its own class: every
// one with the flags of the few that brings the course's class nearer the
// other classes, nearest first, against a count by brute force; and a
// choice made only where it keeps the band and mixing counts.

#include "search/FewSeats.h"
#include "search/Placement.h"
#include "tests/search/RandomProblems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace classdiv::evening {
namespace {

// A course of `course` students, `few` of them in class 0 and the rest in
// class 1, beside a group of 40 over classes 0 and 2 (and one in class 1
// when `shared`). Scores spread so that choices differ; sexes alternate
// when `sexes`, and every third student of the course is fixed where
// `fixed` says so.
struct CourseYear {
    Problem p;
    std::vector<int> classOf;
    Component component;

    CourseYear(int course, int few, bool sexes, int fixedFew, bool shared)
    {
        p.classCount = 3;
        p.bandCount = 1;
        Group courseGroup{{0, 1}, {few, course - few}, {}};
        Group other{{0, 2}, {20, 20}, {}};
        if (shared)
            other = Group{{0, 1, 2}, {20, 1, 19}, {}};
        std::vector<int> sex;
        const auto add = [&](Group& group, int cls, double score) {
            const int s = static_cast<int>(p.students.size());
            p.students.push_back({static_cast<int>(&group == &courseGroup ? 0 : 1), 0, score, -1, -1, s});
            group.students.push_back(s);
            classOf.push_back(cls);
            p.rules.push_back({});
            sex.push_back(s % 2);
            if (sexes)
                p.rules.back().flags = {s % 2, -1, -1, -1};
        };
        for (int k = 0; k < course; ++k)
            add(courseGroup, k < few ? 0 : 1, 30.0 + 3.5 * k - (k % 3) * 0.5);
        for (size_t l = 0; l < other.classes.size(); ++l)
            for (int k = 0; k < other.headCounts[l]; ++k)
                add(other, other.classes[l], 45.0 + (k * 7) % 23);
        for (int k = 0; k < fixedFew; ++k)
            p.rules[static_cast<size_t>(k)].fixedClass = 0;
        p.groups = {courseGroup, other};
        if (sexes) {
            p.flagColumns = 1;
            p.flagValues = {2, 0, 0, 0};
            p.flagShare[0] = testing::poolShares(p, 2, sex);
        }
        component.classes = {0, 1, 2};
        for (int s = 0; s < static_cast<int>(p.students.size()); ++s)
            if (p.rules[static_cast<size_t>(s)].fixedClass < 0)
                component.movable.push_back(s);
    }
};

double gapOf(const Problem& p, const std::vector<int>& classOf, int closed)
{
    double in = 0, out = 0;
    int heads = 0, total = 0;
    for (size_t s = 0; s < classOf.size(); ++s) {
        (classOf[s] == closed ? in : out) += p.students[s].score;
        heads += classOf[s] == closed ? 1 : 0;
        ++total;
    }
    return std::abs(in / heads - out / (total - heads));
}

TEST(FewSeats, EveryChoiceWithTheFewsFlagsThatBringsTheCourseNearerNearestFirst)
{
    struct Case {
        const char* what;
        int course, few;
        bool sexes;
        int fixedFew;
        bool shared;
        bool any; // choices expected at all
    };
    const Case cases[] = {
        {"3 of 20 beside their class", 20, 3, false, 0, false, true},
        {"3 of 20, sexes kept", 20, 3, true, 0, false, true},
        {"2 of 20, one fixed of them", 20, 3, true, 1, false, true},
        {"1 of 30", 30, 1, false, 0, false, true},
        {"4 of 20: not few", 20, 4, false, 0, false, false},
        {"the course's class holds another group's student", 20, 3, false, 0, true, false},
        {"3 of 70: too many to weigh", 70, 3, false, 0, false, false},
    };
    const double least = 0.01;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CourseYear y(c.course, c.few, c.sexes, c.fixedFew, c.shared);
        Placement placement(y.p, y.classOf);
        placement.recount();
        const std::vector<Replacement> got = fewSeatReplacements(placement, y.component, least);

        // By brute force: every set of the free few's size of the course's free students in classes 0 and 1.
        std::vector<int> free, few;
        for (int s : y.p.groups[0].students)
            if (y.p.rules[static_cast<size_t>(s)].fixedClass < 0) {
                free.push_back(s);
                if (y.classOf[static_cast<size_t>(s)] == 0)
                    few.push_back(s);
            }
        const auto flagsOf = [&](const std::vector<int>& set) {
            std::vector<int> f;
            for (int s : set)
                f.push_back(y.p.rules[static_cast<size_t>(s)].flags[0]);
            std::sort(f.begin(), f.end());
            return f;
        };
        const double gapNow = gapOf(y.p, y.classOf, 1);
        size_t expected = 0;
        double nearest = 1e9;
        const size_t k = few.size();
        std::vector<int> chosen;
        const std::function<void(size_t)> choose = [&](size_t from) {
            if (chosen.size() == k) {
                if (flagsOf(chosen) != flagsOf(few))
                    return;
                std::vector<int> classOf = y.classOf;
                for (int s : free)
                    classOf[static_cast<size_t>(s)] = 1;
                for (int s : chosen)
                    classOf[static_cast<size_t>(s)] = 0;
                const double gap = gapOf(y.p, classOf, 1);
                if (gap + least <= gapNow + 1e-12) {
                    ++expected;
                    nearest = std::min(nearest, gap);
                }
                return;
            }
            for (size_t i = from; i < free.size(); ++i) {
                chosen.push_back(free[i]);
                choose(i + 1);
                chosen.pop_back();
            }
        };
        if (c.any)
            choose(0);
        ASSERT_EQ(got.size(), expected);
        EXPECT_EQ(expected > 0, c.any);
        if (got.empty())
            continue;
        EXPECT_NEAR(got.front().gap, nearest, 1e-9);
        for (size_t i = 0; i < got.size(); ++i) {
            const Replacement& r = got[i];
            if (i > 0)
                EXPECT_LE(got[i - 1].gap, r.gap);
            ASSERT_EQ(r.out.size(), r.in.size());
            ASSERT_FALSE(r.out.empty());
            EXPECT_EQ(r.closed, 1);
            std::vector<int> after = few;
            for (size_t j = 0; j < r.out.size(); ++j) {
                EXPECT_EQ(y.classOf[static_cast<size_t>(r.out[j])], 0);
                EXPECT_EQ(y.classOf[static_cast<size_t>(r.in[j])], 1);
                EXPECT_LT(y.p.rules[static_cast<size_t>(r.out[j])].fixedClass, 0);
                after.erase(std::find(after.begin(), after.end(), r.out[j]));
                after.push_back(r.in[j]);
            }
            EXPECT_EQ(flagsOf(after), flagsOf(few));
        }
    }
}

// A choice that would put the course's class past its range of an old
// class is refused and leaves every student where it was; one that keeps
// it is made, the few and their replacements trading classes.
TEST(FewSeats, AChoiceIsMadeOnlyWhereTheMixingCountsOfTheCoursesClassHold)
{
    CourseYear y(20, 3, false, 0, false);
    // Old class 0 for 10 of the course: one of the few and 9 in its class,
    // the most its share of 8.5 allows; 1 for the rest and the other group.
    y.p.mixCount = 2;
    std::vector<int> mix;
    for (Student& s : y.p.students) {
        s.mix = s.group == 0 && (s.order == 0 || (s.order >= 3 && s.order <= 11)) ? 0 : 1;
        mix.push_back(s.mix);
    }
    y.p.mixShare = testing::poolShares(y.p, 2, mix);
    Placement placement(y.p, y.classOf);
    placement.recount();
    const long outsideBefore = placement.valuesOutside(kFlagColumns, 1);
    int made = 0, refused = 0;
    for (const Replacement& r : fewSeatReplacements(placement, y.component, 0.0)) {
        // Class 1 gains the old classes of `out` and loses those of `in`.
        int gained0 = 0;
        for (size_t j = 0; j < r.out.size(); ++j)
            gained0 += (y.p.students[static_cast<size_t>(r.out[j])].mix == 0) - (y.p.students[static_cast<size_t>(r.in[j])].mix == 0);
        const std::vector<int> before = [&] {
            std::vector<int> classes;
            for (size_t s = 0; s < y.p.students.size(); ++s)
                classes.push_back(placement.classOf(static_cast<int>(s)));
            return classes;
        }();
        const bool keeps = [&] {
            std::vector<int> classes = y.classOf; // Placement seats into its caller's array
            Placement trial(y.p, classes);
            trial.recount();
            for (size_t j = 0; j < r.out.size(); ++j) {
                Change ch;
                trial.change(r.out[j], r.in[j], ch, false);
                trial.apply(r.out[j], r.in[j], ch);
            }
            return trial.valuesOutside(kFlagColumns, 1) <= outsideBefore;
        }();
        const bool didMake = makeReplacement(placement, r);
        EXPECT_EQ(didMake, keeps) << "gains " << gained0 << " of old class 0";
        if (didMake) {
            ++made;
            for (size_t j = 0; j < r.out.size(); ++j) {
                EXPECT_EQ(placement.classOf(r.out[j]), 1);
                EXPECT_EQ(placement.classOf(r.in[j]), 0);
            }
            for (size_t j = 0; j < r.out.size(); ++j) { // back, for the next
                Change ch;
                placement.change(r.out[j], r.in[j], ch, false);
                placement.apply(r.out[j], r.in[j], ch);
            }
        } else {
            ++refused;
            for (size_t s = 0; s < y.p.students.size(); ++s)
                EXPECT_EQ(placement.classOf(static_cast<int>(s)), before[s]);
        }
    }
    EXPECT_GT(made, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace classdiv::evening
