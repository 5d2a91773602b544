#include "export/ResultWorkbook.h"
#include "import/Workbook.h"

#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;

testing::PlacedYear fourStudents()
{
    return testing::placedYear({{2, {u"1001"_s, u"青木 一郎"_s, u"音男"_s, u"78"_s}},
                                {1, {u"00123"_s, u"髙橋　𠮷子"_s, u"音女"_s, u"85.5"_s}},
                                {2, {u"A-17"_s, u"上田 次郎"_s, u"1"_s, u"欠席"_s}},
                                {2, {u"1004"_s, u"江藤 桃子"_s, u"美女"_s, u"91"_s}}},
                               {u"番号"_s, u"氏名"_s, u"組"_s, u"点数"_s});
}

TEST(ResultWorkbook, NumbersStayNumbersAndTextStaysText)
{
    const struct {
        QString text;
        SheetCell::Kind kind;
    } cases[] = {
        {u"123"_s, SheetCell::Kind::Number},  {u"-4.5"_s, SheetCell::Kind::Number},
        {u"00123"_s, SheetCell::Kind::Text},  {u"1.50"_s, SheetCell::Kind::Text},
        {u"A-17"_s, SheetCell::Kind::Text},   {u"１２３"_s, SheetCell::Kind::Text},
        {u"1e3"_s, SheetCell::Kind::Text},    {u""_s, SheetCell::Kind::Text},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberOrText(c.text).kind, c.kind) << c.text.toStdString();
}

TEST(ResultWorkbook, TheTypedExtensionDecidesTheFormat)
{
    using F = ResultFormat;
    const struct {
        QString name;
        F filter;
        QString path;
        F format;
    } cases[] = {
        {u"/r/結果.xlsx"_s, F::Csv, u"/r/結果.xlsx"_s, F::Workbook}, {u"/r/結果.CSV"_s, F::Workbook, u"/r/結果.CSV"_s, F::Csv},
        {u"/r/結果"_s, F::Workbook, u"/r/結果.xlsx"_s, F::Workbook},  {u"/r/結果"_s, F::Csv, u"/r/結果"_s, F::Csv},
        {u"/r/結果.XLSX"_s, F::Workbook, u"/r/結果.XLSX"_s, F::Workbook},
    };
    for (const auto& c : cases) {
        const ResultTarget target = resultTarget(c.name, c.filter);
        EXPECT_EQ(target.path, c.path);
        EXPECT_EQ(target.format, c.format);
    }
}

// Written with libxlsxwriter, read back with the program's own reader.
TEST(ResultWorkbook, ReadsBackSheetBySheet)
{
    const testing::PlacedYear year = fourStudents();
    DistributionTable distribution;
    for (int k = 1; k <= 10; ++k)
        distribution.classLabels[k] = QString::number(k) + u"組"_s;
    distribution.classAverage[2] = 56.3f;
    distribution.classAverageDifference[2] = -0.1f;
    distribution.stratumCounts[2] = {0, 1, 0, 2, 0, 0, 0};
    testing::TempFolder folder;
    const QString path = folder.file(u"結果.xlsx"_s);
    ASSERT_FALSE(saveResultWorkbook(year.students, year.classes, distribution, RosterOrder::Score, path));

    const WorkbookSheet everyone = readWorkbookFile(path);
    ASSERT_EQ(everyone.status, WorkbookStatus::Ok);
    EXPECT_EQ(everyone.sheetNames, QStringList({u"全員"_s, u"分布表"_s, u"1組"_s, u"2組"_s}));
    EXPECT_EQ(everyone.rows, std::vector<QStringList>({{u"新組"_s, u"番号"_s, u"氏名"_s, u"組"_s, u"点数"_s},
                                                       {u"2"_s, u"1001"_s, u"青木 一郎"_s, u"音男"_s, u"78"_s},
                                                       {u"1"_s, u"00123"_s, u"髙橋　𠮷子"_s, u"音女"_s, u"85.5"_s},
                                                       {u"2"_s, u"A-17"_s, u"上田 次郎"_s, u"1"_s, u"0"_s},
                                                       {u"2"_s, u"1004"_s, u"江藤 桃子"_s, u"美女"_s, u"91"_s}}));

    const WorkbookSheet table = readWorkbookFile(path, u"分布表"_s);
    ASSERT_EQ(table.status, WorkbookStatus::Ok);
    ASSERT_EQ(table.rows.size(), 12u);
    EXPECT_EQ(table.rows[3], QStringList({u"2組"_s, u"1"_s, u"0"_s, u"2"_s, u"0"_s, u"0"_s, u"0"_s, u"56.3"_s, u"-0.1"_s}));

    // Score columns evened beside the main one: their class averages to the right, a class with nobody counted blank.
    ColumnAverages time{u"50m走"_s, {std::nullopt, 7.85, std::nullopt}, 8.0};
    ASSERT_FALSE(saveResultWorkbook(year.students, year.classes, distribution, RosterOrder::Score, path, {time}));
    const WorkbookSheet withTime = readWorkbookFile(path, u"分布表"_s);
    ASSERT_EQ(withTime.status, WorkbookStatus::Ok);
    EXPECT_EQ(withTime.rows[1].last(), u"50m走の平均"_s);
    EXPECT_EQ(withTime.rows[2].last(), u"7.85"_s);
    EXPECT_EQ(withTime.rows[3].mid(0, 9), table.rows[3]);
    EXPECT_EQ(withTime.rows[3].last(), u""_s);

    // Highest score first, the class's figures above the heading row.
    const WorkbookSheet second = readWorkbookFile(path, u"2組"_s);
    ASSERT_EQ(second.status, WorkbookStatus::Ok);
    ASSERT_EQ(second.rows.size(), 7u);
    EXPECT_EQ(second.rows[1].mid(0, 2), QStringList({u"人数"_s, u"3"_s}));
    EXPECT_EQ(second.rows[3], QStringList({u"No."_s, u"番号"_s, u"氏名"_s, u"組"_s, u"点数"_s, u""_s}));
    EXPECT_EQ(second.rows[4][2], u"江藤 桃子"_s);
    EXPECT_EQ(second.rows[6][2], u"上田 次郎"_s);
}

