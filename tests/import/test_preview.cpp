#include "import/ImportActions.h"

#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace classdiv;
using namespace Qt::StringLiterals;
namespace files = classdiv::testing;

namespace {

QByteArray utf8WithBom(const QString& text) { return QByteArray("\xEF\xBB\xBF") + text.toUtf8(); }

} // namespace

TEST(JoinPath, OneSeparatorAndNoneAfterTheRoot)
{
    EXPECT_EQ(joinPath("/", "nen1.csv"), "/nen1.csv");
    EXPECT_EQ(joinPath("/media/usb/", "nen1.csv"), "/media/usb/nen1.csv");
    EXPECT_EQ(joinPath("/media/usb", ""), "/media/usb/");
}

// Each file is previewed as x.csv with the name box naming nen2.csv; the table holds
// the line count of an earlier preview.
TEST(Preview, CountsLinesAndFieldsOrRefusesTheFile)
{
    const QString lines41 = files::studentLines(41, 6);
    const Message invalid{kInvalidTextMessage, titles::error};
    const struct {
        const char* name;
        QByteArray bytes;
        int lineCount;
        int fieldCount;
        std::optional<QString> columnCount; // nullopt: refused or silent
        std::optional<Message> message = {};
        qint64 sparseSize = 0;
        TextEncoding encoding = TextEncoding::Cp932; // remembered for the files written for this CSV
        int shownLines = 0; // lines the preview shows, when not lineCount
    } cases[] = {
        {"41 lines of 6 fields", files::cp932(lines41), 41, 246, "6"},
        {"a trailing empty line still gives 6", files::cp932(lines41 + u"\r\n"_s), 42, 247, "6"},
        {"lone LF line ends", files::cp932(QString(lines41).replace(u"\r\n"_s, u"\n"_s)), 41, 246, "6"},
        {"lone CR line ends", files::cp932(QString(lines41).replace(u"\r\n"_s, u"\r"_s)), 41, 246, "6"},
        {"UTF-8 with byte order mark", utf8WithBom(lines41), 41, 246, "6", {}, 0, TextEncoding::Utf8},
        {"UTF-8 without a mark", lines41.toUtf8(), 41, 246, "6", {}, 0, TextEncoding::Utf8},
        {"ASCII only stays CP932", "id,score\r\n1,78\r\n", 2, 4, "2"},
        // Students are rows: a note over two lines is one cell of one row.
        {"a quoted note over two lines", files::cp932(u"番号,備考,点数\r\n1,\"アレルギー：卵\r\n給食は除去食\",78\r\n2,,64\r\n"_s),
         3, 9, "3", {}, 0, TextEncoding::Cp932, 4},
        {"501 rows over more lines are 500 students",
         files::cp932(files::studentLines(501, 2).replace(u"101,102"_s, u"101,\"1\n0\n2\""_s)), 501, 1002, "2", {}, 0,
         TextEncoding::Cp932, 503},
        {"2.5 goes to the even neighbour 2", files::cp932(u"a,b,c,d\r\n1\r\n"_s), 2, 5, "2"},
        {"3.5 goes to the even neighbour 4", files::cp932(u"a,b,c,d,e,f\r\n1\r\n"_s), 2, 7, "4"},
        {"501 lines are 500 students", files::cp932(files::studentLines(501, 2)), 501, 1002, "2"},
        {"a byte sequence that is not CP932", "a,b\r\n\x81\x20,\xFF\r\n", 0, 0, {}, invalid},
        {"a CP932 lead byte cut off at the end", "a,b\r\n\x82", 0, 0, {}, invalid},
        {"broken UTF-8 after a byte order mark", "\xEF\xBB\xBF" "a,\xC3\x28\r\n", 0, 0, {}, invalid},
        {"a NUL: a binary file", QByteArray("a,b\r\n\0,c\r\n", 10), 0, 0, {}, invalid},
        {"more than 500 students", files::cp932(files::studentLines(502, 2)), 0, 0, {},
         Message{kTooManyStudentsMessage, titles::error}},
        {"too large for any school year", "a", 0, 0, {}, Message{kFileTooLargeMessage, titles::error},
         kMaxTextFileBytes + 1},
        {"an empty file", "", 0, 0, {}},
        {"32767 fields, the most (a last comma ends a field)", files::cp932(QString(32767, u',')), 1, 32767, "32767"},
        {"more than 32767 fields: the lines are counted", files::cp932(u"a\r\n"_s + QString(40000, u',') + u"\r\n"_s),
         2, 0, {}},
    };
    for (const auto& c : cases) {
        files::TempFolder folder;
        const QString path = folder.file(u"x.csv"_s);
        ASSERT_TRUE(files::writeBytes(path, c.bytes));
        if (c.sparseSize > 0) {
            ASSERT_TRUE(QFile(path).resize(c.sparseSize));
        }
        ImportWindowState state;
        StudentTable table;
        table.lineCount = 99;
        table.encoding = TextEncoding::Utf8;
        const PreviewOutcome outcome = preview({folder.path(), folder.path(), u"x.csv"_s, u"nen2.csv"_s}, state, table);
        EXPECT_EQ(outcome.message, c.message) << c.name;
        EXPECT_EQ(table.lineCount, c.lineCount) << c.name;
        EXPECT_EQ(state.fieldCount, c.fieldCount) << c.name;
        EXPECT_EQ(outcome.columnCount, c.columnCount) << c.name;
        EXPECT_EQ(outcome.focusIdColumn, c.columnCount.has_value()) << c.name;
        EXPECT_EQ(state.sourcePath, path) << c.name;
        EXPECT_EQ(table.csvPath, folder.file(u"nen2.csv"_s)) << c.name; // the name box names the result, not the file read
        if (c.columnCount) {
            EXPECT_EQ(state.columnCount, c.columnCount->toInt()) << c.name;
            EXPECT_EQ(outcome.shownFile, state.previewText) << c.name;
            EXPECT_EQ(state.previewText.count(u"\r\n"_s), c.shownLines ? c.shownLines : c.lineCount) << c.name;
            EXPECT_EQ(table.encoding, c.encoding) << c.name;
        } else {
            EXPECT_EQ(outcome.shownFile, std::nullopt) << c.name;
        }
        if (c.message) {
            EXPECT_TRUE(state.previewText.isEmpty()) << c.name;
        }
    }
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
        EXPECT_EQ(outcome.columnCount, std::nullopt) << qPrintable(input.fileName);
    }
}
