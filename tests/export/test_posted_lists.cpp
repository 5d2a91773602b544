// The posted lists' papers without a window: the readings offered, the pages,
// the numbers' CSV and the numbers in the result workbook.

#include "export/PostedLists.h"
#include "import/Workbook.h"

#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;

CurrentCsv sheetOf(std::vector<QStringList> rows, std::vector<QStringList> phonetics = {})
{
    CurrentCsv csv;
    csv.columnCount = int16_t(rows.front().size());
    csv.rows = std::move(rows);
    csv.phonetics = std::move(phonetics);
    return csv;
}

TEST(PostedLists, TheReadingOfferedFirstIsTheWorkbooksFuriganaThenAColumnNamedAsAReadingThenTheNames)
{
    const Students students = testing::studentsOf({{u"1"_s, u"山田　太郎"_s, u"g"_s, u"5"_s}, {u"2"_s, u"林　花"_s, u"g"_s, u"5"_s}},
                                                   {u"番号"_s, u"氏名"_s, u"組"_s, u"点"_s});
    const std::vector<QStringList> rows{{u"番号"_s, u"氏名"_s, u"性別"_s, u"フリガナ"_s},
                                        {u"1"_s, u"山田　太郎"_s, u"男"_s, u"ヤマダ"_s},
                                        {u"2"_s, u"林　花"_s, u"女"_s, u""_s}};
    const struct {
        const char* name;
        CurrentCsv csv;
        int reading, sex;
        std::vector<QString> readingValues;
    } cases[] = {
        {"furigana in the workbook", sheetOf(rows, {{"", "", "", ""}, {"", "やまだ　たろう", "", ""}, {"", "", "", ""}}), 5, 3,
         {u""_s, u"やまだ　たろう"_s, u""_s}},
        {"a column named as a reading", sheetOf(rows), 4, 3, {u""_s, u"ヤマダ"_s, u""_s}},
        {"furigana of another column than the names", sheetOf(rows, {{"", "", "", ""}, {"", "", "", "x"}, {"", "", "", ""}}), 4, 3,
         {u""_s, u"ヤマダ"_s, u""_s}},
        {"neither", sheetOf({{u"番号"_s, u"氏名"_s}, {u"1"_s, u"山田　太郎"_s}, {u"2"_s, u"林　花"_s}}), 0, -1,
         {u""_s, u"山田　太郎"_s, u"林　花"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PostedListsView view = postedListsView(students, c.csv);
        EXPECT_FALSE(view.message);
        ASSERT_LT(size_t(c.reading), view.sources.size());
        EXPECT_EQ(view.reading, c.reading);
        EXPECT_EQ(view.sexColumn, c.sex);
        EXPECT_EQ(view.sources[size_t(c.reading)].values, c.readingValues);
        EXPECT_EQ(view.sources[0].label, u"（氏名のまま）氏名"_s);
    }
    CurrentCsv gone;
    gone.message = Message{u"開けません"_s, {}};
    const PostedListsView names = postedListsView(students, gone);
    EXPECT_EQ(names.message, gone.message);
    EXPECT_EQ(names.sources.size(), 1u) << "the names alone";
}

TEST(PostedLists, PagesHoldEveryStudentOnceInNumberOrderLargeClassesInTwoColumnsOrMorePages)
{
    for (const size_t size : {1, 25, 26, 90, 91, 200}) {
        SCOPED_TRACE(size);
        std::vector<testing::Placed> placed;
        NumberingChoice choice{u"よみ"_s, {{}}, NumberOrder::Mixed, {}};
        for (int i = 0; i < int(size); ++i) {
            placed.push_back({3, {QString::number(i), QStringLiteral("生徒%1").arg(i), u"g"_s, u"50"_s}});
            choice.readings.push_back(QString(QChar(char16_t(u'あ' + (int(size) - i) % 80))));
        }
        placed.push_back({0, {u"x"_s, u"分けていない"_s, u"g"_s, u"50"_s}});
        choice.readings.push_back(u"あ"_s);
        const testing::PlacedYear year = testing::placedYear(placed);
        const AttendanceNumbers numbers = attendanceNumbers(year.students, year.classes, choice);
        const std::vector<PostedPage> pages = postedPages(year.students, year.classes, numbers);
        const size_t perPage = 2 * PostedGeometry::rowsPerColumn;
        ASSERT_EQ(pages.size(), (size + perPage - 1) / perPage);
        int expected = 0;
        for (size_t p = 0; p < pages.size(); ++p) {
            EXPECT_EQ(pages[p].title, pages.size() == 1 ? u"３組"_s : QStringLiteral("３組（%1/%2）").arg(p + 1).arg(pages.size()));
            const size_t onPage = std::min(perPage, size - p * perPage);
            EXPECT_EQ(pages[p].columns.size(), onPage > 25 ? 2u : 1u);
            EXPECT_LE(pages[p].columns[0].size() * pages[p].rowHeight, PostedGeometry::rowArea + 1e-9);
            for (const auto& column : pages[p].columns)
                for (const PostedEntry& entry : column) {
                    EXPECT_EQ(entry.number, ++expected);
                    const auto row = std::find(numbers.numbers.begin(), numbers.numbers.end(), entry.number);
                    EXPECT_EQ(entry.name, year.students[int(row - numbers.numbers.begin())].name);
                }
        }
        EXPECT_EQ(size_t(expected), size);
    }
}

TEST(PostedLists, NumbersFileInRowOrderAndInTheWorkbook)
{
    const testing::PlacedYear year = testing::placedYear(
        {{2, {u"1001"_s, u"青木 一郎"_s, u"音男"_s, u"78"_s}},
         {1, {u"00123"_s, u"髙橋　𠮷子"_s, u"音女"_s, u"85.5"_s}},
         {2, {u"A-17"_s, u"上田 次郎"_s, u"1"_s, u"欠席"_s}},
         {2, {u"1004"_s, u"江藤 桃子"_s, u"美女"_s, u"91"_s}}},
        {u"番号"_s, u"氏名"_s, u"組"_s, u"点数"_s});
    const NumberingChoice choice{u"よみ"_s, {{}, u"あおき"_s, u"たかはし"_s, u"うえだ"_s, u"えとう"_s}, NumberOrder::Mixed, {}};
    const AttendanceNumbers numbers = attendanceNumbers(year.students, year.classes, choice);
    EXPECT_EQ(numbers.numbers, (std::vector<int>{0, 1, 1, 2, 3}));

    // 𠮷 has no CP932 code: refused with its row; the same year from a UTF-8 roster is written with its mark.
    EXPECT_EQ(formatNumbersFile(year.students, year.classes, numbers).unencodableRow, 2);
    Students utf8 = year.students;
    utf8.encoding = TextEncoding::Utf8;
    const NumbersFileContent file = formatNumbersFile(utf8, year.classes, numbers);
    ASSERT_TRUE(file.bytes);
    EXPECT_EQ(*file.bytes, QByteArray("\xEF\xBB\xBF") + QStringLiteral(
              u"\"番号\",\"氏名\",\"新組\",\"出席番号\"\r\n\"1001\",\"青木 一郎\",2,1\r\n\"00123\",\"髙橋　𠮷子\",1,1\r\n"
              u"\"A-17\",\"上田 次郎\",2,2\r\n\"1004\",\"江藤 桃子\",2,3\r\n").toUtf8());

    EXPECT_EQ(numbersFilePath(u"/a/b/掲示.pdf"_s), u"/a/b/掲示_出席番号.csv"_s);
    EXPECT_EQ(numbersFilePath(u"/a/b/x.y.PDF"_s), u"/a/b/x.y_出席番号.csv"_s);
    EXPECT_EQ(numbersFilePath(u"/a/b/名簿"_s), u"/a/b/名簿_出席番号.csv"_s);

    // The class sheets in score order gain the number as their last column; the sheet 出席番号 the file's rows.
    std::vector<ResultSheet> sheets = resultSheets(year.students, year.classes, DistributionTable{}, RosterOrder::Score);
    const size_t before = sheets.size();
    addAttendanceNumbers(sheets, year.students, year.classes, RosterOrder::Score, numbers);
    ASSERT_EQ(sheets.size(), before + 1);
    testing::TempFolder folder;
    const QString path = folder.file(u"result.xlsx"_s);
    ASSERT_EQ(writeResultWorkbook(sheets, path), std::nullopt);
    const WorkbookSheet list = readWorkbookFile(path, u"出席番号"_s);
    ASSERT_EQ(list.status, WorkbookStatus::Ok);
    EXPECT_EQ(list.rows, (std::vector<QStringList>{{u"番号"_s, u"氏名"_s, u"新組"_s, u"出席番号"_s},
                                                   {u"1001"_s, u"青木 一郎"_s, u"2"_s, u"1"_s},
                                                   {u"00123"_s, u"髙橋　𠮷子"_s, u"1"_s, u"1"_s},
                                                   {u"A-17"_s, u"上田 次郎"_s, u"2"_s, u"2"_s},
                                                   {u"1004"_s, u"江藤 桃子"_s, u"2"_s, u"3"_s}}));
    const WorkbookSheet second = readWorkbookFile(path, u"2組"_s);
    ASSERT_EQ(second.status, WorkbookStatus::Ok);
    ASSERT_EQ(second.rows.size(), 7u);
    EXPECT_EQ(second.rows[3].last(), u"出席番号"_s);
    // 江藤 91, 青木 78, 上田 欠席 (0): numbers 3, 1, 2.
    EXPECT_EQ((QStringList{second.rows[4].last(), second.rows[5].last(), second.rows[6].last()}),
              (QStringList{u"3"_s, u"1"_s, u"2"_s}));
}

} // namespace
} // namespace classdiv
