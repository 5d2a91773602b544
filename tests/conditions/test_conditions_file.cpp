#include "conditions/ConditionsFile.h"

#include "conditions/ConditionsTestSupport.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using testing::TempFolder;
using testing::workspaceOfSizes;

QByteArray emptyBlock()
{
    return "0\r\n" + QByteArray("0,0\r\n").repeated(kMaxPlanRows);
}

QByteArray block(int classCount, std::vector<std::pair<int, int>> rows)
{
    QByteArray bytes = QByteArray::number(classCount) + "\r\n";
    for (const auto& [number, head] : rows)
        bytes += QByteArray::number(number) + ',' + QByteArray::number(head) + "\r\n";
    return bytes + QByteArray("0,0\r\n").repeated(kMaxPlanRows - int(rows.size()));
}

using testing::entryOf;
using testing::Rows;

TEST(ConditionsFile, WrittenByteForByteAsTheHandWrittenFile)
{
    // Three groups: one passes, one was lowered from two classes to one, one
    // has a negative class number that still passes the check.
    TempFolder folder;
    const QString csv = folder.file(QStringLiteral("nen1.csv"));
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}, {"B", 3}, {"C", 5}});
    ASSERT_FALSE(setClassCount(ws, 0, QStringLiteral("4")).message);
    ASSERT_FALSE(confirmEntry(ws, entryOf(0, {{"1", "10"}, {"2", "10"}, {"3", "10"}, {"4", "10"}}, csv)).message);
    ASSERT_FALSE(setClassCount(ws, 1, QStringLiteral("2")).message);
    ASSERT_FALSE(confirmEntry(ws, entryOf(1, {{"5", "2"}, {"6", "1"}}, csv)).message);
    ASSERT_FALSE(setClassCount(ws, 1, QStringLiteral("1")).message);
    ASSERT_FALSE(confirmEntry(ws, entryOf(1, {{"5", "3"}}, csv)).message);
    ASSERT_FALSE(setClassCount(ws, 2, QStringLiteral("2")).message);
    const ConfirmEntryOutcome last = confirmEntry(ws, entryOf(2, {{"-1", "3"}, {"7", "2"}}, csv));
    EXPECT_FALSE(last.message);
    EXPECT_FALSE(last.writeFailure);

    const QByteArray expected =
        testing::readBytes(QStringLiteral(CLASSDIV_TEST_DATA "/conditions/three_groups_expected.TXT"));
    ASSERT_EQ(expected.count('\n'), 33);
    EXPECT_EQ(testing::readBytes(conditionsFilePath(csv)), expected);
}

TEST(ConditionsFile, HoldsElevenLinesPerGroupOfTheRunAndNothingElse)
{
    const struct {
        const char* name;
        std::vector<std::pair<QString, int>> groups;
        int lines;
    } cases[] = {
        {"two groups, no entries", {{"A", 3}, {"B", 4}}, 22},
        {"no students: one empty group", {}, 11},
        {"six groups", {{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}, {"e", 1}, {"f", 1}}, 66},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString csv = folder.file(QStringLiteral("x.csv"));
        ConditionsWorkspace ws = workspaceOfSizes(c.groups);
        confirmEntry(ws, entryOf(-1, {}, csv));
        const QByteArray bytes = testing::readBytes(conditionsFilePath(csv));
        EXPECT_EQ(bytes.count("\r\n"), c.lines) << c.name;
        EXPECT_EQ(bytes, emptyBlock().repeated(c.lines / 11)) << c.name;
    }
}

