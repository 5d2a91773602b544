// The example year as a new user meets it: import the CSV, load the groups,
// read the conditions file that comes with it.

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
    const QString file = QStringLiteral("nen1.csv");
    const PreviewOutcome previewed = preview({folder, folder, file, file}, importState, *table);
    ASSERT_FALSE(previewed.message);
    EXPECT_EQ(table->lineCount, 241);
    EXPECT_EQ(previewed.text3, QStringLiteral("8"));
    const ReadColumnsOutcome read = readColumns({"8", "1", "3", "6", "7"}, importState, *table);
    ASSERT_FALSE(read.message);
    EXPECT_TRUE(read.text8.value_or(QString()).startsWith(QStringLiteral("番号,氏名,グループ,点数\r\n")));

    const LoadOutcome loaded = loadGroups(*table);
    ASSERT_FALSE(loaded.refusal);
    EXPECT_EQ(loaded.label10, QStringLiteral("240"));
    EXPECT_EQ(loaded.label11, QStringLiteral("6"));
    ConditionsWorkspace ws = loaded.workspace;
    EXPECT_EQ(ws.groupSize, (std::vector<int16_t>{0, 36, 44, 42, 38, 40, 40}));

    const ReadConditionsOutcome conditions = readConditions(ws, table->csvPath);
    ASSERT_EQ(conditions.status, ReadConditionsOutcome::Status::Read);
    EXPECT_EQ(conditions.view->text3, QStringLiteral("2"));
    EXPECT_EQ(conditions.view->classNumbers[1], QStringLiteral("5"));
    EXPECT_EQ(conditions.view->headCounts[1], QStringLiteral("18"));

    // Typing the same conditions in passes every check and gives exactly the file that comes with the example.
    testing::TempFolder temp;
    const QString csv = temp.file(file);
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
