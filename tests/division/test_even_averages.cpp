// Evening out the averages: what must hold after every use, and what it
// must reach, on random years, the example year and a year of crossing groups.

#include "support/Years.h"
#include "support/BenchmarkYears.h"

#include "division/EvenAverages.h"
#include "division/Year.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::ExampleYear;
using testing::ScriptedRandom;

// Every (group, class) head count as planned, and unless only the plans are
// asked for, every (group, class, band) count within one student of its fair share.
bool fairBands(const Year& year, const std::vector<int16_t>& classes, bool plansOnly = false)
{
    const auto& b = year.bands().boundaryPoints;
    const auto band = [&](double s) { return int(std::find_if(b.begin() + 1, b.begin() + 6, [s](int p) { return s >= p; }) - b.begin()); };
    const ConditionsWorkspace& ws = year.workspace();
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const GroupCondition& c = ws.conditions[g];
        const int size = ws.groupSize[g];
        std::map<int, int> inBand;
        std::map<std::pair<int, int>, int> count; // (class, band); band 0: the head count
        for (int w = 1; w <= size; ++w) {
            const int row = ws.groupStudents[g][w];
            const double score = year.students()[row].scoreText.toDouble();
            ++inBand[band(score)];
            ++count[{classes[row], band(score)}];
            ++count[{classes[row], 0}];
        }
        for (int k = 1; k <= c.classCount; ++k) {
            const int number = c.rows[k].classNumber;
            if (count[{number, 0}] != c.rows[k].headCount)
                return false;
            for (const auto& [band, n] : inBand)
                if (!plansOnly && std::abs(count[{number, band}] - double(c.rows[k].headCount) * n / size) >= 1.0)
                    return false;
        }
    }
    return true;
}
bool fairBands(const Year& year, bool plansOnly = false) { return fairBands(year, year.classes(), plansOnly); }

// The table shown is the one the students' classes give.
bool recounted(const Year& year)
{
    DistributionTable recount;
    fillDistributionTable(year.students(), scoreBands(year.students()), year.classes(), recount);
    const int n = year.students().count();
    return distributionTableItems(recount, n, true) == distributionTableItems(year.distribution(), n, true) &&
           recount.classScoreTotal == year.distribution().classScoreTotal;
}

TEST(EvenAverages, RandomYearsPressedKeepPlansAndEvenedOutKeepFairBandsAndNeverWiden)
{
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        const DivisionYear built = testing::randomYear(seed);
        Year year = built.year();
        ScriptedRandom random = testing::plentyOfNumbers(seed);
        ASSERT_FALSE(year.press(random).message);
        EXPECT_TRUE(fairBands(year, true)) << "the press keeps every plan";
        EXPECT_TRUE(recounted(year));
        const double before = averageSpread(year);
        const std::vector<int16_t> pressed = year.classes();
        const EvenOutcome outcome = year.evenOut(random);
        bool linked = false;
        for (int g = 1; g <= built.ws.groupCount(); ++g)
            linked = linked || built.ws.conditions[g].classCount > 1;
        EXPECT_EQ(outcome.message.has_value(), !linked);
        EXPECT_EQ(outcome.drawn, linked);
        EXPECT_TRUE(fairBands(year));
        EXPECT_LE(averageSpread(year), before + 1e-9);
        EXPECT_TRUE(recounted(year));
        // Students of a group with one class stay.
        for (int g = 1; g <= built.ws.groupCount(); ++g)
            for (int w = 1; w <= built.ws.groupSize[g] && built.ws.conditions[g].classCount == 1; ++w)
                EXPECT_EQ(year.classOf(built.ws.groupStudents[g][w]), pressed[built.ws.groupStudents[g][w]]);
    }
}

