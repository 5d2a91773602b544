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

PreviewRun previewFile(const files::TempFolder& folder, const QString& name, const QByteArray& bytes)
{
    EXPECT_TRUE(files::writeBytes(folder.file(name), bytes));
    PreviewRun run;
    run.table.lineCount = 99; // left from an earlier preview
    run.outcome = preview({folder.path(), folder.path(), name, name}, run.state, run.table);
    return run;
}

QByteArray utf8WithBom(const QString& text) { return QByteArray("\xEF\xBB\xBF") + text.toUtf8(); }

} // namespace

TEST(JoinPath, OneSeparatorAndNoneAfterTheRoot)
{
    const struct {
        QString folder, name, expected;
    } cases[] = {
        {"/", "nen1.csv", "/nen1.csv"},
        {"/home/sensei", "nen1.csv", "/home/sensei/nen1.csv"},
        {"/media/usb/", "nen1.csv", "/media/usb/nen1.csv"},
        {"/media/usb", "", "/media/usb/"},
        {"", "nen1.csv", "nen1.csv"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinPath(c.folder, c.name), c.expected) << qPrintable(c.folder);
}

TEST(Preview, CountsLinesAndFieldsAndProposesTheColumnCount)
{
    const QString lines41 = files::studentLines(41, 6);
    QString lf = lines41;
    lf.replace(u"\r\n"_s, u"\n"_s);
    QString cr = lines41;
    cr.replace(u"\r\n"_s, u"\r"_s);
    QString unevenRows = u"a,b,c\r\n1,2\r\n3,4\r\n"_s; // 7 fields / 3 lines = 2.33

    const struct {
        const char* name;
        QByteArray bytes;
        int lineCount;
        int fieldCount;
        QString text3;
    } cases[] = {
        {"41 lines of 6 fields", files::cp932(lines41), 41, 246, "6"},
        {"a trailing empty line still gives 6", files::cp932(lines41 + u"\r\n"_s), 42, 247, "6"},
        {"last line without its line end", files::cp932(lines41.chopped(2)), 41, 246, "6"},
        {"lone LF line ends", files::cp932(lf), 41, 246, "6"},
        {"lone CR line ends", files::cp932(cr), 41, 246, "6"},
        {"UTF-8 with byte order mark", utf8WithBom(lines41), 41, 246, "6"},
        {"rounded to the nearest", files::cp932(unevenRows), 3, 7, "2"},
        {"2.5 goes to the even neighbour 2", files::cp932(u"a,b,c,d\r\n1\r\n"_s), 2, 5, "2"},
        {"3.5 goes to the even neighbour 4", files::cp932(u"a,b,c,d,e,f\r\n1\r\n"_s), 2, 7, "4"},
        {"501 lines are 500 students", files::cp932(files::studentLines(501, 2)), 501, 1002, "2"},
        {"a huge line", files::cp932(u"名前,点数\r\n"_s + QString(200000, u'長') + u",1\r\n"_s), 2, 4, "2"},
    };
    for (const auto& c : cases) {
        files::TempFolder folder;
        const PreviewRun run = previewFile(folder, u"nen1.csv"_s, c.bytes);
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

TEST(Preview, ShowsEveryLineEndedByCrLfAndRemembersTheEncoding)
{
    files::TempFolder folder;
    const QString text = u"番号,氏名\n1001,山田　太郎"_s;
    const QString shown = u"番号,氏名\r\n1001,山田　太郎\r\n"_s;

    PreviewRun utf8 = previewFile(folder, u"u.csv"_s, utf8WithBom(text));
    EXPECT_EQ(utf8.outcome.text2, shown);
    EXPECT_EQ(utf8.table.encoding, TextEncoding::Utf8WithBom);

    // The next preview of a CP932 file switches back.
    ImportWindowState& state = utf8.state;
    StudentTable& table = utf8.table;
    ASSERT_TRUE(files::writeBytes(folder.file(u"s.csv"_s), files::cp932(text)));
    const PreviewOutcome sjis = preview({folder.path(), folder.path(), u"s.csv"_s, u"s.csv"_s}, state, table);
    EXPECT_EQ(sjis.text2, shown);
    EXPECT_EQ(table.encoding, TextEncoding::Cp932);
}

TEST(Preview, RefusesFilesItCannotReadWithAClearMessage)
{
    QByteArray binary("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0", 20);
    const struct {
        const char* name;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"a byte sequence that is not CP932", QByteArray("a,b\r\n\x81\x20,\xFF\r\n"), kInvalidTextMessage},
        {"a CP932 lead byte cut off at the end", QByteArray("a,b\r\n\x82"), kInvalidTextMessage},
        {"broken UTF-8 after a byte order mark", QByteArray("\xEF\xBB\xBF" "a,\xC3\x28\r\n"), kInvalidTextMessage},
        {"a binary file", binary, kInvalidTextMessage},
        {"more than 500 students", files::cp932(files::studentLines(502, 2)), kTooManyStudentsMessage},
        {"a file of 1000 lines", files::cp932(files::studentLines(1000, 6)), kTooManyStudentsMessage},
    };
    for (const auto& c : cases) {
        files::TempFolder folder;
        const PreviewRun run = previewFile(folder, u"x.csv"_s, c.bytes);
        EXPECT_EQ(run.outcome.message, (Message{c.message, titles::error})) << c.name;
        EXPECT_EQ(run.table.lineCount, 0) << c.name;
        EXPECT_TRUE(run.state.previewText.isEmpty()) << c.name;
        EXPECT_EQ(run.outcome.text2, std::nullopt) << c.name;
        EXPECT_EQ(run.outcome.text3, std::nullopt) << c.name;
        EXPECT_FALSE(run.outcome.focusText4) << c.name;
        EXPECT_EQ(run.table.csvPath, folder.file(u"x.csv"_s)) << c.name;
    }
}

TEST(Preview, FailsSilentlyWhereNoColumnCountCanBeFormed)
{
    QString manyFields = u"a\r\n"_s + QString(40000, u',') + u"\r\n"_s;
    const struct {
        const char* name;
        QByteArray bytes;
        int lineCount;
    } cases[] = {
        {"an empty file", QByteArray(), 0},
        {"more than 32767 fields: the lines are counted", files::cp932(manyFields), 2},
    };
    for (const auto& c : cases) {
        files::TempFolder folder;
        const PreviewRun run = previewFile(folder, u"x.csv"_s, c.bytes);
        EXPECT_EQ(run.outcome.message, std::nullopt) << c.name;
        EXPECT_EQ(run.table.lineCount, c.lineCount) << c.name;
        EXPECT_EQ(run.outcome.text2, std::nullopt) << c.name;
        EXPECT_EQ(run.outcome.text3, std::nullopt) << c.name;
        EXPECT_FALSE(run.outcome.focusText4) << c.name;
    }
}

TEST(Preview, AskToCheckDriveAndFileWhenThereIsNothingToOpen)
{
    files::TempFolder folder;
    ASSERT_TRUE(files::writeBytes(folder.file(u"nen1.csv"_s), files::cp932(files::studentLines(3, 2))));
    const Message expected{kDriveAndFileMessage, titles::error};
    const struct {
        const char* name;
        PreviewInput input;
        QString sourcePath;
    } cases[] = {
        {"the folder was removed", {folder.file(u"gone"_s), folder.file(u"gone"_s), u"nen1.csv"_s, u"nen1.csv"_s},
         folder.file(u"gone/nen1.csv"_s)},
        {"the file was removed", {folder.path(), folder.path(), u"old.csv"_s, u"old.csv"_s},
         folder.file(u"old.csv"_s)},
        {"no file chosen", {folder.path(), folder.path(), QString(), QString()}, folder.path() + u'/'},
    };
    for (const auto& c : cases) {
        ImportWindowState state;
        StudentTable table;
        table.lineCount = 41;
        const PreviewOutcome outcome = preview(c.input, state, table);
        EXPECT_EQ(outcome.message, expected) << c.name;
        EXPECT_EQ(table.lineCount, 0) << c.name;
        EXPECT_EQ(state.sourcePath, c.sourcePath) << c.name;
        EXPECT_EQ(table.csvPath, joinPath(c.input.fileFolder, c.input.text1)) << c.name;
        EXPECT_EQ(outcome.text3, std::nullopt) << c.name;
    }
}

TEST(Preview, RefusesAFileTooLargeForAnySchoolYear)
{
    files::TempFolder folder;
    QFile file(folder.file(u"huge.csv"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kMaxTextFileBytes + 1)); // sparse: nothing is written
    file.close();
    ImportWindowState state;
    StudentTable table;
    const PreviewOutcome outcome = preview({folder.path(), folder.path(), u"huge.csv"_s, u"huge.csv"_s}, state, table);
    EXPECT_EQ(outcome.message, (Message{kFileTooLargeMessage, titles::error}));
    EXPECT_EQ(table.lineCount, 0);
}

TEST(Preview, EditedText1NamesCsvPathButNotTheFileRead)
{
    files::TempFolder folder;
    ASSERT_TRUE(files::writeBytes(folder.file(u"nen1.csv"_s), files::cp932(u"a,b\r\n1,2\r\n"_s)));
    ImportWindowState state;
    StudentTable table;
    const PreviewOutcome outcome =
        preview({folder.path(), folder.path(), u"nen1.csv"_s, u"nen2.csv"_s}, state, table);
    EXPECT_EQ(outcome.message, std::nullopt);
    EXPECT_EQ(outcome.text2, u"a,b\r\n1,2\r\n"_s);
    EXPECT_EQ(state.sourcePath, folder.file(u"nen1.csv"_s));
    EXPECT_EQ(table.csvPath, folder.file(u"nen2.csv"_s));
}
