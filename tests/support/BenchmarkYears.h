#pragma once
// The years the benchmarks measure, built the same way every time, for the
// tests too: a year whose groups cross all classes, two shaped like real
// schools, the 456 of the courses under every rule, 500 students in 8 groups, the same 500 under every rule, a year
// whose boys and girls cannot split evenly everywhere, and the example year
// as a teacher imports it.

#include "support/Years.h"

#include "conditions/ConditionsFile.h"
#include "conditions/GroupTable.h"
#include "conditions/SpreadRules.h"
#include "files/YearFiles.h"
#include "support/TestFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <stdexcept>

namespace classdiv::testing {

// Six groups of different averages, each spread over all six classes with
// shares that turn from group to group (30 % of one group to one class, 8 %
// to another): the classes differ in their mix of groups, so their averages
// cannot all meet, and only a careful choice inside each group comes close.
// A wider spread of scores inside each group makes its best harder to reach.
inline DivisionYear crossedYear(double scoreSpread = 4)
{
    YearNumbers numbers(6);
    const int sizes[] = {60, 50, 40, 40, 30, 20};
    const double share[] = {0.30, 0.22, 0.17, 0.13, 0.10, 0.08};
    std::vector<GroupOfYear> groups(6);
    std::vector<std::vector<double>> scores;
    for (int g = 0; g < 6; ++g) {
        groups[g] = {QStringLiteral("組%1").arg(g + 1), sizes[g], {}};
        for (int k = 1, left = sizes[g]; k <= 6; ++k) {
            const int head = k == 6 ? left : std::max(1, static_cast<int>(std::lround(sizes[g] * share[(k + g) % 6])));
            groups[g].plan.emplace_back(k, head);
            left -= head;
        }
        const std::vector<int> whole = numbers.scores(sizes[g], 40 + 10 * g, scoreSpread);
        scores.emplace_back(whole.begin(), whole.end());
    }
    return DivisionYear(groups, false, scores);
}

// A group of a school year: its name, the mean of its scores and its plan.
struct SchoolGroup {
    const char* name;
    double mean;
    std::vector<std::pair<int, int>> plan; // (class number, head count)
};

// Scores 0 .. 100 around each group's mean; halfPoints students chosen at
// random get half a point more (less at 100), as a test marked in halves
// gives. Groups are listed in the order the group table sorts their names,
// which the conditions file follows.
inline DivisionYear schoolYear(std::vector<SchoolGroup> groups, uint64_t seed, int halfPoints)
{
    constexpr double kScoreSpread = 15; // about the standard deviation of a school test
    std::sort(groups.begin(), groups.end(), [](const SchoolGroup& a, const SchoolGroup& b) {
        return QString::fromUtf8(a.name) < QString::fromUtf8(b.name);
    });
    YearNumbers numbers(seed);
    std::vector<GroupOfYear> plans;
    std::vector<std::vector<double>> scores;
    for (const SchoolGroup& g : groups) {
        int size = 0;
        for (const auto& [number, head] : g.plan)
            size += head;
        plans.push_back({QString::fromUtf8(g.name), size, g.plan});
        const std::vector<int> whole = numbers.scores(size, g.mean, kScoreSpread);
        scores.emplace_back(whole.begin(), whole.end());
    }
    std::vector<std::pair<size_t, size_t>> everyone;
    for (size_t g = 0; g < scores.size(); ++g) {
        for (size_t w = 0; w < scores[g].size(); ++w)
            everyone.emplace_back(g, w);
    }
    for (int i = 0; i < halfPoints; ++i) {
        std::swap(everyone[i], everyone[i + numbers.below(static_cast<int>(everyone.size()) - i)]);
        double& score = scores[everyone[i].first][everyone[i].second];
        score += score < 100 ? 0.5 : -0.5;
    }
    for (std::vector<double>& group : scores)
        std::sort(group.begin(), group.end(), std::greater<>());
    return DivisionYear(plans, false, scores);
}

// 215 students in six classes of 35-36, boys and girls each choosing music,
// art or calligraphy, every elective group spread over all six classes in
// shares of 3 to 9; 40 half-point scores.
inline DivisionYear artElectivesYear()
{
    return schoolYear({{"音男", 52, {{1, 8}, {2, 7}, {3, 6}, {4, 5}, {5, 4}, {6, 6}}},
                       {"美男", 46, {{1, 3}, {2, 5}, {3, 6}, {4, 7}, {5, 8}, {6, 5}}},
                       {"書男", 57, {{1, 7}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}},
                       {"音女", 66, {{1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}, {6, 5}}},
                       {"美女", 60, {{1, 4}, {2, 5}, {3, 6}, {4, 7}, {5, 8}, {6, 6}}},
                       {"書女", 63, {{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 7}}}},
                      215, 40);
}

// 456 students in ten classes of 45-46, all linked: the humanities course in
// classes 1-5 (its girls a large group over all five), the sciences in 6-9,
// an international course that fills class 10 alone and sends three to class 9,
// a few sports students over classes 4-7 who tie the two courses together,
// one exchange student, and 139 half-point scores.
inline DivisionYear coursesYear()
{
    return schoolYear({{"文女", 58, {{1, 26}, {2, 26}, {3, 26}, {4, 25}, {5, 25}}},
                       {"文男", 52, {{1, 20}, {2, 20}, {3, 19}, {4, 17}, {5, 16}}},
                       {"理男", 56, {{6, 27}, {7, 27}, {8, 27}, {9, 25}}},
                       {"理女", 59, {{6, 17}, {7, 17}, {8, 18}, {9, 18}}},
                       {"国際", 56, {{10, 45}, {9, 3}}},
                       {"体育", 45, {{4, 3}, {5, 4}, {6, 2}, {7, 2}}},
                       {"留学", 50, {{3, 1}}}},
                      456, 139);
}

// The example year, imported and its conditions read as a teacher would;
// oldClass is its column 2 (旧組) by student row.
struct ExampleYear {
    std::unique_ptr<Year> year;
    std::vector<QString> oldClass;

