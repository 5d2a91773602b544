// The teacher's rules in evening out: on random years every rule the checks
// allow holds afterwards; on small years the checks refuse exactly the rules
// no placement can meet; a second use gives another choice when there is one.

#include "support/Years.h"
#include "support/BenchmarkYears.h"

#include "division/lists/ClassSwaps.h"
#include "division/EvenAverages.h"
#include "search/RuleAssignment.h"
#include "division/rules/RuleChecks.h" // fixedClassOf
#include "division/Year.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::ScriptedRandom;
using testing::YearNumbers;

// Whether the classes meet the fixed classes, the together sets and the
// keep-apart marks, and every (group, class) head count.
bool meetsTheRules(const Year& year, const std::vector<int16_t>& classes)
{
    const SpreadRules& rules = year.rules();
    const int n = year.students().count();
    std::map<QString, std::set<int>> together;
    std::map<std::pair<QString, int>, int> apart;
    for (int row = 1; row <= n; ++row) {
        if (const std::optional<int> fixed = fixedClassOf(ruleText(rules.cells[RuleBox::Fixed], row)); fixed && *fixed != classes[row])
            return false;
        if (const QString value = ruleText(rules.cells[RuleBox::Together], row); !value.isEmpty())
            together[value].insert(classes[row]);
        if (const QString mark = ruleText(rules.cells[RuleBox::Marks], row); !mark.isEmpty() && ++apart[{mark, classes[row]}] > 1)
            return false;
    }
    for (const auto& [value, inClasses] : together)
        if (inClasses.size() > 1)
            return false;
    return fitsThePlans(year.workspace(), classes);
}

// Marked students sharing a class, then flag cells outside floor .. ceiling
// of their share over the whole year, column by column (every group opens
// every class in these years): the rules in their order.
std::vector<int> apartAndFlags(const Year& year, const std::vector<int16_t>& classes)
{
    const int n = year.students().count();
    std::map<std::pair<QString, int>, int> marked;
    for (int row = 1; row <= n; ++row)
        if (const QString mark = ruleText(year.rules().cells[RuleBox::Marks], row); !mark.isEmpty())
            ++marked[{mark, classes[row]}];
    std::vector<int> outside{0};
    for (const auto& [where, count] : marked)
        outside[0] += count * (count - 1) / 2;
    for (const FlagColumn& column : year.rules().columns[RuleBox::Flags]) {
        std::map<std::pair<int, QString>, int> count;
        std::map<QString, int> holders;
        std::map<int, int> heads;
        for (int row = 1; row <= n; ++row) {
            ++heads[classes[row]];
            if (const QString v = ruleText(column.values, row); !v.isEmpty()) {
                ++count[{classes[row], v}];
                ++holders[v];
            }
        }
        int off = 0;
        for (const auto& [value, held] : holders)
            for (const auto& [c, head] : heads) {
                const double share = double(head) * held / n;
                const int k = count[{c, value}];
                off += std::max(0, int(std::floor(share + 1e-9)) - k) + std::max(0, k - int(std::ceil(share - 1e-9)));
            }
        outside.push_back(off);
    }
    return outside;
}

