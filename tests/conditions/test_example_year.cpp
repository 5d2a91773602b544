// The example year as a new user meets it: import the CSV, load the groups,
// read the conditions file that comes with it.

#include "common/Numbers.h"
#include "conditions/ConditionsFile.h"
#include "conditions/GroupTable.h"
#include "import/ImportActions.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace classdiv {
namespace {

TEST(ExampleYear, ImportsGroupsAndReadsItsConditionsReadyForTheDraw)
{
    auto table = std::make_unique<StudentTable>();
    ImportWindowState importState;
    const QString folder = QStringLiteral(CLASSDIV_SOURCE_DIR "/examples");
    const PreviewOutcome previewed =
        preview(PreviewInput{folder, folder, QStringLiteral("nen1.csv"), QStringLiteral("nen1.csv")}, importState, *table);
    ASSERT_FALSE(previewed.message);
    const ReadColumnsOutcome read = readColumns(
        ReadColumnsInput{QStringLiteral("7"), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("6"),
                         QStringLiteral("7")},
        importState, *table);
    ASSERT_FALSE(read.message);

    const LoadOutcome loaded = loadGroups(*table);
    ASSERT_FALSE(loaded.refusal);
    EXPECT_EQ(loaded.comboEntries, (QStringList{QStringLiteral("書女"), QStringLiteral("書男"), QStringLiteral("美女"),
                                                QStringLiteral("美男"), QStringLiteral("音女"), QStringLiteral("音男")}));
    EXPECT_EQ(loaded.label10, QStringLiteral("240"));
    EXPECT_EQ(loaded.label11, QStringLiteral("6"));
    ConditionsWorkspace ws = loaded.workspace;
    EXPECT_EQ(ws.groupSize, (std::vector<int16_t>{0, 36, 44, 42, 38, 40, 40}));

    // Every group ranked from the highest score down, each row its own student.
    for (int g = 1; g <= ws.groupCount(); ++g) {
        for (int r = 1; r <= ws.groupSize[g]; ++r) {
            const StudentRecord& own = table->records[ws.groupStudentRows[g][r]];
            EXPECT_EQ(ws.groupStudents[g][r].studentId, own.studentId);
            EXPECT_EQ(own.group, ws.groupName[g]);
            if (r > 1) {
                EXPECT_GE(textValue(ws.groupStudents[g][r - 1].score), textValue(ws.groupStudents[g][r].score));
            }
        }
    }

    const ReadConditionsOutcome conditions = readConditions(ws, table->csvPath);
    ASSERT_EQ(conditions.status, ReadConditionsOutcome::Status::Read);
    ASSERT_TRUE(conditions.view);
    EXPECT_EQ(conditions.view->text3, QStringLiteral("2"));
    EXPECT_EQ(conditions.view->classNumbers[1], QStringLiteral("5"));
    EXPECT_EQ(conditions.view->headCounts[1], QStringLiteral("18"));
    EXPECT_EQ(conditions.view->visibleRows, 2);

    // Every group's head counts add up to its size, so the draw can start at once.
    int allHeads = 0;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        int heads = 0;
        for (int k = 1; k <= kMaxPlanRows; ++k)
            heads += ws.conditions[g].rows[k].headCount;
        EXPECT_EQ(heads, ws.groupSize[g]) << ws.groupName[g].toStdString();
        allHeads += heads;
    }
    EXPECT_EQ(allHeads, table->studentCount());

    // Typing the same conditions in gives exactly the file that comes with the example.
    testing::TempFolder temp;
    const QString csv = temp.file(QStringLiteral("nen1.csv"));
    for (int g = 1; g <= ws.groupCount(); ++g) {
        ConfirmEntryInput input{g - 1, {}, {}, csv};
        for (int k = 1; k <= 2; ++k) {
            input.classNumbers[k] = QString::number(ws.conditions[g].rows[k].classNumber);
            input.headCounts[k] = QString::number(ws.conditions[g].rows[k].headCount);
        }
        EXPECT_FALSE(confirmEntry(ws, input).message) << g;
    }
    EXPECT_EQ(testing::readBytes(conditionsFilePath(csv)), testing::readBytes(conditionsFilePath(table->csvPath)));
}

} // namespace
} // namespace classdiv