    ExampleYear()
    {
        const QString folder = QStringLiteral(CLASSDIV_SOURCE_DIR "/examples");
        auto table = std::make_unique<StudentTable>();
        auto other = std::make_unique<StudentTable>(); // the old class read in as the name, to have it by row
        if (!readExampleYear(folder, *other, QStringLiteral("2")) || !readExampleYear(folder, *table))
            throw std::runtime_error("the example year does not read");
        oldClass.push_back(QString());
        for (int e = 1; e <= table->studentCount(); ++e)
            oldClass.push_back(other->records[e].name);
        year = std::make_unique<Year>(*table);
        year->setRules({}); // the columns chosen beside the example are each test's own choice
        if (YearFiles(table->csvPath).loadConditions(*year).status != ReadConditionsOutcome::Status::Read)
            throw std::runtime_error("the example conditions do not read");
    }
};

// Head counts of a group over classes 1 .. classes, unequal: the share of
// class k leans by (k + turn) so different groups lean differently.
inline std::vector<std::pair<int, int>> leaningPlan(int size, int classes, int turn)
{
    static const int lean[] = {3, -3, 2, -2, 1, -1, 0, 0, 0, 0};
    std::vector<std::pair<int, int>> plan;
    int left = size;
    for (int k = 1; k <= classes; ++k) {
        int head = size / classes + lean[(k + turn) % classes];
        if (k == classes)
            head = left;
        head = std::max(1, head);
        plan.emplace_back(k, head);
        left -= head;
    }
    return plan;
}

// 500 students in 8 groups over 6 classes, every group in every class.
inline DivisionYear fullYear()
{
    YearNumbers numbers(8);
    const int sizes[] = {70, 66, 64, 62, 62, 60, 58, 58};
    std::vector<GroupOfYear> groups;
    std::vector<std::vector<double>> scores;
    for (int g = 0; g < 8; ++g) {
        groups.push_back({QStringLiteral("G%1").arg(g + 1), sizes[g], leaningPlan(sizes[g], 6, g)});
        const std::vector<int> whole = numbers.scores(sizes[g], 50 + 3 * g, 15);
        scores.emplace_back(whole.begin(), whole.end());
    }
    return DivisionYear(groups, false, scores);
}

// A year with the teacher's rules beside it.
struct RulesYear {
    DivisionYear division;
    SpreadRules rules;
};

// The rows 1..n in an order drawn from the year's numbers.
inline std::vector<int> shuffledRows(YearNumbers& numbers, int n)
{
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 1);
    for (int i = n - 1; i > 0; --i)
        std::swap(order[i], order[numbers.below(i + 1)]);
    return order;
}

