#include "import/StartFile.h"

#include "support/TestFiles.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace classdiv;
using classdiv::testing::TempFolder;
using classdiv::testing::writeBytes;

// A name given at start either lands in the import window (folder and name as
// File1 lists them) or gives its message and the ordinary start.
TEST(StartFile, OnlyAnExistingCsvFileIsShown)
{
    TempFolder root;
    const QString folder = root.file(QStringLiteral("２年 名簿"));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/nen1.csv"), "a"));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/NEN2.CSV"), "a"));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/memo.txt"), "a"));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/dir.csv/x"), "a"));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/nen1.csv"), root.file(QStringLiteral("link.csv"))));

    const struct {
        QString argument;
        QString folder; // empty: refused
        QString fileName;
        QString message;
    } cases[] = {
        {folder + QStringLiteral("/nen1.csv"), folder, QStringLiteral("nen1.csv"), {}},
        {QStringLiteral("nen1.csv"), folder, QStringLiteral("nen1.csv"), {}}, // relative to the current folder
        {QStringLiteral("../２年 名簿/./NEN2.CSV"), folder, QStringLiteral("NEN2.CSV"), {}},
        {QStringLiteral("file://") + folder + QStringLiteral("/nen1.csv"), folder, QStringLiteral("nen1.csv"), {}},
        {root.file(QStringLiteral("link.csv")), root.path(), QStringLiteral("link.csv"), {}}, // the link's own folder
        {QStringLiteral("nen3.csv"), {}, {}, kStartFileMissingMessage.arg(folder + QStringLiteral("/nen3.csv"))},
        {QString(), {}, {}, kStartFileMissingMessage.arg(QString())},
        {QStringLiteral("memo.txt"), {}, {}, kStartFileNotCsvMessage.arg(folder + QStringLiteral("/memo.txt"))},
        {QStringLiteral("dir.csv"), {}, {}, kStartFileFolderMessage.arg(folder + QStringLiteral("/dir.csv"))},
        {folder + QStringLiteral("/"), {}, {}, kStartFileFolderMessage.arg(folder)},
    };
    for (const auto& c : cases) {
        const auto result = checkStartFile(c.argument, folder);
        if (c.folder.isEmpty()) {
            ASSERT_TRUE(std::holds_alternative<Message>(result)) << qPrintable(c.argument);
            EXPECT_EQ(std::get<Message>(result).text, c.message) << qPrintable(c.argument);
        } else {
            ASSERT_TRUE(std::holds_alternative<StartFile>(result)) << qPrintable(c.argument);
            EXPECT_EQ(std::get<StartFile>(result).folder, c.folder) << qPrintable(c.argument);
            EXPECT_EQ(std::get<StartFile>(result).fileName, c.fileName) << qPrintable(c.argument);
        }
    }
}
