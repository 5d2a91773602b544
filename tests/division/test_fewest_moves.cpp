// Mending with the fewest moves: the count of moves equals the fewest that
// brute force finds on small years; the year's mend places everyone in the
// plans, names the rule and the students it cannot keep, and is taken back
// whole by undo.

#include "tests/search/RandomProblems.h"
#include "support/Years.h"

#include "division/EvenAverages.h"
#include "division/FewestMovesYear.h"
#include "search/FairShares.h"
#include "search/FewestMoves.h"
#include "search/MendSearch.h"

#include <gtest/gtest.h>

#include <climits>

using namespace classdiv;
using namespace classdiv::testing;
using namespace classdiv::evening;
using evening::testing::SmallRng;
using evening::testing::everyHeadCountPlacement;

namespace {

// Three classes, two groups of up to seven over two or three of them, marks,
// a mixing column and at times a fixed student; a start that lost some
// students (new ones), put some in a class no longer planned, and a plan
// that moved a seat.
struct SmallYear {
    Problem p;
    std::vector<int> start;
    std::vector<char> placed;
};

SmallYear smallYear(uint64_t seed)
{
    SmallRng rng(seed);
    SmallYear y;
    Problem& p = y.p;
    p.classCount = 3;
    p.bandCount = 3;
    p.markCount = 2;
    p.mixCount = 2;
    std::vector<int> mixOf;
    for (int g = 0; g < 2; ++g) {
        Group group;
        const int classes = 2 + static_cast<int>(rng.below(2));
        for (int l = 0; l < classes; ++l) {
            group.classes.push_back((g + l) % p.classCount);
            group.headCounts.push_back(1 + static_cast<int>(rng.below(3)));
        }
        for (int l = 0; l < classes; ++l)
            for (int h = 0; h < group.headCounts[l]; ++h) {
                evening::Student st;
                st.group = g;
                st.score = 30 + rng.below(60);
                st.band = std::min(2, static_cast<int>((100 - st.score) / 25));
                st.mark = rng.below(5) == 0 ? static_cast<int>(rng.below(2)) : -1;
                st.mix = static_cast<int>(rng.below(2));
                st.order = static_cast<int>(p.students.size());
                group.students.push_back(static_cast<int>(p.students.size()));
                p.students.push_back(st);
                mixOf.push_back(st.mix);
                const uint32_t fate = rng.below(10);
                y.start.push_back(fate == 0 ? -1 : group.classes[(l + (fate == 1)) % classes]);
                y.placed.push_back(fate != 0 || rng.below(2) == 0);
            }
        std::sort(group.students.begin(), group.students.end(),
                  [&](int a, int b) { return p.students[a].score > p.students[b].score; });
        if (rng.below(2) == 0 && group.headCounts[0] > 1) {
            --group.headCounts[0];
            ++group.headCounts[1];
        }
        p.groups.push_back(group);
    }
    p.mixShare = evening::testing::poolShares(p, p.mixCount, mixOf);
    if (rng.below(3) == 0) {
        p.rules.resize(p.students.size());
        const int s = static_cast<int>(rng.below(static_cast<uint32_t>(p.students.size())));
        p.rules[s].fixedClass = p.groups[p.students[s].group].classes.back();
    }
    return y;
}

// Every band in its fair range, no marks sharing a class, every mixing count
// within floor .. ceiling of its share, every fixed student in its class.
bool keepsEveryRule(const Problem& p, const std::vector<int>& classOf)
{
    for (const Group& group : p.groups) {
        std::vector<int> inBand(p.bandCount, 0), count(group.classes.size() * p.bandCount, 0);
        for (int s : group.students) {
            ++inBand[p.students[s].band];
            const auto l = std::find(group.classes.begin(), group.classes.end(), classOf[s]) - group.classes.begin();
            ++count[l * p.bandCount + p.students[s].band];
        }
        const std::vector<FairRange> fair = fairBandTable(group.headCounts, inBand, static_cast<int>(group.students.size()));
        for (size_t i = 0; i < fair.size(); ++i)
            if (!fair[i].holds(count[i]))
                return false;
    }
    std::vector<int> marks(p.classCount * p.markCount, 0), mix(p.classCount * p.mixCount, 0);
    for (size_t s = 0; s < classOf.size(); ++s) {
        if (p.students[s].mark >= 0 && ++marks[classOf[s] * p.markCount + p.students[s].mark] > 1)
            return false;
        if (p.rulesOf(static_cast<int>(s)).fixedClass >= 0 && p.rulesOf(static_cast<int>(s)).fixedClass != classOf[s])
            return false;
        if (p.students[s].mix >= 0)
            ++mix[classOf[s] * p.mixCount + p.students[s].mix];
    }
    for (size_t i = 0; i < mix.size(); ++i)
        if (mix[i] < std::floor(p.mixShare[i] + kTiny) || mix[i] > std::ceil(p.mixShare[i] - kTiny))
            return false;
    return true;
}

bool keepsHeadCounts(const Problem& p, const std::vector<int>& classOf)
{
    for (const Group& group : p.groups)
        for (size_t l = 0; l < group.classes.size(); ++l)
            if (std::count_if(group.students.begin(), group.students.end(), [&](int s) { return classOf[s] == group.classes[l]; }) !=
                group.headCounts[l])
                return false;
    return true;
}

// Every small year that some division keeps under every rule is mended
// under every rule with the fewest moves brute force finds: among them years
// whose fewest moves take students of both groups across a mixing count
// they share, which no exchange within one group reaches.
TEST(FewestMoves, MovesAsFewAsBruteForceFindsOnSmallYears)
{
    int compared = 0;
    for (uint64_t seed = 1; seed <= 1000; ++seed) {
        SCOPED_TRACE(seed);
        const SmallYear y = smallYear(seed);
        int fewest = INT_MAX;
        everyHeadCountPlacement(y.p, [&](const std::vector<int>& classOf) {
            if (keepsEveryRule(y.p, classOf))
                fewest = std::min(fewest, movesBetween(y.start, y.placed, classOf));
        });
        if (fewest == INT_MAX)
            continue; // no division keeps every rule: nothing to compare
        ++compared;
        const Mend mend = fewestMoves(y.p, y.start, y.placed, {}, seed);
        ASSERT_EQ(mend.broken, MendBreak::None);
        EXPECT_TRUE(keepsHeadCounts(y.p, mend.classOf));
        EXPECT_TRUE(keepsEveryRule(y.p, mend.classOf));
        EXPECT_EQ(mend.moves, fewest);
        EXPECT_EQ(mend.moves, movesBetween(y.start, y.placed, mend.classOf));
    }
    EXPECT_GE(compared, 900);
}

// One group of 80 in two classes of 40, every student where it started,
// and six pairs kept apart sharing a class: three in each. Each pair wants
// one of its two moved; the exchange of a student of a pair in one class
// with one of a pair in the other mends two pairs with two moves, so six
// moves mend all. Two exchanges at once cannot stand in for the single one
// here: weighing them for 80 students uses up their budget in one step.
TEST(MendSearch, MendsEachStepWithTheBestSingleExchange)
{
    Problem p;
    p.classCount = 2;
    p.markCount = 6;
    Group group{{0, 1}, {40, 40}, {}};
    std::vector<int> start;
    for (int s = 0; s < 80; ++s) {
        evening::Student st;
        st.score = 100 - s; // the group's students run from the highest score, as the search takes them
        st.order = s;
        start.push_back(s % 2);
        // Pair m: two of students 4m .. 4m + 3, in class 0 for the first three pairs, else in class 1.
        if (s < 24 && s % 2 == (s / 4 < 3 ? 0 : 1))
            st.mark = s / 4;
        group.students.push_back(s);
        p.students.push_back(st);
    }
    p.groups.push_back(group);
    std::vector<int> classOf = start;
    const std::vector<char> placed(80, 1), held(80, 0);
    Placement placement(p, classOf);
    placement.recount();
    const Key left = MendSearch(placement, start, placed, held, 5).mendRules();
    EXPECT_EQ(left.pairs, 0);
    EXPECT_EQ(movesBetween(start, placed, classOf), 6);
}

// Among the divisions with the fewest moves, the averages are as even as the best of them.
TEST(FewestMoves, EvensOutAmongTheDivisionsOfTheFewestMoves)
{
    int compared = 0;
    for (uint64_t seed = 100; seed <= 140; ++seed) {
        SCOPED_TRACE(seed);
        SmallYear y = smallYear(seed);
        y.p.markCount = 0;
        y.p.mixCount = 0;
        y.p.rules.clear();
        for (evening::Student& s : y.p.students)
            s.mark = s.mix = -1;
        const Mend mend = fewestMoves(y.p, y.start, y.placed, {}, seed);
        double best = 1e9;
        everyHeadCountPlacement(y.p, [&](const std::vector<int>& classOf) {
            if (keepsEveryRule(y.p, classOf) && movesBetween(y.start, y.placed, classOf) == mend.moves)
                best = std::min(best, evening::averageSpread(y.p, classOf));
        });
        ASSERT_LT(best, 1e9);
        ++compared;
        EXPECT_LE(evening::averageSpread(y.p, mend.classOf), best + 0.1);
    }
    EXPECT_GT(compared, 0);
}

// Group A (30 students) over classes 1-3, group B (20) over 3-4, drawn and
// then changed as each case says; the mend keeps the plans and names the
// rule and the students it cannot keep.
TEST(FewestMovesYear, MendsTheYearOrNamesTheRule)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> planA; // after the change
        int unplaced;                            // students of the year without a class
        MoveOptions options;
        const char* refusal; // a word of the message, or nullptr for a mend
    };
    const std::vector<Case> cases = {
        {"class 3 dropped from A", {{1, 15}, {2, 15}}, 0, {}, nullptr},
        {"new students", {{1, 10}, {2, 10}, {3, 10}}, 4, {}, nullptr},
        {"a seat moved, class 2 locked", {{1, 11}, {2, 10}, {3, 9}}, 0, {-1, {2}}, nullptr},
        {"too few moves allowed", {{1, 15}, {2, 15}}, 0, {2, {}}, "動かす人数の上限"},
        {"a locked class over its head count", {{1, 8}, {2, 11}, {3, 11}}, 0, {-1, {1}}, "振り分け人数"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DivisionYear y({{QStringLiteral("A"), 30, {{1, 10}, {2, 10}, {3, 10}}}, {QStringLiteral("B"), 20, {{3, 10}, {4, 10}}}});
        Year drawn = y.year();
        ScriptedRandom random = plentyOfNumbers(7);
        ASSERT_TRUE(drawn.press(random).drawn);
        std::vector<int16_t> classes = drawn.classes();
        for (int row = 1; row <= c.unplaced; ++row)
            classes[static_cast<size_t>(row)] = kUnplacedClass;
        y.ws.conditions[1] = GroupCondition{};
        y.setPlan(1, c.planA);
        Year year = y.year();
        year.restoreDraw(classes, {}, 0);

        const FewestMovesOutcome out = findFewestMoves(year, c.options, 11);
        if (c.refusal) {
            ASSERT_TRUE(out.refusal);
            EXPECT_TRUE(out.refusal->text.contains(QString::fromUtf8(c.refusal))) << out.refusal->text.toStdString();
            EXPECT_EQ(year.classes(), classes);
            continue;
        }
        ASSERT_FALSE(out.refusal) << out.refusal->text.toStdString();
        EXPECT_TRUE(fitsThePlans(year.workspace(), out.classes));
        // Bands out of their range only where a locked class holds them so.
        for (const BandBreak& b : findRuleBreaks(year.students(), out.classes, year.bands(), year.rules()).bands)
            EXPECT_NE(std::find(c.options.lockedClasses.begin(), c.options.lockedClasses.end(), b.classNumber),
                      c.options.lockedClasses.end());
        EXPECT_EQ(out.students, studentsMoved(classes, out.classes));
        int moves = 0, dropped = 0;
        for (const MovedStudent& m : out.students) {
            moves += m.from != kUnplacedClass;
            for (const int locked : c.options.lockedClasses)
                EXPECT_NE(m.from, locked);
        }
        for (size_t row = 1; row < classes.size(); ++row)
            dropped += classes[row] == 3 && year.students()[static_cast<int>(row)].group == QStringLiteral("A") && c.planA.size() == 2;
        EXPECT_EQ(out.moves, moves);
        EXPECT_GE(out.moves, dropped);
        EXPECT_EQ(static_cast<int>(out.students.size()) - moves, c.unplaced);
    }
    // How the list of moved students names where each came from.
    EXPECT_EQ(classText(kUnplacedClass), QStringLiteral("未配置"));
    EXPECT_EQ(classText(3), QStringLiteral("3組"));
}

