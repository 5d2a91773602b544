#include "import/ImportActions.h"

#include "ImportTestFiles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>

#include <map>
#include <vector>

using namespace classdiv;
using namespace Qt::StringLiterals;
namespace files = classdiv::testing;

namespace {

// The example of a first line and one student, column count 6.
const QString kExample = u"番号,組,氏名,性別,選択,点数\r\n1001,3,山田,男,音,78\r\n"_s;
const QString kThreeStudents = kExample + u"1002,3,佐藤,女,美,64\r\n1003,4,鈴木,男,書,91\r\n"_s;

const Message kColumnCount{kColumnCountMessage, titles::error};
const Message kMissingInput{kMissingInputMessage, titles::reenter};

using Row = std::array<QString, 4>; // studentId, name, group, score

Row rowOf(const StudentRecord& r) { return {r.studentId, r.name, r.group, r.score}; }

// A folder holding one previewed file, and the window's state after it.
class Previewed {
public:
    explicit Previewed(const QByteArray& bytes)
    {
        EXPECT_TRUE(files::writeBytes(path(), bytes));
        // Left from an earlier read: must be cleared, except the new class.
        for (StudentRecord& r : table.records)
            r = StudentRecord{u"9"_s, u"old"_s, u"old"_s, u"old"_s, u"old"_s};
        const PreviewOutcome outcome = preview({m_folder.path(), m_folder.path(), u"nen1.csv"_s, u"nen1.csv"_s}, state, table);
        EXPECT_EQ(outcome.message, std::nullopt);
    }
    QString path() const { return m_folder.file(u"nen1.csv"_s); }

    ImportWindowState state;
    StudentTable table;

private:
    files::TempFolder m_folder;
};

struct ReadCase {
    const char* name;
    QString file;
    ReadColumnsInput boxes; // Text3 .. Text7
    std::optional<QString> text8;
    std::optional<Message> message;
    std::vector<Row> rows; // rows 0 .. as read
};

} // namespace

