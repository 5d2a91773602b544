// The teacher's rules typed once: the search, the class lists and the
// figures read a mark padded with blanks as one mark and a cell of blanks as
// none; they judge a flag's fair share by the same pools; classes numbered
// above the table's rows have their figures; a hand swap builds no model of
// the search again.

#include "support/Years.h"

#include "division/drafts/Drafts.h"
#include "division/EvenAverages.h"
#include "division/lists/ClassSummary.h"
#include "division/lists/ClassSwaps.h"
#include "division/Year.h"
#include "import/CsvFieldReader.h"
#include "search/FairShares.h"
#include "search/Measures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace classdiv {
namespace {

using testing::DivisionYear;
using testing::YearNumbers;

// The cells of one CSV line, as the reader hands them over (a quoted field keeps its blanks).
std::vector<QString> csvCells(const QString& line)
{
    CsvFieldReader reader(line);
    std::vector<QString> cells;
    while (const std::optional<QString> cell = reader.readField())
        cells.push_back(*cell);
    return cells;
}

// Students 1 and 3 hold the two cells of a case; rows 2 and 4 hold none. One
// group of four over classes 1 and 2: the search keeps one mark apart, and a
// hand swap that puts the two together is marked by the lists.
TEST(RuleSet, AMarkPaddedWithBlanksIsOneMarkAndACellOfBlanksIsNone)
{
    // A　 (a full-width space after it), " A" and " " quoted: the reader keeps their blanks.
    const std::vector<QString> cells = csvCells(QStringLiteral("A,A\u3000,\" A\",\" \",\u3000,\"\u3000A \"\n"));
    ASSERT_EQ(cells.size(), 6u);
    ASSERT_EQ(cells[3], QStringLiteral(" "));
    const struct {
        QString first, second;
        int marks; // as the search numbers them
    } cases[] = {
        {cells[0], cells[1], 1},  // "A" and "A　"
        {cells[0], cells[2], 1},  // "A" and " A"
        {cells[1], cells[5], 1},  // "A　" and "　A "
        {cells[3], cells[3], 0},  // a quoted blank in both: no mark
        {cells[3], cells[4], 0},  // a quoted blank and a full-width space
        {cells[0], QStringLiteral("B"), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(QStringLiteral("[%1] [%2]").arg(c.first, c.second)));
        // One group: rank w is row w.
        const DivisionYear made({{"G", 4, {{1, 2}, {2, 2}}}}, false, {{80, 70, 60, 50}});
        Year year = made.year();
        SpreadRules rules;
        rules.cells[RuleBox::Marks].assign(5, QString());
        rules.cells[RuleBox::Marks][1] = c.first;
        rules.cells[RuleBox::Marks][3] = c.second;
        year.setRules(rules);
        EXPECT_EQ(year.searchModel().problem.markCount, c.marks);
        const bool oneMark = c.marks == 1;

        // The search: the marked pair never shares a class, whatever the seed.
        for (int seed = 1; seed <= 4 && oneMark; ++seed) {
            testing::ScriptedRandom random = testing::plentyOfNumbers(seed);
            ASSERT_TRUE(year.evenOut(random, true).drawn);
            EXPECT_NE(year.classOf(1), year.classOf(3)) << "seed " << seed;
        }
        // The lists: a swap that puts the pair in one class breaks the mark, and only then.
        year.restoreDraw({0, 1, 1, 2, 2}, {}, 0);
        ASSERT_EQ(year.swap(3, 2), SwapStatus::Swapped);
        const RuleBreaks made_ = year.swaps().breaksMadeByHand(year.students(), year.classes(), year.bands(), year.rules());
        ASSERT_EQ(made_.marks.size(), oneMark ? 1u : 0u);
        if (oneMark)
            EXPECT_EQ(made_.marks.front().rows, (std::vector<int>{1, 3}));
    }
}

// A flag cell of a random column: values padded with blanks, blanks alone, or nothing.
QString randomCell(YearNumbers& pick)
{
    static const QString cells[] = {QStringLiteral("○"), QStringLiteral("○\u3000"), QStringLiteral(" ○"),
                                    QStringLiteral("◎"), QStringLiteral(" "),       QStringLiteral("\u3000"),
                                    QString(),           QString(),                 QString()};
    return cells[pick.below(9)];
}

// On random years whose groups open different sets of classes (numbers up to
// 12 among them), with random flag and mixing columns, random draws and hand
// swaps: a placement the search calls fair in a flag column is never marked
// by the lists in that column and the reverse, and the figures read from the
// typed rules equal the search's own.
TEST(RuleSet, TheSearchAndTheListsJudgeFlagSharesByTheSamePools)
{
    int fair = 0, unfair = 0;
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const DivisionYear made = testing::randomYear(seed);
        Year year = made.year();
        YearNumbers pick(seed * 7919);
        const int n = made.students.count();
        SpreadRules rules;
        rules.cells[RuleBox::Mix].assign(n + 1, QString());
        for (int row = 1; row <= n; ++row)
            rules.cells[RuleBox::Mix][row] = pick.below(3) ? QString::number(1 + pick.below(4)) + (pick.below(4) ? "" : " ") : QString();
        for (int k = 0; k < 1 + pick.below(3); ++k) {
            rules.columns[RuleBox::Flags].push_back({QStringLiteral("印%1").arg(k), std::vector<QString>(n + 1)});
            for (int row = 1; row <= n; ++row)
                rules.columns[RuleBox::Flags].back().values[row] = randomCell(pick);
        }
        year.setRules(rules);
        testing::ScriptedRandom random = testing::plentyOfNumbers(seed);
        ASSERT_FALSE(year.press(random).message);
        if (seed % 4 == 0)
            year.evenOut(random); // a year of groups each in one class has nothing to even out
        for (int step = 0; step < 12; ++step) {
            const SearchModel& model = year.searchModel();
            const std::vector<int> classOf = presentClasses(model, year.classes());
            const std::array<long, evening::kFlagColumns> outside = evening::flagsOutside(model.problem, classOf);
            const RuleBreaks breaks = findRuleBreaks(year.students(), year.classes(), year.bands(), year.rules());
            for (size_t k = 0; k < rules.columns[RuleBox::Flags].size(); ++k) {
                const bool listed = std::any_of(breaks.flags.begin(), breaks.flags.end(),
                                                [&](const FlagBreak& f) { return f.column == int(k); });
                EXPECT_EQ(outside[k] == 0, !listed) << "column " << k << " step " << step;
                (outside[k] == 0 ? fair : unfair) += 1;
            }
            // The search's counts against its shares: the deviations the program shows of the typed rules.
            const evening::Problem& p = model.problem;
            EXPECT_EQ(mixingDeviation(year.rules(), year.classes()),
                      evening::largestDeviation(evening::mixCounts(p, classOf), p.mixShare));
            double flagged = 0;
            for (int k = 0; k < p.flagColumns; ++k)
                flagged = std::max(flagged, evening::largestDeviation(evening::flagCounts(p, classOf, k), p.flagShare[k]));
            EXPECT_EQ(flagDeviation(year.rules(), year.classes()), flagged);
            const int a = 1 + pick.below(n), b = 1 + pick.below(n);
            year.swap(a, b); // refused between groups or within a class: then the classes stay
        }
    }
    EXPECT_GT(fair, 20);
    EXPECT_GT(unfair, 20);
}

