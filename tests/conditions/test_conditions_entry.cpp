#include "conditions/ConditionsEntry.h"

#include "common/Numbers.h"

#include "conditions/ConditionsFile.h"
#include "conditions/ConditionsTestSupport.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>

#include <csignal>

#include <sys/resource.h>

namespace classdiv {
namespace {

using testing::TempFolder;
using testing::workspaceOfSizes;

using testing::entryOf;
using testing::Rows;

TEST(SetClassCount, AcceptsOneToTenRoundedAndRefusesTheRest)
{
    const struct {
        const char* text;
        std::optional<int> stored; // nullopt: the class-count message
    } cases[] = {
        {"1", 1}, {"10", 10}, {"4", 4}, {"3abc", 3}, {" 5 ", 5}, {"2.5", 2}, {"3.5", 4}, {"9.6", 10},
        {"1.4", 1}, {"0", std::nullopt}, {"11", std::nullopt}, {"10.2", std::nullopt}, {"0.9", std::nullopt},
        {"", std::nullopt}, {"abc", std::nullopt}, {"-3", std::nullopt}, {"５", std::nullopt},
        {"99999", std::nullopt},
    };
    for (const auto& c : cases) {
        ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}});
        ws.conditions[1].classCount = 7;
        const SetClassCountOutcome outcome = setClassCount(ws, 0, QString::fromUtf8(c.text));
        if (c.stored) {
            EXPECT_FALSE(outcome.message) << c.text;
            EXPECT_FALSE(outcome.clearText3) << c.text;
            EXPECT_EQ(outcome.visibleRows, c.stored) << c.text;
            EXPECT_EQ(outcome.focus, ConditionsFocus::ClassNumberRow1) << c.text;
            EXPECT_EQ(ws.conditions[1].classCount, *c.stored) << c.text;
        } else {
            EXPECT_EQ(outcome.message, (Message{kClassCountMessage, titles::inputMistake})) << c.text;
            EXPECT_TRUE(outcome.clearText3) << c.text;
            EXPECT_FALSE(outcome.visibleRows) << c.text;
            EXPECT_EQ(ws.conditions[1].classCount, 7) << c.text;
        }
    }
}

TEST(ConfirmEntry, ChecksZerosAndTheGroupSumStoresAndAlwaysSaves)
{
    const struct {
        const char* name;
        int classCount;
        Rows rows;
        bool message;
        bool stored; // rows 1..classCount hold the typed values afterwards
    } cases[] = {
        {"four rows of ten pass", 4, {{"1", "10"}, {"2", "10"}, {"3", "10"}, {"4", "10"}}, false, true},
        {"sum one short", 4, {{"1", "10"}, {"2", "10"}, {"3", "10"}, {"4", "9"}}, true, true},
        {"class number 0", 4, {{"0", "10"}, {"2", "10"}, {"3", "10"}, {"4", "10"}}, true, true},
        {"empty head count", 4, {{"1", "10"}, {"2", "10"}, {"3", "20"}, {"4", ""}}, true, true},
        {"negative values pass when the sum works", 2, {{"-1", "50"}, {"2", "-10"}}, false, true},
        {"repeated class numbers pass", 2, {{"1", "20"}, {"1", "20"}}, false, true},
        {"fractions are rounded half to even", 2, {{"1.5", "20.5"}, {"2", "19.5"}}, false, true},
        {"a box beyond 16 bits is refused", 2, {{"1", "32768"}, {"2", "-32728"}}, true, false},
        {"a class number beyond 16 bits is refused", 2, {{"40000", "20"}, {"2", "20"}}, true, false},
        {"a sum beyond 16 bits is refused", 2, {{"1", "32767"}, {"2", "1"}}, true, false},
        {"a class count never set stores nothing", 0, {{"1", "40"}}, true, false},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString csv = folder.file(QStringLiteral("nen1.csv"));
        ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}});
        ws.conditions[1].classCount = static_cast<int16_t>(c.classCount);
        for (int k = 1; k <= kMaxPlanRows; ++k)
            ws.conditions[1].rows[k] = ClassPlanRow{static_cast<int16_t>(k + 20), static_cast<int16_t>(k), 0};
        const GroupCondition before = ws.conditions[1];

        const ConfirmEntryOutcome outcome = confirmEntry(ws, entryOf(0, c.rows, csv));

        EXPECT_EQ(outcome.message.has_value(), c.message) << c.name;
        if (c.message) {
            EXPECT_EQ(*outcome.message, (Message{kEntryMessage, titles::inputMistake})) << c.name;
        }
        EXPECT_FALSE(outcome.writeFailure) << c.name;
        const GroupCondition& after = ws.conditions[1];
        for (int k = 1; k <= kMaxPlanRows; ++k) {
            if (c.stored && k <= c.classCount) {
                const std::optional<int16_t> number = boxNumber(QString::fromUtf8(c.rows[k - 1].first));
                const std::optional<int16_t> head = boxNumber(QString::fromUtf8(c.rows[k - 1].second));
                EXPECT_EQ(after.rows[k].classNumber, *number) << c.name << " row " << k;
                EXPECT_EQ(after.rows[k].headCount, *head) << c.name << " row " << k;
            } else {
                EXPECT_EQ(after.rows[k], before.rows[k]) << c.name << " row " << k; // all or nothing
            }
        }
        // Saved whatever the check said: the file is the workspace as it now is.
        EXPECT_EQ(testing::readBytes(conditionsFilePath(csv)), formatConditionsFile(ws)) << c.name;
    }
}

