#include "conditions/ConditionsEntry.h"

#include "conditions/ConditionsFile.h"
#include "support/Years.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using testing::entryOf;
using testing::workspaceOfSizes;

TEST(SetClassCount, AcceptsOneToTenRoundedAndRefusesTheRest)
{
    const struct {
        const char* text;
        std::optional<int> stored; // nullopt: the class-count message
    } cases[] = {
        {"1", 1}, {"10", 10}, {"3abc", 3}, {" 5 ", 5}, {"2.5", 2}, {"3.5", 4}, {"9.6", 10},
        {"0", {}}, {"11", {}}, {"10.2", {}}, {"0.9", {}}, {"", {}}, {"-3", {}}, {"５", {}}, {"99999", {}},
    };
    for (const auto& c : cases) {
        ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}});
        ws.conditions[1].classCount = 7;
        const SetClassCountOutcome outcome = setClassCount(ws, 0, QString::fromUtf8(c.text));
        EXPECT_EQ(ws.conditions[1].classCount, c.stored.value_or(7)) << c.text;
        EXPECT_EQ(outcome.visibleRows, c.stored) << c.text;
        EXPECT_EQ(outcome.clearClassCount, !c.stored) << c.text;
        if (c.stored)
            EXPECT_EQ(outcome.focus, ConditionsFocus::FirstClassNumber) << c.text;
        else
            EXPECT_EQ(outcome.message, (Message{kClassCountMessage, titles::inputMistake})) << c.text;
    }
}

TEST(ConfirmEntry, ChecksZerosAndTheGroupSumAndStores)
{
    const struct {
        const char* name;
        int classCount;
        testing::Rows rows;
        bool message;
        std::vector<ClassPlanRow> stored; // rows 1.. afterwards; empty: all kept
    } cases[] = {
        {"four rows of ten pass", 4, {{"1", "10"}, {"2", "10"}, {"3", "10"}, {"4", "10"}}, false,
         {{1, 10}, {2, 10}, {3, 10}, {4, 10}}},
        {"sum one short, stored anyway", 2, {{"1", "20"}, {"2", "19"}}, true, {{1, 20}, {2, 19}}},
        {"class number 0", 2, {{"0", "20"}, {"2", "20"}}, true, {{0, 20}, {2, 20}}},
        {"empty head count", 2, {{"1", "40"}, {"2", ""}}, true, {{1, 40}, {2, 0}}},
        {"negative values and repeats pass when the sum works", 2, {{"-1", "50"}, {"-1", "-10"}}, false,
         {{-1, 50}, {-1, -10}}},
        {"fractions are rounded half to even", 2, {{"1.5", "20.5"}, {"2", "19.5"}}, false, {{2, 20}, {2, 20}}},
        {"a box beyond 16 bits stores nothing", 2, {{"1", "32768"}, {"2", "-32728"}}, true, {}},
        {"a class number beyond 16 bits stores nothing", 2, {{"40000", "20"}, {"2", "20"}}, true, {}},
        {"a sum beyond 16 bits stores nothing", 2, {{"1", "32767"}, {"2", "1"}}, true, {}},
        {"the largest sums are stored", 2, {{"1", "32766"}, {"2", "1"}}, true, {{1, 32766}, {2, 1}}},
        {"down to the smallest", 2, {{"1", "-32767"}, {"2", "-1"}}, true, {{1, -32767}, {2, -1}}},
        {"a class count never set stores nothing", 0, {{"1", "40"}}, true, {}},
    };
    for (const auto& c : cases) {
        ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}});
        ws.conditions[1].classCount = static_cast<int16_t>(c.classCount);
        for (int k = 1; k <= kMaxPlanRows; ++k)
            ws.conditions[1].rows[k] = ClassPlanRow{static_cast<int16_t>(k + 20), static_cast<int16_t>(k), 0};
        const GroupCondition before = ws.conditions[1];

        const ConfirmEntryOutcome outcome = confirmEntry(ws, entryOf(0, c.rows));
        EXPECT_EQ(outcome.message, c.message ? std::optional(Message{kEntryMessage, titles::inputMistake}) : std::nullopt)
            << c.name;
        for (int k = 1; k <= kMaxPlanRows; ++k) {
            const bool stored = size_t(k) <= c.stored.size();
            EXPECT_EQ(ws.conditions[1].rows[k], stored ? c.stored[k - 1] : before.rows[k]) << c.name << " row " << k;
        }
    }
}