TEST(ConditionsFile, ReadsBlocksByPositionAndStopsSilentlyOnAShortOrBadFile)
{
    using Status = ReadConditionsOutcome::Status;
    const GroupCondition earlier = [] {
        GroupCondition c;
        c.classCount = 1;
        c.rows[1] = {9, 9, 0};
        return c;
    }();
    const struct {
        const char* name;
        int groups;          // groups of the run
        QByteArray bytes;    // the file
        Status status;
        std::vector<std::optional<int>> classCounts; // [G-1] after the read; nullopt = kept `earlier`
    } cases[] = {
        {"same number of groups", 2, block(2, {{1, 20}, {2, 20}}) + block(1, {{3, 5}}), Status::Read, {2, 1}},
        {"three-group file in a two-group run", 2, block(2, {{1, 20}, {2, 20}}) + block(1, {{3, 5}}) + block(4, {}),
         Status::Read, {2, 1}},
        {"two-group file in a three-group run", 3, block(2, {{1, 20}, {2, 20}}) + block(1, {{3, 5}}), Status::Failed,
         {2, 1, std::nullopt}},
        {"blanks and a last line without its end", 1, " 2 \r\n 1 , 20\r\n2,20\n0,0\r0,0\r\n" +
         QByteArray("0,0\r\n").repeated(5) + "0,0", Status::Read, {2}},
        {"a text that is no number reads 0", 1, "x\r\n" + QByteArray("a,b\r\n").repeated(10), Status::Read, {0}},
        {"a UTF-8 byte order mark is accepted", 1, "\xEF\xBB\xBF" + block(1, {{4, 7}}), Status::Read, {1}},
        {"a value beyond 16 bits stops the read", 2, block(1, {{1, 40000}}) + block(1, {{3, 5}}), Status::Failed,
         {1, std::nullopt}},
        {"a class count above 10 stops the read", 2, block(2, {{1, 1}, {2, 1}}) + block(11, {}), Status::Failed,
         {2, std::nullopt}},
        {"a negative class count stops the read", 1, block(-1, {}), Status::Failed, {std::nullopt}},
        {"bytes that are no Shift-JIS", 1, "\x81\r\n" + emptyBlock(), Status::Failed, {std::nullopt}},
        {"an empty file", 1, "", Status::Failed, {std::nullopt}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString csv = folder.file(QStringLiteral("nen1.csv"));
        ASSERT_TRUE(testing::writeBytes(conditionsFilePath(csv), c.bytes));
        std::vector<std::pair<QString, int>> sizes;
        for (int g = 0; g < c.groups; ++g)
            sizes.push_back({QString(QChar(u'A' + g)), 5});
        ConditionsWorkspace ws = workspaceOfSizes(sizes);
        for (int g = 1; g <= c.groups; ++g)
            ws.conditions[g] = earlier;

        const ReadConditionsOutcome outcome = readConditions(ws, csv);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_FALSE(outcome.message) << c.name;
        EXPECT_EQ(outcome.view.has_value(), c.status == Status::Read) << c.name;
        for (int g = 1; g <= c.groups; ++g) {
            if (c.classCounts[g - 1])
                EXPECT_EQ(ws.conditions[g].classCount, *c.classCounts[g - 1]) << c.name << " group " << g;
            else
                EXPECT_EQ(ws.conditions[g], earlier) << c.name << " group " << g;
        }
    }
}

TEST(ConditionsFile, AfterAReadGroupOneIsShownWithZerosAsZero)
{
    const struct {
        const char* name;
        QByteArray firstBlock;
        int visibleRows;
        std::vector<std::pair<const char*, const char*>> shown; // rows 1..visibleRows
    } cases[] = {
        {"class count 0 hides every row", block(0, {{1, 5}}), 0, {}},
        {"head count 0 shown as 0", block(3, {{1, 13}, {2, 0}, {0, 14}}), 3, {{"1", "13"}, {"2", "0"}, {"0", "14"}}},
        {"ten rows", block(10, {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}, {10, 1}}), 10,
         {{"1", "1"}, {"2", "1"}, {"3", "1"}, {"4", "1"}, {"5", "1"}, {"6", "1"}, {"7", "1"}, {"8", "1"}, {"9", "1"},
          {"10", "1"}}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString csv = folder.file(QStringLiteral("nen1.csv"));
        ASSERT_TRUE(testing::writeBytes(conditionsFilePath(csv), c.firstBlock + emptyBlock()));
        ConditionsWorkspace ws = workspaceOfSizes({{"A", 27}, {"B", 1}});
        const ReadConditionsOutcome outcome = readConditions(ws, csv);
        ASSERT_EQ(outcome.status, ReadConditionsOutcome::Status::Read) << c.name;
        ASSERT_TRUE(outcome.view) << c.name;

        PlanRowsView expected;
        expected.text3 = QString::number(c.visibleRows);
        expected.visibleRows = c.visibleRows;
        for (size_t i = 0; i < c.shown.size(); ++i) {
            expected.classNumbers[i + 1] = QString::fromUtf8(c.shown[i].first);
            expected.headCounts[i + 1] = QString::fromUtf8(c.shown[i].second);
        }
        EXPECT_EQ(*outcome.view, expected) << c.name;
    }

    // The same stored head count 0 is left empty by a plain selection.
    TempFolder folder;
    const QString csv = folder.file(QStringLiteral("nen1.csv"));
    ASSERT_TRUE(testing::writeBytes(conditionsFilePath(csv), block(3, {{1, 13}, {2, 0}, {0, 14}})));
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 27}});
    ASSERT_EQ(readConditions(ws, csv).status, ReadConditionsOutcome::Status::Read);
    const PlanRowsView selected = selectGroup(ws, 0).view;
    EXPECT_EQ(selected.classNumbers[2], QString());
    EXPECT_EQ(selected.headCounts[2], QString());
    EXPECT_EQ(selected.headCounts[3], QStringLiteral("14"));
}

TEST(ConditionsFile, AMissingFileEndsTheRunWithTheProgramsTitle)
{
    TempFolder folder;
    for (const QString& csv : {folder.file(QStringLiteral("nen1.csv")), folder.file(QStringLiteral("no/such/folder.csv"))}) {
        ConditionsWorkspace ws = workspaceOfSizes({{"A", 2}});
        ws.conditions[1].classCount = 1;
        const ReadConditionsOutcome outcome = readConditions(ws, csv);
        EXPECT_EQ(outcome.status, ReadConditionsOutcome::Status::Missing);
        EXPECT_EQ(outcome.message, (Message{QStringLiteral("条件ファイル ファイル名.csvJYOKEN.TXT がありません。"), QString()}));
        EXPECT_EQ(ws.conditions[1].classCount, 1);
    }
}

} // namespace
} // namespace classdiv