// Marks, together and fixed classes blank for rows 1..n.
inline void blankRules(SpreadRules& rules, int n)
{
    rules.cells[RuleBox::Marks].assign(n + 1, QString());
    rules.cells[RuleBox::Together].assign(n + 1, QString());
    rules.cells[RuleBox::Fixed].assign(n + 1, QString());
}

// Every group over all six classes, head counts as even as its size allows;
// 30 pairs kept apart, 20 pairs together, 15 fixed classes and three flag
// columns of 10, 25 and 40 students.
inline RulesYear rulesYear()
{
    YearNumbers numbers(2026);
    const int sizes[] = {70, 66, 64, 62, 62, 60, 58, 58};
    std::vector<GroupOfYear> groups;
    std::vector<std::vector<double>> scores;
    for (int g = 0; g < 8; ++g) {
        std::vector<std::pair<int, int>> plan;
        for (int k = 1; k <= 6; ++k)
            plan.emplace_back(k, sizes[g] / 6 + ((k + g) % 6 < sizes[g] % 6 ? 1 : 0));
        groups.push_back({QStringLiteral("組%1").arg(g + 1), sizes[g], plan});
        const std::vector<int> whole = numbers.scores(sizes[g], 48 + 4 * g, 16);
        scores.emplace_back(whole.begin(), whole.end());
    }
    RulesYear year{DivisionYear(groups, false, scores), {}};
    const int n = year.division.students.count();

    // Apart, together and fixed each take students of their own, so that all can hold at once.
    std::vector<int> order = shuffledRows(numbers, n);
    SpreadRules& rules = year.rules;
    blankRules(rules, n);
    size_t next = 0;
    for (int pair = 0; pair < 30; ++pair)
        for (int i = 0; i < 2; ++i)
            rules.cells[RuleBox::Marks][order[next++]] = QStringLiteral("離%1").arg(pair);
    for (int pair = 0; pair < 20; ++pair)
        for (int i = 0; i < 2; ++i)
            rules.cells[RuleBox::Together][order[next++]] = QStringLiteral("同%1").arg(pair);
    for (int i = 0; i < 15; ++i)
        rules.cells[RuleBox::Fixed][order[next++]] = QString::number(1 + numbers.below(6));
    for (const int holders : {10, 25, 40}) {
        FlagColumn flag{QStringLiteral("印%1").arg(holders), std::vector<QString>(n + 1)};
        for (int i = 0; i < holders;) {
            QString& cell = flag.values[1 + numbers.below(n)];
            if (cell.isEmpty()) {
                cell = QStringLiteral("○");
                ++i;
            }
        }
        rules.columns[RuleBox::Flags].push_back(std::move(flag));
    }
    return year;
}

// One group of 318 in six classes of 40 and two of 39, 160 boys and 158
// girls (every class of 40 can hold 20 and 20), 16 leaders, 10 students who
// need support, 8 pairs kept apart.
inline RulesYear sexesYear()
{
    YearNumbers numbers(318);
    std::vector<std::pair<int, int>> plan;
    for (int k = 1; k <= 8; ++k)
        plan.emplace_back(k, k <= 6 ? 40 : 39);
    const std::vector<int> whole = numbers.scores(318, 62, 15);
    RulesYear year{DivisionYear({{QStringLiteral("学年"), 318, plan}}, false, {{whole.begin(), whole.end()}}), {}};
    const int n = year.division.students.count();
    std::vector<int> order = shuffledRows(numbers, n);
    SpreadRules& rules = year.rules;
    blankRules(rules, n);
    FlagColumn sex{QStringLiteral("性別"), std::vector<QString>(n + 1)};
    for (int i = 0; i < n; ++i)
        sex.values[order[i]] = i < 160 ? QStringLiteral("男") : QStringLiteral("女");
    for (int i = n - 1; i > 0; --i)
        std::swap(order[i], order[numbers.below(i + 1)]);
    size_t next = 0;
    for (int pair = 0; pair < 8; ++pair)
        for (int i = 0; i < 2; ++i)
            rules.cells[RuleBox::Marks][order[next++]] = QStringLiteral("離%1").arg(pair);
    rules.columns[RuleBox::Flags].push_back(std::move(sex));
    for (const auto& [name, holders] : {std::pair{QStringLiteral("リーダー"), 16}, std::pair{QStringLiteral("支援"), 10}}) {
        FlagColumn flag{name, std::vector<QString>(n + 1)};
        for (int i = 0; i < holders; ++i)
            flag.values[order[next++]] = QStringLiteral("○");
        rules.columns[RuleBox::Flags].push_back(std::move(flag));
    }
    return year;
}