TEST(ConfirmEntry, UsesTheStoredClassCountAndOnlyItsRows)
{
    TempFolder folder;
    const QString csv = folder.file(QStringLiteral("a.csv"));
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}});
    ASSERT_FALSE(setClassCount(ws, 0, QStringLiteral("5")).message);
    ASSERT_FALSE(confirmEntry(ws, entryOf(0, {{"1", "8"}, {"2", "8"}, {"3", "8"}, {"4", "8"}, {"5", "8"}}, csv)).message);

    // Lowered with Command1: rows 4 and 5 keep what they last held, in the
    // workspace and in the file.
    ASSERT_FALSE(setClassCount(ws, 0, QStringLiteral("3")).message);
    EXPECT_FALSE(confirmEntry(ws, entryOf(0, {{"1", "20"}, {"2", "10"}, {"3", "10"}, {"9", "9"}}, csv)).message);
    EXPECT_EQ(ws.headTotal, 40);
    EXPECT_EQ(ws.conditions[1].rows[4], (ClassPlanRow{4, 8, 0}));
    EXPECT_EQ(ws.conditions[1].rows[5], (ClassPlanRow{5, 8, 0}));
    EXPECT_TRUE(testing::readBytes(conditionsFilePath(csv)).startsWith("3\r\n1,20\r\n2,10\r\n3,10\r\n4,8\r\n5,8\r\n0,0\r\n"));

    // Text3 now says 1 but Command1 was not pressed again: three rows are still read.
    EXPECT_TRUE(confirmEntry(ws, entryOf(0, {{"1", "40"}}, csv)).message);
    EXPECT_EQ(ws.conditions[1].rows[1], (ClassPlanRow{1, 40, 0}));
    EXPECT_EQ(ws.conditions[1].rows[2], (ClassPlanRow{0, 0, 0}));
    EXPECT_EQ(ws.conditions[1].rows[4], (ClassPlanRow{4, 8, 0}));
}

TEST(ConfirmEntry, NothingSelectedWorksOnTheSlotOfNoGroup)
{
    TempFolder folder;
    const QString csv = folder.file(QStringLiteral("a.csv"));
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 3}, {"B", 2}});

    const SetClassCountOutcome set = setClassCount(ws, -1, QStringLiteral("2"));
    EXPECT_FALSE(set.message);
    EXPECT_EQ(ws.conditions[0].classCount, 2);
    EXPECT_EQ(ws.conditions[1].classCount, 0);

    // Slot 0 has no students: any non-zero head count misses the sum.
    const ConfirmEntryOutcome outcome = confirmEntry(ws, entryOf(-1, {{"1", "3"}, {"2", "2"}}, csv));
    EXPECT_TRUE(outcome.message);
    EXPECT_EQ(ws.conditions[0].rows[2], (ClassPlanRow{2, 2, 0}));
    EXPECT_EQ(ws.conditions[1], GroupCondition{});
    EXPECT_EQ(ws.conditions[2], GroupCondition{});
    // The file holds the two groups only, not the slot of no group.
    EXPECT_EQ(testing::readBytes(conditionsFilePath(csv)), QByteArray("0\r\n" + QByteArray("0,0\r\n").repeated(10)).repeated(2));
}

