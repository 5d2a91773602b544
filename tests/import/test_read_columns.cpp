#include "import/ImportActions.h"

#include "support/Years.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>

#include <vector>

using namespace classdiv;
using namespace Qt::StringLiterals;
namespace files = classdiv::testing;

namespace {

const QString kExample = u"番号,組,氏名,性別,選択,点数\r\n1001,3,山田,男,音,78\r\n"_s;
const QString kThreeStudents = kExample + u"1002,3,佐藤,女,美,64\r\n1003,4,鈴木,男,書,91\r\n"_s;
const ReadColumnsInput kExampleBoxes{"6", "1", "3", "5", "6"};
const Message kColumnCount{kColumnCountMessage, titles::error};

using Row = std::array<QString, 4>; // studentId, name, group, score

// A folder holding one previewed file; the table holds rows of an earlier read.
struct Previewed {
    explicit Previewed(const QString& text) : Previewed(files::cp932(text)) {}
    explicit Previewed(const QByteArray& bytes)
    {
        EXPECT_TRUE(files::writeBytes(path(), bytes));
        table.records.fill(StudentRecord{u"old"_s, u"old"_s, u"old"_s, u"old"_s});
        EXPECT_EQ(preview({folder.path(), folder.path(), u"nen1.csv"_s, u"nen1.csv"_s}, state, table).message,
                  std::nullopt);
    }
    QString path() const { return folder.file(u"nen1.csv"_s); }
    Row row(int r) const
    {
        const StudentRecord& s = table.records[r];
        return {s.studentId, s.name, s.group, s.score};
    }

    files::TempFolder folder;
    ImportWindowState state;
    StudentTable table;
};

} // namespace

TEST(ReadColumns, TakesTheChosenColumnsOfEveryRow)
{
    const struct {
        const char* name;
        QString file;
        ReadColumnsInput boxes; // the column count and the four column numbers
        std::optional<QString> loadedText;
        std::optional<Message> message;
        std::vector<Row> rows; // rows 0 .. as read
    } cases[] = {
        {"the worked example", kExample, kExampleBoxes, u"番号,氏名,選択,点数\r\n1001,山田,音,78\r\n"_s, {},
         {{u"番号"_s, u"氏名"_s, u"選択"_s, u"点数"_s}, {u"1001"_s, u"山田"_s, u"音"_s, u"78"_s}}},
        {"an empty name column reads no name", kExample, {"6", "1", "", "5", "6"},
         u"番号,,選択,点数\r\n1001,,音,78\r\n"_s, {}, {}},
        {"the same column twice: the identifier takes it", kExample, {"6", "1", "3", "1", "6"},
         u"番号,氏名,,点数\r\n1001,山田,,78\r\n"_s, {}, {}},
        {"columns 0 and beyond the count stay empty", kExample, {"6", "1", "0", "9", "6"},
         u"番号,,,点数\r\n1001,,,78\r\n"_s, {}, {}},
        {"blanks and halves in the boxes", kExample, {" 6 ", "1", "3", "4.5", "6.5"},
         u"番号,氏名,性別,点数\r\n1001,山田,男,78\r\n"_s, {}, {}},
        {"a quoted field over a line end stays one field", u"番号,氏名\r\n1001,\"山田,\r\n太郎\"\r\n"_s,
         {"2", "1", "2", "1", "1"}, u"番号,氏名,,\r\n1001,山田,\r\n太郎,,\r\n"_s, {}, {}},
        {"a note over two lines in a column not chosen",
         u"番号,氏名,組,備考,点数\r\n1001,山田,音,\"アレルギー：卵\r\n給食は除去食\",78\r\n1002,佐藤,美,,64\r\n"_s,
         {"5", "1", "2", "3", "5"}, u"番号,氏名,組,点数\r\n1001,山田,音,78\r\n1002,佐藤,美,64\r\n"_s, {},
         {{u"番号"_s, u"氏名"_s, u"組"_s, u"点数"_s}, {u"1001"_s, u"山田"_s, u"音"_s, u"78"_s},
          {u"1002"_s, u"佐藤"_s, u"美"_s, u"64"_s}}},
        {"an extra empty line at the end", kExample + u"\r\n"_s, kExampleBoxes, {}, kColumnCount,
         {{u"番号"_s, u"氏名"_s, u"選択"_s, u"点数"_s}, {u"1001"_s, u"山田"_s, u"音"_s, u"78"_s}, {}}},
        {"a column count one too large drifts", kThreeStudents, {"7", "1", "3", "5", "6"}, {}, kColumnCount,
         // row 1 starts at the second field of line 2
         {{u"番号"_s, u"氏名"_s, u"選択"_s, u"点数"_s}, {u"3"_s, u"男"_s, u"78"_s, u"1002"_s}}},
        {"a count that divides the fields drifts without a message", kExample, {"4", "1", "2", "3", "4"},
         u"番号,組,氏名,性別\r\n選択,点数,1001,3\r\n山田,男,音,78\r\n"_s, {}, {}},
        {"a full-width zero reads nothing", kExample, {u"０"_s, "1", "3", "5", "6"}, {}, {}, {{}, {}}},
        {"a column number beyond 16 bits", kExample, {"6", "40000", "3", "5", "6"}, {}, {}, {{}, {}}},
        {"a column count beyond 16 bits", kExample, {"32768", "1", "3", "5", "6"}, {}, {}, {{}, {}}},
    };
    for (const auto& c : cases) {
        Previewed file(c.file);
        const int16_t previewed = file.table.lineCount;
        const ReadColumnsOutcome outcome = readColumns(c.boxes, file.state, file.table);
        EXPECT_EQ(outcome.message, c.message) << c.name;
        EXPECT_EQ(outcome.focusColumnCount, c.message.has_value()) << c.name;
        EXPECT_EQ(outcome.loadedText, c.loadedText) << c.name;
        for (size_t row = 0; row < c.rows.size(); ++row) {
            EXPECT_EQ(file.row(row), c.rows[row]) << c.name << ", row " << row;
        }
        EXPECT_EQ(file.table.lineCount, previewed) << c.name << ": lineCount kept";
    }
}