// Rules that some placement meets: fixed students within their class's head
// count, together pairs of one group, marks on no more students than classes,
// flag columns of scattered marks. Every group of these years opens every class.
SpreadRules randomRules(const DivisionYear& built, uint64_t seed, bool fixedAndTogether)
{
    YearNumbers pick(seed * 104729);
    const int n = built.students.count();
    SpreadRules rules;
    rules.cells[RuleBox::Marks].assign(n + 1, QString());
    rules.cells[RuleBox::Together].assign(n + 1, QString());
    rules.cells[RuleBox::Fixed].assign(n + 1, QString());
    for (int k = 0; k < 1 + pick.below(3); ++k) {
        rules.columns[RuleBox::Flags].push_back({QStringLiteral("印%1").arg(k), std::vector<QString>(n + 1)});
        for (int row = 1; row <= n; ++row)
            if (pick.below(5) == 0)
                rules.columns[RuleBox::Flags].back().values[row] = pick.below(3) ? QStringLiteral("○") : QStringLiteral("◎");
    }
    std::vector<char> used(n + 1, 0);
    const auto freeRowOf = [&](int g) {
        const std::vector<int16_t>& rows = built.ws.groupStudents[g];
        for (int tries = 0; tries < 20; ++tries)
            if (const int row = rows[1 + pick.below(built.ws.groupSize[g])]; !used[row])
                return used[row] = 1, row;
        return 0;
    };
    const int groups = built.ws.groupCount();
    for (int m = 0; m < 3 + n / 12; ++m) // marks on pairs of students
        for (int i = 0, g = 1 + pick.below(groups); i < 2; ++i, g = 1 + pick.below(groups))
            if (const int row = freeRowOf(g))
                rules.cells[RuleBox::Marks][row] = QStringLiteral("m%1").arg(m);
    if (!fixedAndTogether)
        return rules;
    for (int f = 0; f < 3; ++f) {
        const int g = 1 + pick.below(groups);
        const GroupCondition& c = built.ws.conditions[g];
        if (const int row = freeRowOf(g))
            rules.cells[RuleBox::Fixed][row] = QString::number(c.rows[1 + pick.below(c.classCount)].classNumber);
    }
    for (int t = 0; t < 3 + n / 16; ++t) {
        const int g = 1 + pick.below(groups);
        const int a = freeRowOf(g), b = freeRowOf(g);
        if (a && b)
            rules.cells[RuleBox::Together][a] = rules.cells[RuleBox::Together][b] = QStringLiteral("t%1").arg(t);
    }
    return rules;
}

// Every rule the checks allow holds after one use; without fixed and
// together students, marks and flags only gain and the bands stay fair.
void meetsEveryRuleAfterOneUse(const DivisionYear& built, uint64_t seed, bool fixedAndTogether)
{
    Year year = built.year();
    year.setRules(randomRules(built, seed, fixedAndTogether));
    ScriptedRandom random = testing::plentyOfNumbers(seed);
    ASSERT_FALSE(year.press(random).message);
    const std::vector<int> pressed = apartAndFlags(year, year.classes());
    const EvenOutcome outcome = year.evenOut(random);
    ASSERT_TRUE(outcome.drawn) << qPrintable(outcome.message.value_or(Message{}).text);
    EXPECT_TRUE(meetsTheRules(year, year.classes()));
    // The fixed and together rules come first and may cost the rest; without them the rest only
    // gains, and every score band is fairly shared.
    if (!fixedAndTogether) {
        EXPECT_LE(apartAndFlags(year, year.classes()), pressed);
        EXPECT_TRUE(findRuleBreaks(year.students(), year.classes(), year.bands(), RuleSet{}).bands.empty());
    }
}

TEST(Rules, RandomYearsMeetEveryRuleAndFlagsNeverGetWorseThanThePress)
{
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        YearNumbers numbers(seed);
        std::vector<testing::GroupOfYear> groups;
        std::vector<std::vector<double>> scores;
        const int classes = 2 + numbers.below(4);
        for (int g = 0; g < 2 + numbers.below(3); ++g) {
            const int size = classes * (4 + numbers.below(12));
            std::vector<std::pair<int, int>> plan;
            for (int k = 1; k <= classes; ++k)
                plan.emplace_back(k, size / classes);
            groups.push_back({QStringLiteral("G%1").arg(g), size, plan});
            const std::vector<int> whole = numbers.scores(size, 40 + numbers.below(40), 10);
            scores.emplace_back(whole.begin(), whole.end());
        }
        meetsEveryRuleAfterOneUse(DivisionYear(groups, false, scores), seed, seed % 2);
    }
    // The crossed year with wider scores, whose best needs the band counts of
    // several classes to turn and amounts carried along paths of exchanges:
    // those moves too leave fixed students and together sets alone.
    const DivisionYear crossed = testing::crossedYear(5);
    for (uint64_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        meetsEveryRuleAfterOneUse(crossed, seed, seed % 2);
    }
}