// Small years, all of whose assignments can be tried: the search must find
// the best spread that keeps the plans and the fair bands.
TEST(EvenAverages, FindsTheBestOfAllAssignmentsOfSmallYears)
{
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        testing::YearNumbers pick(seed * 7919);
        std::vector<testing::GroupOfYear> groups;
        std::vector<std::vector<double>> scores;
        std::vector<int16_t> orders[3]; // each group's plan rows handed out in every order
        for (int g = 1; g <= 2; ++g) {
            const int size = 3 + pick.below(4), classes = 2 + pick.below(2);
            std::vector<std::pair<int, int>> plan;
            for (int k = 1, left = size; k <= classes; ++k) {
                const int head = k == classes ? left : 1 + pick.below(left - (classes - k));
                plan.emplace_back(k, head);
                orders[g].insert(orders[g].end(), head, static_cast<int16_t>(k));
                left -= head;
            }
            groups.push_back({QStringLiteral("S%1").arg(g - 1), size, plan});
            const std::vector<int> whole = pick.scores(size, 50, 20);
            scores.emplace_back(whole.begin(), whole.end());
        }
        const DivisionYear built(groups, false, scores);
        Year year = built.year();
        ScriptedRandom random = testing::plentyOfNumbers(seed);
        ASSERT_TRUE(year.evenOut(random).drawn);
        const double found = averageSpread(year);
        double best = 1e9;
        std::vector<int16_t> classes(built.students.count() + 1, 0);
        do {
            do {
                for (int g = 1; g <= 2; ++g)
                    for (int w = 1; w <= built.ws.groupSize[g]; ++w)
                        classes[built.ws.groupStudents[g][w]] = orders[g][w - 1];
                if (fairBands(year, classes))
                    best = std::min(best, averageSpread(year, classes));
            } while (std::next_permutation(orders[2].begin(), orders[2].end()));
        } while (std::next_permutation(orders[1].begin(), orders[1].end()));
        EXPECT_NEAR(found, best, 1e-9);
    }
}

// Four uses from one press come within 0.02 of the best spread and give four
// different results. scripts/exact_spread.py finds 0.0125 for the example
// year, 3.831 for the crossed year and 2.409 with its scores spread wider,
// where band counts of four classes must turn at once; 0.0139 and 0.0217 for
// the two school years (the best found, not proven).
void reachesTheBestFromOnePress(Year pressed, double best)
{
    ScriptedRandom random = testing::plentyOfNumbers(7);
    ASSERT_FALSE(pressed.press(random).message);
    std::set<std::vector<int16_t>> results;
    for (int run = 0; run < 4; ++run) {
        Year use = pressed;
        EXPECT_FALSE(use.evenOut(random).message);
        EXPECT_LE(averageSpread(use), best + 0.02);
        results.insert(use.classes());
    }
    EXPECT_EQ(results.size(), 4u) << "every use from the same draw gives other classes";
}

TEST(EvenAverages, ReachesTheBestSpreadAndTwoUsesDiffer)
{
    ExampleYear example;
    reachesTheBestFromOnePress(*example.year, 0.0125);
    reachesTheBestFromOnePress(testing::crossedYear().year(), 3.831);
    reachesTheBestFromOnePress(testing::crossedYear(5).year(), 2.409);
    reachesTheBestFromOnePress(testing::artElectivesYear().year(), 0.0139);
    reachesTheBestFromOnePress(testing::coursesYear().year(), 0.0217);
}

TEST(EvenAverages, SaysSoWhenEveryGroupHasOneClass)
{
    DivisionYear shortTables({{QStringLiteral("A"), 4, {{1, 2}, {2, 2}}}, {QStringLiteral("B"), 4, {{1, 2}, {2, 2}}}});
    shortTables.ws.conditions.resize(2); // figures of a workspace read only as far as its tables go
    EXPECT_GE(averageSpread(shortTables.year()), 0.0);

    const DivisionYear built({{QStringLiteral("A"), 20, {{1, 20}}}, {QStringLiteral("B"), 15, {{2, 15}}}});
    Year year = built.year();
    ScriptedRandom random = testing::plentyOfNumbers(4);
    const EvenOutcome first = year.evenOut(random); // no draw yet: it presses first
    ASSERT_TRUE(first.message);
    EXPECT_TRUE(first.message->title.isEmpty());
    EXPECT_TRUE(first.drawn);
    EXPECT_TRUE(year.hasDraw());
    EXPECT_EQ(year.classOf(built.ws.groupStudents[2][15]), 2);
    EXPECT_TRUE(recounted(year));
    const EvenOutcome again = year.evenOut(random);
    EXPECT_EQ(again.message, first.message);
    EXPECT_FALSE(again.drawn);
}