TEST(ReadColumns, TakesTheChosenColumnsOfEveryRow)
{
    const ReadCase cases[] = {
        {"the worked example", kExample, {"6", "1", "3", "5", "6"},
         u"番号,氏名,選択,点数\r\n1001,山田,音,78\r\n"_s, std::nullopt,
         {{u"番号"_s, u"氏名"_s, u"選択"_s, u"点数"_s}, {u"1001"_s, u"山田"_s, u"音"_s, u"78"_s}}},
        {"three students give four lines", kThreeStudents, {"6", "1", "3", "5", "6"},
         u"番号,氏名,選択,点数\r\n1001,山田,音,78\r\n1002,佐藤,美,64\r\n1003,鈴木,書,91\r\n"_s, std::nullopt, {}},
        {"an empty name column reads no name", kExample, {"6", "1", "", "5", "6"},
         u"番号,,選択,点数\r\n1001,,音,78\r\n"_s, std::nullopt, {}},
        {"the same number twice: the identifier takes it", kExample, {"6", "1", "3", "1", "6"},
         u"番号,氏名,,点数\r\n1001,山田,,78\r\n"_s, std::nullopt,
         {{u"番号"_s, u"氏名"_s, u""_s, u"点数"_s}, {u"1001"_s, u"山田"_s, u""_s, u"78"_s}}},
        {"a column beyond the count stays empty", kExample, {"6", "1", "9", "5", "6"},
         u"番号,,選択,点数\r\n1001,,音,78\r\n"_s, std::nullopt, {}},
        {"column numbers 0 and negative stay empty", kExample, {"6", "1", "0", "-5", "6"},
         u"番号,,,点数\r\n1001,,,78\r\n"_s, std::nullopt, {}},
        {"a quoted comma is one field", u"番号,氏名,点数\r\n1001,\"山田, 太郎\",78\r\n"_s, {"3", "1", "2", "1", "3"},
         u"番号,氏名,,点数\r\n1001,山田, 太郎,,78\r\n"_s, std::nullopt,
         {{u"番号"_s, u"氏名"_s, u""_s, u"点数"_s}, {u"1001"_s, u"山田, 太郎"_s, u""_s, u"78"_s}}},
        {"two commas give an empty field without shifting",
         u"番号,氏名,組,点数\r\n1001,,3,78\r\n"_s, {"4", "1", "2", "3", "4"},
         u"番号,氏名,組,点数\r\n1001,,3,78\r\n"_s, std::nullopt,
         {{u"番号"_s, u"氏名"_s, u"組"_s, u"点数"_s}, {u"1001"_s, u""_s, u"3"_s, u"78"_s}}},
        {"blanks and halves in the boxes", kExample, {" 6 ", "1", "3", "4.5", "6.5"},
         u"番号,氏名,性別,点数\r\n1001,山田,男,78\r\n"_s, std::nullopt, {}},
        {"a quoted field over a line end stays one field",
         u"番号,氏名\r\n1001,\"山田\r\n太郎\"\r\n"_s, {"2", "1", "2", "1", "1"},
         u"番号,氏名,,\r\n1001,山田\r\n太郎,,\r\n"_s, std::nullopt,
         {{u"番号"_s, u"氏名"_s, u""_s, u""_s}, {u"1001"_s, u"山田\r\n太郎"_s, u""_s, u""_s}}},
        {"an extra empty line at the end", kExample + u"\r\n"_s, {"6", "1", "3", "5", "6"},
         std::nullopt, kColumnCount,
         {{u"番号"_s, u"氏名"_s, u"選択"_s, u"点数"_s}, {u"1001"_s, u"山田"_s, u"音"_s, u"78"_s}, {}}},
        {"a column count one too large drifts", kThreeStudents, {"7", "1", "3", "5", "6"},
         std::nullopt, kColumnCount,
         // row 0 took the first field of line 2; row 1 starts at its second
         {{u"番号"_s, u"氏名"_s, u"選択"_s, u"点数"_s}, {u"3"_s, u"男"_s, u"78"_s, u"1002"_s}}},
        {"a count that divides the fields drifts without a message", kExample, {"4", "1", "2", "3", "4"},
         u"番号,組,氏名,性別\r\n選択,点数,1001,3\r\n山田,男,音,78\r\n"_s, std::nullopt, {}},
        {"a full-width zero reads nothing", kExample, {u"０"_s, "1", "3", "5", "6"}, std::nullopt, std::nullopt,
         {{}, {}}},
        {"a negative count reads nothing and ends", kExample, {"-1", "1", "3", "5", "6"}, std::nullopt, std::nullopt,
         {{}, {}}},
        {"a column number beyond 16 bits", kExample, {"6", "40000", "3", "5", "6"}, std::nullopt, std::nullopt,
         {{}, {}}},
        {"a column count beyond 16 bits", kExample, {"32768", "1", "3", "5", "6"}, std::nullopt, std::nullopt,
         {{}, {}}},
    };
    for (const ReadCase& c : cases) {
        Previewed file(files::cp932(c.file));
        const ReadColumnsOutcome outcome = readColumns(c.boxes, file.state, file.table);
        EXPECT_EQ(outcome.message, c.message) << c.name;
        EXPECT_EQ(outcome.focusText3, c.message.has_value()) << c.name;
        EXPECT_EQ(outcome.text8, c.text8) << c.name;
        for (size_t row = 0; row < c.rows.size(); ++row) {
            EXPECT_EQ(rowOf(file.table.records[row]), c.rows[row]) << c.name << ", row " << row;
            EXPECT_EQ(file.table.records[row].newClass, u"9"_s) << c.name << ": the new class is not touched";
        }
        EXPECT_EQ(file.table.lineCount, file.state.previewText.count(u"\r\n"_s)) << c.name << ": lineCount kept";
    }
}

TEST(ReadColumns, EmptyBoxesClearTheRowsAndAskAgain)
{
    const ReadColumnsInput filled{"6", "1", "3", "5", "6"};
    std::vector<std::pair<const char*, ReadColumnsInput>> cases{
        {"column count", filled}, {"identifier", filled}, {"group", filled}, {"score", filled}};
    cases[0].second.text3.clear();
    cases[1].second.text4.clear();
    cases[2].second.text6.clear();
    cases[3].second.text7.clear();
    for (const auto& [name, boxes] : cases) {
        Previewed file(files::cp932(kExample));
        file.state.loadedText = u"before"_s;
        const ReadColumnsOutcome outcome = readColumns(boxes, file.state, file.table);
        EXPECT_EQ(outcome.message, kMissingInput) << name;
        EXPECT_TRUE(outcome.focusText3) << name;
        EXPECT_EQ(outcome.text8, std::nullopt) << name;
        EXPECT_TRUE(file.state.loadedText.isEmpty()) << name;
        for (int row = 0; row < 2; ++row)
            EXPECT_EQ(file.table.records[row], (StudentRecord{u"9"_s, {}, {}, {}, {}})) << name << ", row " << row;
        // Rows beyond the file are not the action's business.
        EXPECT_EQ(file.table.records[2].studentId, u"old"_s) << name;
    }
}