// Years of two groups of four or six over two classes, every rule drawn at
// random: a placement that meets the fixed classes, the together sets and the
// marks exists exactly when the checks let evening out run, and then it is
// found; with fair bands too whenever one exists.
TEST(Rules, ChecksRefuseExactlyWhatNoPlacementMeets)
{
    int refused = 0, met = 0, together = 0;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        YearNumbers pick(seed);
        const int classes = 2 + pick.below(2);
        const int seats = 2 + seed % 2, n = 4 * seats; // two or three a class
        std::vector<testing::GroupOfYear> groups{{"A", 2 * seats, {}}, {"B", 2 * seats, {}}};
        groups[0].plan = {{1, seats}, {2, seats}};
        groups[1].plan = {{classes - 1, seats}, {classes, seats}}; // with three classes the groups share class 2 only
        const DivisionYear built(groups);
        SpreadRules rules;
        rules.cells[RuleBox::Marks].assign(n + 1, QString());
        rules.cells[RuleBox::Together].assign(n + 1, QString());
        rules.cells[RuleBox::Fixed].assign(n + 1, QString());
        for (int row = 1; row <= n; ++row) {
            if (pick.below(4) == 0)
                rules.cells[RuleBox::Marks][row] = QString(QChar(u'a' + pick.below(2)));
            if (pick.below(4) == 0)
                rules.cells[RuleBox::Together][row] = QString(QChar(u'x' + pick.below(2)));
            if (pick.below(6) == 0)
                rules.cells[RuleBox::Fixed][row] = QString::number(1 + pick.below(3));
        }
        Year year = built.year();
        year.setRules(rules);
        bool exists = false, fairToo = false; // and every band within its fair range
        std::vector<int16_t> classesOf(n + 1, 0);
        std::function<void(int)> place = [&](int g) {
            if (fairToo)
                return;
            if (g > 2) {
                const bool meets = meetsTheRules(year, classesOf);
                exists = exists || meets;
                fairToo = meets && findRuleBreaks(year.students(), classesOf, year.bands(), RuleSet{}).bands.empty();
                return;
            }
            std::vector<int16_t> order;
            for (const auto& [number, head] : groups[g - 1].plan)
                order.insert(order.end(), head, int16_t(number));
            do {
                for (int w = 1; w <= 2 * seats; ++w)
                    classesOf[built.ws.groupStudents[g][w]] = order[w - 1];
                place(g + 1);
            } while (std::next_permutation(order.begin(), order.end()));
        };
        place(1);
        ScriptedRandom random = testing::plentyOfNumbers(seed);
        const EvenOutcome outcome = year.evenOut(random);
        const bool allowed = outcome.drawn;
        EXPECT_EQ(allowed, exists);
        EXPECT_EQ(outcome.message.value_or(Message{}).title, allowed ? QString() : titles::inputMistake);
        if (allowed) {
            EXPECT_TRUE(meetsTheRules(year, year.classes()));
            EXPECT_TRUE(!fairToo || findRuleBreaks(year.students(), year.classes(), year.bands(), RuleSet{}).bands.empty());
        }
        // Rules that each hold but not all at once: every student under a rule is named, and no other.
        if (const QString text = outcome.message.value_or(Message{}).text; text.contains(QStringLiteral("全部をいっしょに"))) {
            ++together;
            for (int row = 1; row <= n; ++row) {
                const bool bound = !rules.cells[RuleBox::Marks][row].isEmpty() || !rules.cells[RuleBox::Together][row].isEmpty() || !rules.cells[RuleBox::Fixed][row].isEmpty();
                EXPECT_EQ(text.contains(QStringLiteral("%1行目　%2").arg(row + 1).arg(year.students()[row].id)), bound) << row;
            }
        }
        (allowed ? met : refused) += 1;
    }
    EXPECT_GT(refused, 20); // both kinds come up often enough to mean something
    EXPECT_GT(together, 0);
    EXPECT_GT(met, 20);
}