// A year whose plans use classes 11, 12 and 13: the chart's summary, the
// drafts' figures and their comparison have every class, as the press drew it.
TEST(RuleSet, ClassesNumberedAboveTheTablesRowsHaveTheirFigures)
{
    const DivisionYear made({{"A", 9, {{11, 3}, {12, 3}, {13, 3}}}, {"B", 6, {{12, 3}, {13, 3}}}});
    Year year = made.year();
    SpreadRules rules;
    rules.columns[RuleBox::Flags].push_back({QStringLiteral("リーダー"), std::vector<QString>(16)});
    for (int row : {1, 4, 7, 10})
        rules.columns[RuleBox::Flags][0].values[row] = QStringLiteral("○");
    year.setRules(rules);
    ASSERT_TRUE(year.pressNumber(5).drawn);
    ASSERT_TRUE(year.hasDraw());

    const YearSummary summary = summarizeYear(year.students(), year.classes(), year.distribution(), {});
    ASSERT_EQ(summary.classes.size(), 3u) << "a drawn year has a chart";
    const struct {
        int number;
        int heads;
    } expected[] = {{11, 3}, {12, 6}, {13, 6}};
    const Draft drawn = DraftBook::screenDraft(year, QStringLiteral("案1"), QDateTime());
    std::vector<int16_t> swapped = year.classes();
    const int a = made.ws.groupStudents[1][1], b = made.ws.groupStudents[1][2];
    std::swap(swapped[a], swapped[b]);
    const DraftComparison compared = compareDrafts(year, drawn, Draft{.name = QStringLiteral("案2"), .classes = swapped});
    ASSERT_EQ(compared.classes.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].number);
        EXPECT_EQ(summary.classes[i].classNumber, expected[i].number);
        EXPECT_EQ(summary.classes[i].label, QStringLiteral("%1組").arg(expected[i].number));
        EXPECT_EQ(int(summary.classes[i].scores.size()), expected[i].heads);
        int banded = 0;
        for (int s = 1; s <= kBandCount; ++s)
            banded += summary.classes[i].bandCounts[s];
        EXPECT_EQ(banded, expected[i].heads);
        EXPECT_EQ(compared.classes[i].classNumber, expected[i].number);
        EXPECT_EQ(compared.classes[i].headCount, (std::array<int, 2>{expected[i].heads, expected[i].heads}));
        EXPECT_EQ(compared.classes[i].bands[0], summary.classes[i].bandCounts);
    }
    int leaders = 0;
    for (const auto& c : compared.classes)
        leaders += c.flags[1][0];
    EXPECT_EQ(leaders, 4);
    EXPECT_EQ(compared.moved.size(), 2u);
    EXPECT_EQ(draftFigures(year, drawn).moved, 0);
}