TEST(EvenAverages, KeepsMarkedStudentsApartAndNamesWhomThePlansCannot)
{
    ExampleYear example;
    Year& year = *example.year;
    const int n = year.students().count();
    const auto rowOf = [&](int g, int w) { return year.workspace().groupStudents[g][w]; };
    const struct {
        const char* name;
        std::vector<std::pair<int, QString>> marks; // (row, mark)
        int named; // students named: refused when more marked than classes, else none
    } cases[] = {
        // Group 1 goes to classes 5 and 6, group 3 to 3 and 4.
        {"pairs in one group, a pair across unlinked groups",
         {{rowOf(1, 1), "a"}, {rowOf(1, 2), "a"}, {rowOf(1, 3), "b"}, {rowOf(1, 36), "b"}, {rowOf(2, 5), "c"},
          {rowOf(1, 7), "c"}, {rowOf(3, 1), "d"}, {rowOf(1, 9), "d"}},
         0},
        {"three over two linked classes and one elsewhere",
         {{rowOf(1, 1), "x"}, {rowOf(2, 2), "x"}, {rowOf(3, 3), "x"}}, 0},
        // Two classes only: no placement parts three of one group, or four.
        {"three of one group over two classes", {{rowOf(1, 1), "y"}, {rowOf(1, 2), "y"}, {rowOf(1, 3), "y"}}, 3},
        {"four over two classes", {{rowOf(1, 1), "z"}, {rowOf(1, 2), "z"}, {rowOf(2, 3), "z"}, {rowOf(2, 4), "z"}}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SpreadRules rules;
        rules.cells[RuleBox::Marks].assign(n + 1, QString());
        for (const auto& [row, mark] : c.marks)
            rules.cells[RuleBox::Marks][row] = mark;
        year.setRules(rules);
        const std::vector<int16_t> before = year.classes();
        ScriptedRandom random = testing::plentyOfNumbers(5);
        const EvenOutcome outcome = year.evenOut(random, true);
        EXPECT_EQ(outcome.drawn, c.named == 0);
        EXPECT_EQ(outcome.message.has_value(), c.named > 0);
        EXPECT_EQ(outcome.message.value_or(Message{}).title, c.named > 0 ? titles::inputMistake : QString());
        for (const auto& [row, mark] : c.marks) { // named by CSV line, identifier and name
            const Student& r = year.students()[row];
            EXPECT_EQ(outcome.message.value_or(Message{}).text.contains(QStringLiteral("%1行目　%2　%3").arg(row + 1).arg(r.id, r.name)),
                      c.named > 0);
        }
        if (c.named > 0) {
            EXPECT_EQ(year.classes(), before);
            continue;
        }
        std::set<std::pair<QString, int>> together; // (mark, class)
        for (const auto& [row, mark] : c.marks)
            EXPECT_TRUE(together.insert({mark, year.classOf(row)}).second) << row;
        EXPECT_TRUE(fairBands(year));
        EXPECT_LE(averageSpread(year), 0.025 + 0.3);
    }

    // One mark for everybody cannot be met: refused, nothing changes.
    SpreadRules everybody;
    everybody.cells[RuleBox::Marks].assign(n + 1, QStringLiteral("同"));
    year.setRules(everybody);
    const std::vector<int16_t> before = year.classes();
    ScriptedRandom random = testing::plentyOfNumbers(6);
    const EvenOutcome outcome = year.evenOut(random, true);
    ASSERT_TRUE(outcome.message);
    EXPECT_TRUE(outcome.message->text.contains(QStringLiteral("同")));
    EXPECT_FALSE(outcome.drawn);
    EXPECT_EQ(year.classes(), before);

    // ...unless there are as many classes as students.
    Year three = DivisionYear({{QStringLiteral("A"), 3, {{1, 1}, {2, 1}, {3, 1}}}}).year();
    SpreadRules marked;
    marked.cells[RuleBox::Marks] = {QString(), "同", "同", "同"};
    three.setRules(marked);
    EXPECT_FALSE(three.evenOut(random, true).message);
    const std::vector<int16_t> classes = three.classes();
    EXPECT_EQ(std::set<int16_t>(classes.begin() + 1, classes.end()).size(), 3u);
}

TEST(EvenAverages, MixesTheOldClassesAtLeastAsWellAsAPress)
{
    ExampleYear example;
    Year& year = *example.year;
    ScriptedRandom random = testing::plentyOfNumbers(8);
    EXPECT_EQ(mixingDeviation(year.rules(), year.classes()), 0.0);
    SpreadRules mixing;
    mixing.cells[RuleBox::Mix] = example.oldClass;
    year.setRules(mixing);
    for (int run = 0; run < 5; ++run) {
        ASSERT_FALSE(year.press(random).message);
        EXPECT_GT(mixingDeviation(year.rules(), year.classes()), 1.0); // a press leaves the old classes unevenly spread
        EXPECT_FALSE(year.evenOut(random).message);
        EXPECT_LE(mixingDeviation(year.rules(), year.classes()), 1.0);
        EXPECT_LE(averageSpread(year), 0.025 + 0.3);
        EXPECT_TRUE(fairBands(year));
    }
}

} // namespace
} // namespace classdiv