// Group A's two students of the top band have a fair share of one a class;
// one is fixed to class 1, the other is kept together with a student of B,
// and the press left both of that set in class 1. The set is placed in class
// 2: in class 1 the band would hold two students that never move again.
TEST(Rules, ATogetherSetIsPlacedWhereTheBandsStayFair)
{
    evening::Problem p;
    p.classCount = 2;
    p.bandCount = 2;
    for (int s = 0; s < 8; ++s)
        p.students.push_back({s / 4, s % 4 < 2 ? 0 : 1, 50.0 - s, -1, -1, s});
    p.groups = {{{0, 1}, {2, 2}, {0, 1, 2, 3}}, {{0, 1}, {2, 2}, {4, 5, 6, 7}}};
    p.rules.resize(8);
    p.rules[0].fixedClass = 0;
    p.rules[1].unit = p.rules[4].unit = 0;
    p.units = {{1, 4}};
    p.unitClasses = {{0, 1}};
    const evening::Assignment placed = evening::assignRuleStudents(p, {0, 0, 1, 1, 0, 1, 0, 1});
    ASSERT_TRUE(placed.found);
    EXPECT_EQ(placed.classOf[0], 0);
    EXPECT_EQ(placed.classOf[1], 1);
    EXPECT_EQ(placed.classOf[4], 1);
}

// Group A over classes 1 and 2, B over 2 and 3, C in 3 alone, two a class:
// each rule the checks refuse is named with its students; the ways teachers
// write a class number are all understood.
TEST(Rules, RefusalsNameTheRuleAndItsStudents)
{
    const DivisionYear built({{"A", 4, {{1, 2}, {2, 2}}}, {"B", 4, {{2, 2}, {3, 2}}}, {"C", 2, {{3, 2}}}});
    const auto row = [&](char group, int w) { return int(built.ws.groupStudents[group - 'A' + 1][w]); };
    struct Cell {
        char group;
        int w;
        const char16_t* text;
    };
    const struct {
        std::vector<Cell> fixed, together, marks;
        const char16_t* refusal; // nullptr: met, and the fixed student of the first cell is in `inClass`
        int inClass;
    } cases[] = {
        {{{'A', 1, u"２"}}, {}, {}, nullptr, 2},
        {{{'A', 1, u" 2組"}}, {}, {}, nullptr, 2},
        {{{'B', 2, u"３組"}}, {{'B', 2, u"x"}, {'A', 1, u"x"}}, {}, u"同じクラス「x」：2人が入れるクラスがありません", 0}, // 3 is B's, not A's
        {{{'A', 1, u"3"}}, {}, {}, u"クラス指定「3」：このグループのクラスではありません", 0},
        {{{'A', 1, u"1A"}}, {}, {}, u"クラス指定「1A」：このグループのクラスではありません", 0},
        {{{'A', 1, u"1"}, {'A', 2, u"1"}, {'A', 3, u"1組"}}, {}, {}, u"このグループの1組は2人なのに、3人が指定されています", 0},
        {{{'A', 1, u"1"}, {'B', 1, u"3"}}, {{'A', 1, u"x"}, {'B', 1, u"x"}}, {}, u"同じクラス「x」：クラス指定が食い違っています", 0},
        {{}, {{'A', 1, u"x"}, {'C', 1, u"x"}}, {}, u"同じクラス「x」：グループに共通のクラスがありません", 0},
        {{}, {{'A', 1, u"x"}, {'B', 1, u"x"}}, {{'A', 1, u"m"}, {'B', 1, u"m"}}, u"同じクラス「x」：同じ「別のクラスにする印」の生徒がいます", 0},
        {{}, {{'A', 1, u"x"}, {'A', 2, u"x"}, {'A', 3, u"x"}}, {}, u"同じクラス「x」：3人が入れるクラスがありません", 0},
        {{}, {}, {{'A', 1, u"m"}, {'A', 2, u"m"}, {'A', 3, u"m"}}, u"別クラス「m」：3人を別々にできるだけのクラスがありません", 0},
    };
    for (const auto& c : cases) {
        SpreadRules rules;
        for (auto [cells, column] : {std::pair{&c.fixed, &rules.cells[RuleBox::Fixed]}, {&c.together, &rules.cells[RuleBox::Together]}, {&c.marks, &rules.cells[RuleBox::Marks]}}) {
            column->assign(11, QString());
            for (const Cell& cell : *cells)
                (*column)[row(cell.group, cell.w)] = QString::fromUtf16(cell.text);
        }
        SCOPED_TRACE(c.refusal ? QString::fromUtf16(c.refusal).toStdString() : "met");
        Year year = built.year();
        year.setRules(rules);
        ScriptedRandom random = testing::plentyOfNumbers(7);
        ASSERT_FALSE(year.press(random).message);
        const std::vector<int16_t> pressed = year.classes();
        const EvenOutcome outcome = year.evenOut(random);
        if (!c.refusal) {
            EXPECT_TRUE(outcome.drawn);
            EXPECT_EQ(year.classOf(row(c.fixed.front().group, c.fixed.front().w)), c.inClass);
            continue;
        }
        EXPECT_FALSE(outcome.drawn);
        EXPECT_EQ(year.classes(), pressed);
        const QString text = outcome.message.value_or(Message{}).text;
        EXPECT_TRUE(text.contains(QString::fromUtf16(c.refusal))) << qPrintable(text);
        for (const std::vector<Cell>* cells : {&c.fixed, &c.together, &c.marks})
            for (const Cell& cell : *cells) {
                const int r = row(cell.group, cell.w);
                EXPECT_TRUE(text.contains(QStringLiteral("%1行目　%2").arg(r + 1).arg(year.students()[r].id))) << r;
            }
    }
}