TEST(ReadColumns, PressingTwiceGivesTheSameTableAndList)
{
    Previewed file(files::cp932(kThreeStudents));
    const ReadColumnsInput boxes{"6", "1", "3", "5", "6"};
    const ReadColumnsOutcome first = readColumns(boxes, file.state, file.table);
    const auto tableAfterFirst = file.table.records;
    const ReadColumnsOutcome second = readColumns(boxes, file.state, file.table);
    ASSERT_TRUE(first.text8.has_value());
    EXPECT_EQ(second.text8, first.text8);
    EXPECT_EQ(file.table.records, tableAfterFirst);
}

TEST(ReadColumns, WithoutAPreviewNothingIsReadAndNothingSaid)
{
    ImportWindowState state;
    StudentTable table;
    const ReadColumnsOutcome outcome = readColumns({"6", "1", "3", "5", "6"}, state, table);
    EXPECT_EQ(outcome.message, std::nullopt);
    EXPECT_EQ(outcome.text8, std::nullopt);
    EXPECT_EQ(table.records[0], StudentRecord{});
}

TEST(ReadColumns, AFileChangedSincePreviewIsReportedNotGuessed)
{
    const struct {
        const char* name;
        std::optional<QByteArray> newBytes; // nullopt: the file is removed
        QString message;
    } cases[] = {
        {"removed", std::nullopt, kFileGoneMessage},
        {"no longer CP932", QByteArray("a,b\r\n\x81\x20\r\n"), kInvalidTextMessage},
        {"grown beyond 500 students", files::cp932(files::studentLines(600, 6)), kTooManyStudentsMessage},
    };
    for (const auto& c : cases) {
        Previewed file(files::cp932(kExample));
        if (c.newBytes)
            ASSERT_TRUE(files::writeBytes(file.path(), *c.newBytes)) << c.name;
        else
            ASSERT_TRUE(QFile::remove(file.path())) << c.name;
        const ReadColumnsOutcome outcome = readColumns({"6", "1", "3", "5", "6"}, file.state, file.table);
        EXPECT_EQ(outcome.message, (Message{c.message, titles::error})) << c.name;
        EXPECT_EQ(outcome.text8, std::nullopt) << c.name;
        EXPECT_TRUE(file.table.records[1].studentId.isEmpty()) << c.name << ": cleared, nothing read";
    }
}

TEST(ReadColumns, StopsAtTheLastRowOfTheTable)
{
    // 501 lines of two fields: with the right count the rows fill 0..500;
    // with a count of 1 the 1002 rows would run past the table and the read
    // ends silently at row 501, the rows so far kept.
    const struct {
        const char* name;
        QString text3;
        bool completes;
        QString row500Id;
    } cases[] = {
        {"the right count fills the table", "2", true, u"50001"_s},
        {"too small a count ends at the table limit", "1", false, u"25001"_s},
    };
    for (const auto& c : cases) {
        Previewed file(files::cp932(files::studentLines(501, 2)));
        const ReadColumnsOutcome outcome = readColumns({c.text3, "1", "", "1", "1"}, file.state, file.table);
        EXPECT_EQ(outcome.message, std::nullopt) << c.name;
        EXPECT_EQ(outcome.text8.has_value(), c.completes) << c.name;
        if (outcome.text8) {
            EXPECT_EQ(outcome.text8->count(u"\r\n"_s), 501) << c.name;
        }
        EXPECT_EQ(file.table.records[500].studentId, c.row500Id) << c.name;
    }
}

TEST(ExampleYear, ReadsWithTheDocumentedColumns)
{
    ImportWindowState state;
    StudentTable table;
    const QString folder = QStringLiteral(CLASSDIV_SOURCE_DIR "/examples");
    const PreviewOutcome previewed = preview({folder, folder, u"nen1.csv"_s, u"nen1.csv"_s}, state, table);
    ASSERT_EQ(previewed.message, std::nullopt);
    EXPECT_EQ(table.lineCount, 241);
    EXPECT_EQ(previewed.text3, u"7"_s);
    EXPECT_EQ(table.encoding, TextEncoding::Cp932);

    const ReadColumnsOutcome read = readColumns({"7", "1", "3", "6", "7"}, state, table);
    ASSERT_EQ(read.message, std::nullopt);
    ASSERT_TRUE(read.text8.has_value());
    EXPECT_TRUE(read.text8->startsWith(u"番号,氏名,グループ,点数\r\n"_s));

    std::map<QString, int> sizes;
    for (int row = 1; row < table.lineCount; ++row)
        ++sizes[table.records[row].group];
    const std::map<QString, int> expected{{u"音男"_s, 40}, {u"音女"_s, 40}, {u"美男"_s, 38},
                                          {u"美女"_s, 42}, {u"書男"_s, 44}, {u"書女"_s, 36}};
    EXPECT_EQ(sizes, expected);
}