// The 456 of coursesYear under every rule: 20 pairs kept apart, 10 pairs
// kept together and 8 fixed classes in the four large groups, 性別 of every
// student and 30 leaders as flag columns, and an old class of 12 mixed.
inline RulesYear coursesRulesYear()
{
    YearNumbers numbers(4560);
    RulesYear year{coursesYear(), {}};
    const Students& students = year.division.students;
    const int n = students.count();
    const std::map<QString, std::vector<int>> classes{{QStringLiteral("文女"), {1, 2, 3, 4, 5}},
                                                      {QStringLiteral("文男"), {1, 2, 3, 4, 5}},
                                                      {QStringLiteral("理男"), {6, 7, 8, 9}},
                                                      {QStringLiteral("理女"), {6, 7, 8, 9}}};
    std::vector<int> order = shuffledRows(numbers, n);
    SpreadRules& rules = year.rules;
    blankRules(rules, n);
    rules.cells[RuleBox::Mix].assign(n + 1, QString());
    FlagColumn sex{QStringLiteral("性別"), std::vector<QString>(n + 1)};
    FlagColumn leader{QStringLiteral("リーダー"), std::vector<QString>(n + 1)};
    for (int r = 1; r <= n; ++r) {
        const QString& group = students[r].group;
        sex.values[r] = group.endsWith(u'女') || (!group.endsWith(u'男') && numbers.below(2) == 0) ? QStringLiteral("女")
                                                                                                  : QStringLiteral("男");
        rules.cells[RuleBox::Mix][r] = QString::number(1 + numbers.below(12));
    }
    std::vector<int> large; // rows of the four large groups, shuffled
    for (int r : order)
        if (classes.count(students[r].group))
            large.push_back(r);
    size_t next = 0;
    for (int pair = 0; pair < 20; ++pair)
        for (int i = 0; i < 2; ++i)
            rules.cells[RuleBox::Marks][large[next++]] = QStringLiteral("離%1").arg(pair);
    for (int pair = 0; pair < 10; ++pair) {
        const int first = large[next++];
        size_t mate = next;
        while (students[large[mate]].group != students[first].group)
            ++mate;
        std::swap(large[mate], large[next]);
        rules.cells[RuleBox::Together][first] = rules.cells[RuleBox::Together][large[next++]] = QStringLiteral("同%1").arg(pair);
    }
    for (int i = 0; i < 8; ++i) {
        const std::vector<int>& open = classes.at(students[large[next]].group);
        rules.cells[RuleBox::Fixed][large[next++]] = QString::number(open[numbers.below(static_cast<int>(open.size()))]);
    }
    for (int i = 0; i < 30; ++i)
        leader.values[large[next++]] = QStringLiteral("○");
    rules.columns[RuleBox::Flags].push_back(std::move(sex));
    rules.columns[RuleBox::Flags].push_back(std::move(leader));
    return year;
}

// A column's largest |count - fair share| and how many (class, value) cells
// sit at it, for the benchmarks' counters.
struct DeviationCells {
    double deviation = -1; // none measured yet
    int cells = 0;

    // Keeps the worse of the two: the larger deviation, then the more cells at it.
    void keepWorst(const DeviationCells& d)
    {
        if (d.deviation > deviation + 1e-9 || (d.deviation > deviation - 1e-9 && d.cells > cells))
            *this = d;
    }
};
inline DeviationCells deviationCells(const RuleSet& rules, const TypedColumn& column, const std::vector<int16_t>& classes)
{
    if (!column.set())
        return {0, 0};
    const FairShares fair = fairShares(rules, column);
    const std::vector<int> counts = shareCounts(rules, column, fair, classes);
    DeviationCells out{shareDeviation(rules, column, classes), 0};
    for (size_t i = 0; i < counts.size() && i < fair.share.size(); ++i)
        out.cells += std::abs(counts[i] - fair.share[i]) > out.deviation - 1e-9 ? 1 : 0;
    return out;
}

} // namespace classdiv::testing
