#include "conditions/ConditionsFile.h"

#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using testing::entryOf;
using testing::readBytes;
using testing::workspaceOfSizes;
using Status = ReadConditionsOutcome::Status;

// One group's eleven lines: the class count, then ten rows padded with 0,0.
QByteArray block(int classCount, const std::vector<std::pair<int, int>>& rows = {})
{
    QByteArray bytes = QByteArray::number(classCount) + "\r\n";
    for (const auto& [number, head] : rows)
        bytes += QByteArray::number(number) + ',' + QByteArray::number(head) + "\r\n";
    return bytes + QByteArray("0,0\r\n").repeated(kMaxPlanRows - int(rows.size()));
}

TEST(ConditionsFile, WrittenByteForByteAsTheHandWrittenFile)
{
    // One group passes, one was lowered from two classes to one, one has a
    // negative class number that still passes the check.
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}, {"B", 3}, {"C", 5}});
    const struct {
        int position;
        const char* classCount;
        testing::Rows rows;
    } steps[] = {
        {0, "4", {{"1", "10"}, {"2", "10"}, {"3", "10"}, {"4", "10"}}},
        {1, "2", {{"5", "2"}, {"6", "1"}}},
        {1, "1", {{"5", "3"}}},
        {2, "2", {{"-1", "3"}, {"7", "2"}}},
    };
    for (const auto& step : steps) {
        ASSERT_FALSE(setClassCount(ws, step.position, QString::fromUtf8(step.classCount)).message);
        ASSERT_FALSE(confirmEntry(ws, entryOf(step.position, step.rows)).message);
    }
    EXPECT_EQ(formatConditionsFile(ws),
              readBytes(QStringLiteral(CLASSDIV_TEST_DATA "/conditions/three_groups_expected.TXT")));
}

TEST(ConditionsFile, ReadsBlocksByPositionAndStopsSilentlyOnAShortOrBadText)
{
    GroupCondition earlier;
    earlier.classCount = 1;
    earlier.rows[1] = {9, 9, 0};
    const struct {
        const char* name;
        int groups;       // groups of the run
        QByteArray bytes; // the file
        Status status;
        std::vector<std::optional<int>> classCounts; // per group after the read; nullopt = kept `earlier`
    } cases[] = {
        {"three-group file in a two-group run", 2, block(2, {{1, 20}, {2, 20}}) + block(1, {{3, 5}}) + block(4),
         Status::Read, {2, 1}},
        {"two-group file in a three-group run", 3, block(2, {{1, 20}, {2, 20}}) + block(1, {{3, 5}}), Status::Failed,
         {2, 1, std::nullopt}},
        {"blanks and a last line without its end", 1,
         " 2 \r\n 1 , 20\r\n2,20\n0,0\r0,0\r\n" + QByteArray("0,0\r\n").repeated(5) + "0,0", Status::Read, {2}},
        {"a UTF-8 byte order mark is accepted", 1, "\xEF\xBB\xBF" + block(1, {{4, 7}}), Status::Read, {1}},
        {"a value beyond 16 bits stops the read", 2, block(1, {{1, 40000}}) + block(1), Status::Failed,
         {1, std::nullopt}},
        {"ten classes are the most", 1, block(10, {{1, 1}, {2, 1}, {3, 1}}), Status::Read, {10}},
        {"a class count above 10 stops the read", 2, block(2) + block(11), Status::Failed, {2, std::nullopt}},
        {"a negative class count stops the read", 1, block(-1), Status::Failed, {std::nullopt}},
        {"an empty file", 1, "", Status::Failed, {std::nullopt}},
    };
    for (const auto& c : cases) {
        const std::optional<DecodedText> text = decodeText(c.bytes);
        ASSERT_TRUE(text) << c.name;
        std::vector<std::pair<QString, int>> sizes;
        for (int g = 0; g < c.groups; ++g)
            sizes.push_back({QString(QChar(u'A' + g)), 5});
        ConditionsWorkspace ws = workspaceOfSizes(sizes);
        std::fill(ws.conditions.begin() + 1, ws.conditions.end(), earlier);

        const ReadConditionsOutcome outcome = parseConditions(ws, text->text);
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

TEST(ConditionsFile, AfterAReadZerosAreShownAsZero)
{
    for (const auto& [classCount, shownRows] : {std::pair{0, 0}, std::pair{3, 3}}) {
        ConditionsWorkspace ws = workspaceOfSizes({{"A", 27}});
        const ReadConditionsOutcome outcome =
            parseConditions(ws, QString::fromLatin1(block(classCount, {{1, 13}, {2, 0}, {0, 14}})));
        ASSERT_TRUE(outcome.view) << classCount;

        PlanRowsView expected;
        expected.classCount = QString::number(classCount);
        expected.visibleRows = shownRows;
        const char* const shown[][2] = {{"1", "13"}, {"2", "0"}, {"0", "14"}};
        for (int k = 1; k <= shownRows; ++k) {
            expected.classNumbers[k] = QString::fromUtf8(shown[k - 1][0]);
            expected.headCounts[k] = QString::fromUtf8(shown[k - 1][1]);
        }
        EXPECT_EQ(*outcome.view, expected) << classCount;
    }
}

} // namespace
} // namespace classdiv