// A file size limit makes every write fail as on a full disk, whatever the
// rights of the user running the tests.
class FullDisk {
public:
    FullDisk()
    {
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        rlimit limit = m_oldLimit;
        limit.rlim_cur = 8;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        std::signal(SIGXFSZ, m_oldSignal);
    }

private:
    rlimit m_oldLimit{};
    void (*m_oldSignal)(int) = SIG_DFL;
};

TEST(ConfirmEntry, AFailedSaveGivesAMessageAndKeepsTheOldFileWhole)
{
    TempFolder folder;
    const QString csv = folder.file(QStringLiteral("a.csv"));
    const QByteArray old("2\r\n");
    ASSERT_TRUE(testing::writeBytes(conditionsFilePath(csv), old));
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 2}});
    ASSERT_FALSE(setClassCount(ws, 0, QStringLiteral("1")).message);

    ConfirmEntryOutcome outcome;
    {
        FullDisk full;
        outcome = confirmEntry(ws, entryOf(0, {{"1", "2"}}, csv));
    }

    EXPECT_FALSE(outcome.message);
    ASSERT_TRUE(outcome.writeFailure);
    EXPECT_EQ(outcome.writeFailure->title, titles::error);
    EXPECT_TRUE(outcome.writeFailure->text.contains(QStringLiteral("a.csvJYOKEN.TXT")));
    EXPECT_EQ(testing::readBytes(conditionsFilePath(csv)), old);
    // No temporary file left behind either.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.csvJYOKEN.TXT")});
    // The entry itself stays in the window.
    EXPECT_EQ(ws.conditions[1].rows[1], (ClassPlanRow{1, 2, 0}));
}

TEST(SelectGroup, ShowsTheStoredConditionWithZeroHeadCountsEmpty)
{
    ConditionsWorkspace ws = workspaceOfSizes({{"A", 40}, {"B", 10}});
    GroupCondition& a = ws.conditions[1];
    a.classCount = 3;
    a.rows[1] = {1, 20, 0};
    a.rows[2] = {2, 0, 0};
    a.rows[3] = {0, 20, 0};
    a.rows[4] = {4, 4, 0}; // above the class count: hidden and empty

    const SelectGroupOutcome first = selectGroup(ws, 0);
    PlanRowsView expected;
    expected.text3 = QStringLiteral("3");
    expected.visibleRows = 3;
    expected.classNumbers[1] = QStringLiteral("1");
    expected.headCounts[1] = QStringLiteral("20");
    expected.classNumbers[3] = QStringLiteral("0");
    expected.headCounts[3] = QStringLiteral("20");
    EXPECT_EQ(first.view, expected);
    EXPECT_EQ(first.focus, ConditionsFocus::Text3);

    // No entry yet: ten empty rows and an empty Text3.
    const SelectGroupOutcome second = selectGroup(ws, 1);
    EXPECT_EQ(second.view, PlanRowsView{});
    EXPECT_EQ(second.view.visibleRows, kMaxPlanRows);
    EXPECT_EQ(second.focus, ConditionsFocus::Text3);

    // Ten classes show all ten rows.
    ws.conditions[2].classCount = 10;
    for (int k = 1; k <= 10; ++k)
        ws.conditions[2].rows[k] = {static_cast<int16_t>(k), 1, 0};
    const SelectGroupOutcome ten = selectGroup(ws, 1);
    EXPECT_EQ(ten.view.visibleRows, 10);
    EXPECT_EQ(ten.view.classNumbers[10], QStringLiteral("10"));
    EXPECT_EQ(ten.view.headCounts[10], QStringLiteral("1"));
}

} // namespace
} // namespace classdiv
