// Every rule kind answers its questions alike: a division the search's part
// of a kind calls kept has no break of that kind, a planted break is found
// with the students who make it, and a rule no placement can meet is named
// with its students before the search.

#include "support/ScriptedRandom.h"
#include "support/Years.h"

#include "division/EveningProblem.h"
#include "division/rules/RuleChecks.h"
#include "division/rules/RuleKind.h"
#include "division/Year.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

namespace classdiv {
namespace {

using testing::DivisionYear;

// Students 1 .. 8 of one group, four to each of classes 1 and 2, under one rule of every kind.
constexpr int kStudents = 8;

SpreadRules everyKind()
{
    SpreadRules rules;
    const auto column = [](std::initializer_list<std::pair<int, const char*>> cells) {
        std::vector<QString> out(kStudents + 1);
        for (const auto& [row, text] : cells)
            out[static_cast<size_t>(row)] = QString::fromUtf8(text);
        return out;
    };
    rules.cells[RuleBox::Marks] = column({{1, "A"}, {2, " A"}});
    rules.cells[RuleBox::Together] = column({{3, "T"}, {4, "T"}});
    rules.cells[RuleBox::Fixed] = column({{5, "２組"}});
    rules.columns[RuleBox::Flags] = {{QStringLiteral("係"), column({{1, "○"}, {3, "○"}, {5, "○"}, {7, "○"}})}};
    rules.cells[RuleBox::Mix] = column({{1, "1"}, {2, "1"}, {3, "2"}, {4, "2"}, {5, "1"}, {6, "2"}, {7, "1"}, {8, "2"}});
    ScoreColumn run{QStringLiteral("50m"), std::vector<std::optional<double>>(kStudents + 1)};
    for (int r = 1; r <= kStudents; ++r)
        run.values[static_cast<size_t>(r)] = 7.0 + r * 0.1;
    rules.numbers[RuleBox::Scores] = {run};
    return rules;
}

// The students (or, for a flag column, the classes) a kind's breaks name.
std::vector<int> named(RuleKind kind, const RuleBreaks& breaks)
{
    std::vector<int> out;
    for (const MarkBreak& m : breaks.marks)
        if (m.record == (kind == RuleKind::Record))
            out.insert(out.end(), m.rows.begin(), m.rows.end());
    for (const TogetherBreak& t : breaks.together)
        out.insert(out.end(), t.rows.begin(), t.rows.end());
    for (const FixedBreak& f : breaks.fixed)
        out.push_back(f.row);
    for (const FlagBreak& f : breaks.flags)
        out.push_back(f.classNumber);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<int> conflictRows(const RuleConflicts& conflicts)
{
    std::set<int> rows;
    for (const auto& [row, rule] : conflicts.rows)
        rows.insert(row);
    return {rows.begin(), rows.end()};
}

TEST(RuleKinds, EveryKindAnswersItsQuestionsAlike)
{
    const DivisionYear built({{"G", kStudents, {{1, 4}, {2, 4}}}}, false, {{80, 75, 70, 65, 60, 55, 50, 45}});
    Year year = built.year();
    year.setRules(everyKind());
    year.setRecordEntries({{{6, 8}, QStringLiteral("生徒6・生徒8")}});
    testing::ScriptedRandom random = testing::plentyOfNumbers(3);
    ASSERT_TRUE(year.evenOut(random, true).drawn);
    const SearchModel& model = year.searchModel();
    const std::vector<int16_t> evened = year.classes();

    const struct {
        RuleKind kind;
        std::vector<int16_t> planted;  // classes of rows 1 .. 8 that break it
        std::vector<int> broken;       // who its breaks name there
        std::function<void(SpreadRules&, std::vector<ApartEntry>&)> unmeetable; // rules no placement meets
        std::vector<int> refused;      // the students the check before the search names
    } cases[] = {
        {RuleKind::Fixed, {0, 1, 2, 1, 1, 1, 2, 2, 2}, {5},
         [](SpreadRules& r, auto&) { r.cells[RuleBox::Fixed][5] = QStringLiteral("3"); }, {5}},
        {RuleKind::Together, {0, 1, 2, 1, 2, 2, 1, 1, 2}, {3, 4},
         [](SpreadRules& r, auto&) { r.cells[RuleBox::Fixed][3] = QStringLiteral("1"); r.cells[RuleBox::Fixed][4] = QStringLiteral("2"); }, {3, 4}},
        {RuleKind::Apart, {0, 1, 1, 1, 1, 2, 2, 2, 2}, {1, 2},
         [](SpreadRules& r, auto&) { r.cells[RuleBox::Marks][6] = QStringLiteral("A"); }, {1, 2, 6}},
        {RuleKind::Record, {0, 1, 2, 1, 1, 2, 2, 1, 2}, {6, 8},
         [](SpreadRules&, auto& entries) { entries.front().rows = {1, 6, 8}; }, {1, 6, 8}},
        {RuleKind::Flags, {0, 1, 2, 1, 1, 2, 2, 1, 2}, {1, 2}, {}, {}},
        {RuleKind::Mix, {0, 1, 1, 1, 1, 2, 2, 2, 2}, {}, {}, {}},
        {RuleKind::Scores, {0, 1, 1, 1, 1, 2, 2, 2, 2}, {}, {}, {}},
    };
    ASSERT_EQ(std::size(cases), ruleKindUnits().size());
    for (const auto& c : cases) {
        const RuleKindUnit& unit = ruleKindUnit(c.kind);
        SCOPED_TRACE(qPrintable(ruleKind(c.kind).label));
        ASSERT_EQ(unit.kind(), c.kind);

        // Evened out: kept as the search judges, and no break.
        RuleBreaks breaks;
        unit.findBreaks(year.rules(), evened, kStudents, breaks);
        EXPECT_TRUE(unit.keeps(model, presentClasses(model, evened)));
        EXPECT_TRUE(named(c.kind, breaks).empty());

        // Planted: broken as the search judges, with the students who break it.
        RuleBreaks planted;
        unit.findBreaks(year.rules(), c.planted, kStudents, planted);
        EXPECT_EQ(unit.keeps(model, presentClasses(model, c.planted)), c.broken.empty());
        EXPECT_EQ(named(c.kind, planted), c.broken);
        // A hand swap from the evened classes to the planted ones made exactly those breaks.
        RuleBreaks made;
        unit.madeByHand(planted, breaks, made);
        EXPECT_EQ(made, planted);

        // Before the search: met by the year as it is, refused with its students when it cannot be.
        RuleConflicts none;
        unit.findConflicts(PlanView(year.workspace(), year.rules(), kStudents), none);
        EXPECT_TRUE(none.rows.empty() && !none.refusal);
        if (!c.unmeetable)
            continue;
        SpreadRules text = year.rules().text();
        std::vector<ApartEntry> entries = year.rules().recordEntries;
        c.unmeetable(text, entries);
        Year unmet = built.year();
        unmet.setRules(text);
        unmet.setRecordEntries(entries);
        RuleConflicts conflicts;
        unit.findConflicts(PlanView(unmet.workspace(), unmet.rules(), kStudents), conflicts);
        EXPECT_EQ(conflictRows(conflicts), c.refused);
        EXPECT_TRUE(checkRules(unmet.workspace(), unmet.students(), unmet.rules()).has_value());
    }
    EXPECT_FALSE(checkRules(year.workspace(), year.students(), year.rules()).has_value());
}

// The table: each box of the dialog sets one kind, each kept on a line of the file of its own.
TEST(RuleKinds, TheTableGivesEveryBoxOneKindAndOneLine)
{
    std::set<int> lines;
    for (const RuleBox box : allRuleBoxes()) {
        const RuleKindRow& row = ruleKindOf(box);
        EXPECT_EQ(row.box, box);
        EXPECT_EQ(ruleKind(row.kind).kind, row.kind);
        EXPECT_EQ(row.fileLine, static_cast<int>(box) + 1); // the boxes' Tab order is the file's
        lines.insert(row.fileLine);
    }
    EXPECT_EQ(lines.size(), size_t(kRuleBoxCount));
}

} // namespace
} // namespace classdiv