TEST(ReadColumns, EmptyBoxesClearTheRowsAndAskAgain)
{
    for (int box = 0; box < 4; ++box) {
        ReadColumnsInput boxes = kExampleBoxes;
        QString* const required[] = {&boxes.columnCount, &boxes.idColumn, &boxes.groupColumn, &boxes.scoreColumn};
        required[box]->clear();
        Previewed file(kExample);
        file.state.loadedText = u"before"_s;
        const ReadColumnsOutcome outcome = readColumns(boxes, file.state, file.table);
        EXPECT_EQ(outcome.message, (Message{kMissingInputMessage, titles::reenter})) << box;
        EXPECT_TRUE(outcome.focusColumnCount) << box;
        EXPECT_EQ(outcome.loadedText, std::nullopt) << box;
        EXPECT_TRUE(file.state.loadedText.isEmpty()) << box;
        for (int row = 0; row < 2; ++row)
            EXPECT_EQ(file.table.records[row], StudentRecord{}) << box << ", row " << row;
        EXPECT_EQ(file.table.records[2].studentId, u"old"_s) << box << ": rows beyond the file are left";
    }
}

TEST(ReadColumns, PressingTwiceGivesTheSameTableAndWithoutAPreviewNothing)
{
    Previewed file(kThreeStudents);
    const ReadColumnsOutcome first = readColumns(kExampleBoxes, file.state, file.table);
    const auto tableAfterFirst = file.table.records;
    ASSERT_TRUE(first.loadedText.has_value());
    EXPECT_EQ(readColumns(kExampleBoxes, file.state, file.table).loadedText, first.loadedText);
    EXPECT_EQ(file.table.records, tableAfterFirst);

    ImportWindowState state;
    StudentTable table;
    const ReadColumnsOutcome none = readColumns(kExampleBoxes, state, table);
    EXPECT_EQ(none.message, std::nullopt);
    EXPECT_EQ(none.loadedText, std::nullopt);
    EXPECT_EQ(table.records[0], StudentRecord{});
}