TEST(ConfirmEntry, LoweringTheClassCountKeepsTheRowsAboveIt)
{
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}});
    ASSERT_FALSE(setClassCount(ws, 0, QStringLiteral("5")).message);
    ASSERT_FALSE(confirmEntry(ws, entryOf(0, {{"1", "8"}, {"2", "8"}, {"3", "8"}, {"4", "8"}, {"5", "8"}})).message);
    ASSERT_FALSE(setClassCount(ws, 0, QStringLiteral("3")).message);
    EXPECT_FALSE(confirmEntry(ws, entryOf(0, {{"1", "20"}, {"2", "10"}, {"3", "10"}, {"9", "9"}})).message);
    EXPECT_EQ(ws.conditions[1].rows[4], (ClassPlanRow{4, 8, 0}));
    EXPECT_TRUE(formatConditionsFile(ws).startsWith("3\r\n1,20\r\n2,10\r\n3,10\r\n4,8\r\n5,8\r\n0,0\r\n"));
}

TEST(ConfirmEntry, NothingSelectedWorksOnTheSlotOfNoGroup)
{
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 3}, {"B", 2}});
    EXPECT_FALSE(setClassCount(ws, -1, QStringLiteral("2")).message);
    // Slot 0 has no students: any non-zero head count misses the sum.
    EXPECT_TRUE(confirmEntry(ws, entryOf(-1, {{"1", "3"}, {"2", "2"}})).message);
    EXPECT_EQ(ws.conditions[0].rows[2], (ClassPlanRow{2, 2, 0}));
    EXPECT_EQ(ws.conditions[1], GroupCondition{});
    EXPECT_EQ(ws.conditions[2], GroupCondition{});
    // The file holds the two groups only.
    EXPECT_EQ(formatConditionsFile(ws), ("0\r\n" + QByteArray("0,0\r\n").repeated(10)).repeated(2));
}

TEST(SelectGroup, ShowsTheStoredConditionWithZerosEmpty)
{
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}, {"B", 10}});
    ws.conditions[1].classCount = 3;
    ws.conditions[1].rows = {{{}, {1, 20, 0}, {2, 0, 0}, {0, 20, 0}, {4, 4, 0}}}; // row 4 is above the count
    PlanRowsView expected;
    expected.classCount = QStringLiteral("3");
    expected.visibleRows = 3;
    expected.classNumbers[1] = QStringLiteral("1");
    expected.headCounts[1] = expected.headCounts[3] = QStringLiteral("20");
    expected.classNumbers[3] = QStringLiteral("0");
    EXPECT_EQ(selectGroup(ws, 0).view, expected);
    EXPECT_EQ(selectGroup(ws, 0).focus, ConditionsFocus::ClassCount);
    EXPECT_EQ(selectGroup(ws, 1).view, PlanRowsView{}); // no entry yet: ten empty rows

    // A position past the list is a programming error, also when the conditions table is the shorter.
    ConditionsWorkspace shortTable = ws;
    shortTable.conditions.resize(2);
    EXPECT_THROW(selectGroup(ws, 2), std::out_of_range);
    EXPECT_THROW(selectGroup(shortTable, 1), std::out_of_range);
    EXPECT_THROW(setClassCount(shortTable, 1, QStringLiteral("2")), std::out_of_range);
}

} // namespace
} // namespace classdiv
