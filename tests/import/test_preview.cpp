#include "import/ImportActions.h"

#include "ImportTestFiles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace classdiv;
using namespace Qt::StringLiterals;
namespace files = classdiv::testing;

namespace {

struct PreviewRun {
    PreviewOutcome outcome;
    ImportWindowState state;
    StudentTable table;
};

PreviewRun previewFile(const files::TempFolder& folder, const QByteArray& bytes, qint64 sparseSize = 0)
{
    const QString path = folder.file(u"x.csv"_s);
    EXPECT_TRUE(files::writeBytes(path, bytes));
    if (sparseSize > 0) {
        EXPECT_TRUE(QFile(path).resize(sparseSize));
    }
    PreviewRun run;
    run.table.lineCount = 99; // left from an earlier preview
    run.outcome = preview({folder.path(), folder.path(), u"x.csv"_s, u"x.csv"_s}, run.state, run.table);
    return run;
}

QByteArray utf8WithBom(const QString& text) { return QByteArray("\xEF\xBB\xBF") + text.toUtf8(); }

} // namespace

TEST(JoinPath, OneSeparatorAndNoneAfterTheRoot)
{
    EXPECT_EQ(joinPath("/", "nen1.csv"), "/nen1.csv");
    EXPECT_EQ(joinPath("/media/usb/", "nen1.csv"), "/media/usb/nen1.csv");
    EXPECT_EQ(joinPath("/media/usb", ""), "/media/usb/");
}

TEST(Preview, CountsLinesAndFieldsAndProposesTheColumnCount)
{
    const QString lines41 = files::studentLines(41, 6);
    const struct {
        const char* name;
        QByteArray bytes;
        int lineCount;
        int fieldCount;
        QString text3;
    } cases[] = {
        {"41 lines of 6 fields", files::cp932(lines41), 41, 246, "6"},
        {"a trailing empty line still gives 6", files::cp932(lines41 + u"\r\n"_s), 42, 247, "6"},
        {"lone LF line ends", files::cp932(QString(lines41).replace(u"\r\n"_s, u"\n"_s)), 41, 246, "6"},
        {"lone CR line ends", files::cp932(QString(lines41).replace(u"\r\n"_s, u"\r"_s)), 41, 246, "6"},
        {"UTF-8 with byte order mark", utf8WithBom(lines41), 41, 246, "6"},
        {"2.5 goes to the even neighbour 2", files::cp932(u"a,b,c,d\r\n1\r\n"_s), 2, 5, "2"},
        {"3.5 goes to the even neighbour 4", files::cp932(u"a,b,c,d,e,f\r\n1\r\n"_s), 2, 7, "4"},
        {"501 lines are 500 students", files::cp932(files::studentLines(501, 2)), 501, 1002, "2"},
    };
    for (const auto& c : cases) {
        files::TempFolder folder;
        const PreviewRun run = previewFile(folder, c.bytes);
        EXPECT_EQ(run.outcome.message, std::nullopt) << c.name;
        EXPECT_EQ(run.table.lineCount, c.lineCount) << c.name;
        EXPECT_EQ(run.state.fieldCount, c.fieldCount) << c.name;
        EXPECT_EQ(run.outcome.text3, c.text3) << c.name;
        EXPECT_EQ(run.state.columnCount, c.text3.toInt()) << c.name;
        EXPECT_TRUE(run.outcome.focusText4) << c.name;
        EXPECT_EQ(run.outcome.text2, run.state.previewText) << c.name;
        EXPECT_EQ(run.state.previewText.count(u"\r\n"_s), c.lineCount) << c.name;
    }
}