// The roster is read once, at the preview: the column reader takes the rows
// the preview showed, whatever became of the file since.
TEST(ReadColumns, TakesTheRowsThePreviewReadWhateverBecameOfTheFileSince)
{
    const std::optional<QByteArray> cases[] = {
        std::nullopt, // the file removed
        QByteArray("a,b\r\n\x81\x20\r\n"),
        files::cp932(files::studentLines(600, 6)),
    };
    for (const auto& now : cases) {
        Previewed file(kExample);
        ASSERT_TRUE(now ? files::writeBytes(file.path(), *now) : QFile::remove(file.path()));
        const ReadColumnsOutcome outcome = readColumns(kExampleBoxes, file.state, file.table);
        EXPECT_EQ(outcome.message, std::nullopt);
        EXPECT_EQ(outcome.loadedText, u"番号,氏名,選択,点数\r\n1001,山田,音,78\r\n"_s);
        EXPECT_EQ(file.row(1), (Row{u"1001"_s, u"山田"_s, u"音"_s, u"78"_s}));
        ASSERT_TRUE(file.table.roster);
        EXPECT_EQ(file.table.roster->rows.size(), 2u);
    }
}

// The roster keeps rows of the column count the preview shows: fields past the
// last row's are not a row, and fields that do not fill whole rows give none.
TEST(ReadColumns, TheRosterHoldsWholeRowsOfTheColumnCountOnly)
{
    const struct {
        QString text;
        std::vector<QStringList> rows;
    } cases[] = {
        {u"a,b\r\nc,d\r\n"_s, {{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}},
        {u"a,b\r\nc,d\r\ne,f,g\r\n"_s, {{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}, {u"e"_s, u"f"_s}}},
        {u"a,b\r\nc\r\nd,e\r\n"_s, {}},
    };
    for (const auto& c : cases) {
        Previewed file(c.text);
        ASSERT_TRUE(file.table.roster);
        EXPECT_EQ(file.table.roster->columnCount, 2);
        EXPECT_EQ(file.table.roster->rows, c.rows) << qPrintable(c.text);
    }
}

TEST(ReadColumns, StopsAtTheLastRowOfTheTable)
{
    // 501 lines of two fields; with a count of 1 the 1002 rows would run past
    // the table: the read ends silently at row 501, the rows so far kept.
    for (const auto& [columnCount, row500Id] : {std::pair{"2", "50001"}, std::pair{"1", "25001"}}) {
        Previewed file(files::studentLines(501, 2));
        const ReadColumnsOutcome outcome = readColumns({columnCount, "1", "", "1", "1"}, file.state, file.table);
        EXPECT_EQ(outcome.message, std::nullopt) << columnCount;
        EXPECT_EQ(outcome.loadedText.has_value(), columnCount == QStringLiteral("2")) << columnCount;
        EXPECT_EQ(file.table.records[500].studentId, row500Id) << columnCount;
    }
}

TEST(TypedStudents, ScoresAreWholeOnlyWhenEveryOneFitsSixteenBits)
{
    const struct {
        std::vector<const char*> scores;
        bool whole;
    } cases[] = {
        {{"-32768", "32767", "0", "欠席"}, true}, {{"32768"}, false}, {{"-32769"}, false},
        {{"70", "70.5"}, false},                   {{"1E4", "-0"}, true},
    };
    for (const auto& c : cases) {
        std::vector<StudentRecord> records;
        for (const char* score : c.scores)
            records.push_back(files::inGroup(u"A"_s, QString::fromUtf8(score)));
        const Students students = files::studentsOf(records);
        ASSERT_EQ(students.count(), int(c.scores.size())) << c.scores[0];
        EXPECT_EQ(students.wholeScores, c.whole) << c.scores[0];
        EXPECT_EQ(students[students.count()].scoreText, QString::fromUtf8(c.scores.back())) << c.scores[0];
    }
}