// Figures after hand swaps come from the typed rules and the model the year
// keeps: neither a swap nor its undo builds the search's model again; new
// rules or new plans do, once.
TEST(RuleSet, AHandSwapBuildsNoModelOfTheSearch)
{
    const DivisionYear made({{"A", 20, {{1, 10}, {2, 10}}}, {"B", 20, {{1, 10}, {2, 10}}}});
    Year year = made.year();
    SpreadRules rules;
    rules.cells[RuleBox::Mix].assign(41, QString());
    rules.cells[RuleBox::Marks].assign(41, QString());
    rules.columns[RuleBox::Flags].push_back({QStringLiteral("ピアノ"), std::vector<QString>(41)});
    rules.numbers[RuleBox::Scores].push_back({QStringLiteral("50m走"), std::vector<std::optional<double>>(41)});
    for (int row = 1; row <= 40; ++row) {
        rules.cells[RuleBox::Mix][row] = QString::number(row % 4);
        rules.columns[RuleBox::Flags][0].values[row] = row % 5 == 0 ? QStringLiteral("○") : QString();
        rules.numbers[RuleBox::Scores][0].values[row] = 7.0 + row % 7 * 0.2;
    }
    rules.cells[RuleBox::Marks][3] = rules.cells[RuleBox::Marks][8] = QStringLiteral("X");
    year.setRules(rules);
    testing::ScriptedRandom random = testing::plentyOfNumbers(3);
    ASSERT_TRUE(year.evenOut(random, true).drawn);
    const long built = searchProblemsBuilt();

    const auto everyFigure = [&] {
        const Draft screen = DraftBook::screenDraft(year, QStringLiteral("作業中"), QDateTime());
        const double figures = mixingDeviation(year.rules(), year.classes()) + flagDeviation(year.rules(), year.classes()) + averageSpread(year) +
                               scoreColumnSpreads(year, year.classes()).largest + draftFigures(year, screen).spread;
        const RuleBreaks breaks = year.swaps().breaksMadeByHand(year.students(), year.classes(), year.bands(), year.rules());
        return figures + double(breaks.marks.size() + compareDrafts(year, screen, screen).classes.size());
    };
    const int a = made.ws.groupStudents[1][1];
    const int b = *std::find_if(made.ws.groupStudents[1].begin() + 2, made.ws.groupStudents[1].end(),
                                [&](int16_t r) { return year.classOf(r) != year.classOf(a); });
    ASSERT_EQ(year.swap(a, b), SwapStatus::Swapped);
    everyFigure();
    ASSERT_TRUE(year.undoSwap());
    everyFigure();
    EXPECT_EQ(searchProblemsBuilt(), built);

    const struct {
        const char* change;
        std::function<void()> make;
    } changes[] = {
        {"new rules", [&] { year.setRules(rules); }},
        {"new plans", [&] { year.setClassCount(1, QStringLiteral("1")); }}, // B now opens class 1 alone
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.change);
        const long before = searchProblemsBuilt();
        c.make();
        everyFigure();
        everyFigure();
        EXPECT_EQ(searchProblemsBuilt(), before + 1);
        // The pools follow the plans: as a year typed afresh on them has them.
        Year fresh(year.students(), year.workspace());
        fresh.setRules(rules);
        EXPECT_EQ(mixingDeviation(year.rules(), year.classes()), mixingDeviation(fresh.rules(), year.classes()));
        EXPECT_EQ(findRuleBreaks(year.students(), year.classes(), year.bands(), year.rules()).flags,
                  findRuleBreaks(fresh.students(), year.classes(), fresh.bands(), fresh.rules()).flags);
    }
    EXPECT_EQ(year.rules().pools.size(), 2u) << "A over classes 1 and 2, B over class 1";
}

} // namespace
} // namespace classdiv