TEST(Preview, RefusesOrStaysSilentWhereNoColumnCountCanBeFormed)
{
    const Message invalid{kInvalidTextMessage, titles::error};
    const struct {
        const char* name;
        QByteArray bytes;
        std::optional<Message> message;
        int lineCount;
        qint64 sparseSize = 0;
    } cases[] = {
        {"a byte sequence that is not CP932", "a,b\r\n\x81\x20,\xFF\r\n", invalid, 0},
        {"a CP932 lead byte cut off at the end", "a,b\r\n\x82", invalid, 0},
        {"broken UTF-8 after a byte order mark", "\xEF\xBB\xBF" "a,\xC3\x28\r\n", invalid, 0},
        {"more than 500 students", files::cp932(files::studentLines(502, 2)),
         Message{kTooManyStudentsMessage, titles::error}, 0},
        {"too large for any school year", "a", Message{kFileTooLargeMessage, titles::error}, 0, kMaxTextFileBytes + 1},
        {"an empty file", "", std::nullopt, 0},
        {"more than 32767 fields: the lines are counted",
         files::cp932(u"a\r\n"_s + QString(40000, u',') + u"\r\n"_s), std::nullopt, 2},
    };
    for (const auto& c : cases) {
        files::TempFolder folder;
        const PreviewRun run = previewFile(folder, c.bytes, c.sparseSize);
        EXPECT_EQ(run.outcome.message, c.message) << c.name;
        EXPECT_EQ(run.table.lineCount, c.lineCount) << c.name;
        EXPECT_EQ(run.outcome.text2, std::nullopt) << c.name;
        EXPECT_EQ(run.outcome.text3, std::nullopt) << c.name;
        EXPECT_FALSE(run.outcome.focusText4) << c.name;
        if (c.message) {
            EXPECT_TRUE(run.state.previewText.isEmpty()) << c.name;
        }
    }
}

TEST(Preview, ShowsLinesEndedByCrLfAndRemembersTheEncoding)
{
    files::TempFolder folder;
    const QString text = u"番号,氏名\n1001,山田　太郎"_s;
    ASSERT_TRUE(files::writeBytes(folder.file(u"u.csv"_s), utf8WithBom(text)));
    ASSERT_TRUE(files::writeBytes(folder.file(u"s.csv"_s), files::cp932(text)));
    ImportWindowState state;
    StudentTable table;
    // An edited Text1 names the result, not the file read.
    const PreviewOutcome utf8 = preview({folder.path(), folder.path(), u"u.csv"_s, u"nen2.csv"_s}, state, table);
    EXPECT_EQ(utf8.text2, u"番号,氏名\r\n1001,山田　太郎\r\n"_s);
    EXPECT_EQ(table.encoding, TextEncoding::Utf8WithBom);
    EXPECT_EQ(state.sourcePath, folder.file(u"u.csv"_s));
    EXPECT_EQ(table.csvPath, folder.file(u"nen2.csv"_s));

    const PreviewOutcome sjis = preview({folder.path(), folder.path(), u"s.csv"_s, u"s.csv"_s}, state, table);
    EXPECT_EQ(sjis.text2, utf8.text2);
    EXPECT_EQ(table.encoding, TextEncoding::Cp932);
}

TEST(Preview, AsksToCheckDriveAndFileWhenThereIsNothingToOpen)
{
    files::TempFolder folder;
    ASSERT_TRUE(files::writeBytes(folder.file(u"nen1.csv"_s), files::cp932(files::studentLines(3, 2))));
    const PreviewInput cases[] = {
        {folder.file(u"gone"_s), folder.file(u"gone"_s), u"nen1.csv"_s, u"nen1.csv"_s}, // folder removed
        {folder.path(), folder.path(), u"old.csv"_s, u"old.csv"_s},                   // file removed
        {folder.path(), folder.path(), QString(), QString()},                         // no file chosen
    };
    for (const auto& input : cases) {
        ImportWindowState state;
        StudentTable table;
        table.lineCount = 41;
        const PreviewOutcome outcome = preview(input, state, table);
        EXPECT_EQ(outcome.message, (Message{kDriveAndFileMessage, titles::error})) << qPrintable(input.fileName);
        EXPECT_EQ(table.lineCount, 0) << qPrintable(input.fileName);
        EXPECT_EQ(table.csvPath, joinPath(input.fileFolder, input.text1)) << qPrintable(input.fileName);
        EXPECT_EQ(outcome.text3, std::nullopt) << qPrintable(input.fileName);
    }
}