// A mend is one step of undo, behind the hand swaps made after it and before the ones made before it.
TEST(FewestMovesYear, UndoTakesTheMendBackWhole)
{
    DivisionYear y({{QStringLiteral("A"), 30, {{1, 10}, {2, 10}, {3, 10}}}});
    Year year = y.year();
    ScriptedRandom random = plentyOfNumbers(3);
    ASSERT_TRUE(year.press(random).drawn);
    const auto pairIn = [&](const Year& on) {
        for (int b = 2;; ++b)
            if (on.classOf(b) != on.classOf(1))
                return b;
    };
    ASSERT_EQ(year.swap(1, pairIn(year)), SwapStatus::Swapped);
    const std::vector<int16_t> beforeMend = year.classes();
    std::vector<int16_t> mended = beforeMend;
    std::swap(mended[3], mended[4]);
    year.applyMoves(mended);
    ASSERT_EQ(year.swap(1, pairIn(year)), SwapStatus::Swapped);
    EXPECT_EQ(year.mendCount(), 1);
    ASSERT_TRUE(year.undoSwap());
    EXPECT_EQ(year.classes(), mended);
    ASSERT_TRUE(year.undoSwap());
    EXPECT_EQ(year.classes(), beforeMend);
    EXPECT_EQ(year.swaps().count(), 1);
    ASSERT_TRUE(year.undoSwap());
    EXPECT_FALSE(year.undoSwap());
}

} // namespace