// Titles and heading rows in bold, the heading row repeated on every printed page.
TEST(ResultWorkbook, HeadingsAreBoldAndRepeatedOnEveryPage)
{
    const testing::PlacedYear year = fourStudents();
    const ColumnAverages time{u"50m走"_s, {std::nullopt, 7.85}, 8.0};
    const std::vector<ResultSheet> sheets = resultSheets(year.students, year.classes, {}, RosterOrder::File, {time});
    ASSERT_EQ(sheets.size(), 4u);
    for (const ResultSheet& sheet : sheets) {
        const int title = sheet.name == u"全員"_s ? -1 : 0; // the first row of the others names them
        EXPECT_EQ(sheet.headingRow, sheet.name == u"全員"_s ? 0 : sheet.name == u"分布表"_s ? 1 : 3) << qPrintable(sheet.name);
        EXPECT_EQ(sheet.pageHeader, sheet.name);
        for (int r = 0; r < int(sheet.rows.size()); ++r)
            for (const SheetCell& cell : sheet.rows[size_t(r)]) {
                if (cell.kind != SheetCell::Kind::Empty) {
                    EXPECT_EQ(cell.bold, r == title || r == sheet.headingRow) << qPrintable(sheet.name) << " row " << r;
                }
            }
    }
    // The time's averages stop at class 1: the classes after it have none.
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(sheets[1].rows[size_t(k) + 1].back().kind, k == 1 ? SheetCell::Kind::Number : SheetCell::Kind::Empty) << k;

    // Control characters XML cannot hold are written as Excel's escapes and read back; tabs, line ends and spaces stay.
    testing::TempFolder folder;
    const QString path = folder.file(u"c.xlsx"_s);
    ASSERT_FALSE(writeResultWorkbook({ResultSheet{u"全員"_s, {{SheetCell::of(u"a \x01\tb\x1f\nc"_s)}}, {}, -1, {}}}, path));
    EXPECT_EQ(readWorkbookFile(path).rows, std::vector<QStringList>{QStringList{u"a \x01\tb\x1f\nc"_s}});
}

TEST(ResultWorkbook, AFailedWriteLeavesTheEarlierFileAlone)
{
    const testing::PlacedYear year = fourStudents();
    testing::TempFolder folder;
    const QString path = folder.file(u"結果.xlsx"_s);
    ASSERT_TRUE(testing::writeBytes(path, "earlier"));
    // A sheet name Excel forbids makes libxlsxwriter fail part way.
    std::vector<ResultSheet> sheets{ResultSheet{u"全員"_s, {{SheetCell::of(1.0)}}, {}, -1, {}},
                                    ResultSheet{u"a/b"_s, {}, {}, -1, {}}};
    EXPECT_TRUE(writeResultWorkbook(sheets, path));
    EXPECT_EQ(testing::readBytes(path), "earlier");
    EXPECT_TRUE(saveResultWorkbook(year.students, year.classes, {}, RosterOrder::Score, folder.file(u"no/such/x.xlsx"_s)));
}

} // namespace
} // namespace classdiv