TEST(Rules, ASecondUseGivesAnotherChoiceOrSaysThereIsNone)
{
    testing::ExampleYear example;
    Year& year = *example.year;
    ScriptedRandom random = testing::plentyOfNumbers(3);
    ASSERT_FALSE(year.evenOut(random).message);
    const std::vector<int16_t> first = year.classes();
    const double spread = averageSpread(year);
    const EvenOutcome again = year.evenOut(random);
    EXPECT_FALSE(again.message);
    EXPECT_NE(year.classes(), first);
    EXPECT_LE(averageSpread(year), spread + 1e-9);

    // One group of two over two classes, one of them fixed: there is no other placement.
    Year two = DivisionYear({{QStringLiteral("A"), 2, {{1, 1}, {2, 1}}}}).year();
    SpreadRules fixed;
    fixed.cells[RuleBox::Fixed] = {QString(), QStringLiteral("1")};
    two.setRules(fixed);
    ASSERT_TRUE(two.evenOut(random).drawn);
    const std::vector<int16_t> only = two.classes();
    const EvenOutcome none = two.evenOut(random);
    EXPECT_EQ(two.classes(), only);
    ASSERT_TRUE(none.message);
    EXPECT_TRUE(none.message->text.contains(QStringLiteral("別の分け方は見つかりませんでした")));
}

// A refusal lists the first twenty students and counts the rest, only when there is a rest.
TEST(Rules, RefusalsListTwentyStudentsAndCountTheOthers)
{
    std::vector<testing::Placed> placed;
    for (int i = 1; i <= 22; ++i)
        placed.push_back({1, {QStringLiteral("id%1").arg(i), QStringLiteral("生徒%1").arg(i), QStringLiteral("A"), QStringLiteral("50")}});
    const Students students = testing::placedYear(placed).students;
    const struct {
        int broken;
        int listed;
        const char* rest; // the last line, or nullptr
    } cases[] = {{1, 1, nullptr}, {20, 20, nullptr}, {21, 20, "ほか1人"}, {22, 20, "ほか2人"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.broken);
        std::vector<std::pair<int, QString>> rows;
        for (int row = 1; row <= c.broken; ++row)
            rows.emplace_back(row, QStringLiteral("別クラス「m」"));
        const QStringList lines = studentLines(students, rows).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), c.listed + (c.rest ? 1 : 0));
        EXPECT_EQ(lines.front(), QStringLiteral("2行目　id1　生徒1　（別クラス「m」）"));
        EXPECT_EQ(lines.back(), c.rest ? QString::fromUtf8(c.rest) : QStringLiteral("%1行目　id%2　生徒%2　（別クラス「m」）").arg(c.listed + 1).arg(c.listed));
    }
}

} // namespace
} // namespace classdiv
