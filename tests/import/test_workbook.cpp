#include "conditions/SpreadColumns.h"
#include "import/ImportActions.h"
#include "import/Workbook.h"

#include "support/TestFiles.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>

using namespace classdiv;
using namespace Qt::StringLiterals;
namespace files = classdiv::testing;
using files::ZipPart;

namespace {

const QString kSharedStrings = uR"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<si><r><t>山田</t></r><r><rPr><b/></rPr><t xml:space="preserve">　太郎</t></r>
<rPh sb="0" eb="2"><t>ヤマダ</t></rPh><rPh sb="3" eb="5"><t>タロウ</t></rPh><phoneticPr fontId="1"/></si>
<si><t>髙橋　𠮷子</t><rPh sb="0" eb="2"><t>タカハシ</t></rPh></si>
<si><t>氏名</t></si></sst>)"_s;

// Style 1 is a built-in date, 2 a format of the workbook's own with a year; 3 to 5 are number
// formats whose letters are no date (LibreOffice names General as a format of its own).
const QString kStyles = uR"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="2"><numFmt numFmtId="176" formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/>
<numFmt numFmtId="177" formatCode="&quot;day&quot;0.0"/><numFmt numFmtId="178" formatCode="General"/>
<numFmt numFmtId="179" formatCode="0.0E+00"/></numFmts><cellXfs count="6"><xf numFmtId="0"/><xf numFmtId="14"/>
<xf numFmtId="176"/><xf numFmtId="177"/><xf numFmtId="178"/><xf numFmtId="179"/></cellXfs></styleSheet>)"_s;

WorkbookSheet readXlsxSheet(const QString& rows, const QString& wanted = {}, const QString& workbookExtra = {})
{
    return readWorkbook(files::makeXlsx({{u"名簿"_s, u"worksheets/sheet1.xml"_s}},
                                        {{u"xl/worksheets/sheet1.xml"_s, files::sheetXml(rows).toUtf8()},
                                         {u"xl/sharedStrings.xml"_s, kSharedStrings.toUtf8()},
                                         {u"xl/styles.xml"_s, kStyles.toUtf8()}},
                                        workbookExtra),
                        wanted);
}

QByteArray ods(const QString& tables)
{
    const QString content = uR"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0">
<office:body><office:spreadsheet>)"_s + tables + u"</office:spreadsheet></office:body></office:document-content>"_s;
    return files::makeZip({{u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet", false},
                           {u"content.xml"_s, content.toUtf8()}});
}

} // namespace

// Each cell as the spreadsheet shows it; the expected rows are laid out as wide as the widest.
TEST(Workbook, XlsxCellsReadAsTheSpreadsheetShowsThem)
{
    const struct {
        const char* name;
        QString rows;
        std::vector<QStringList> expected;
        QString workbookExtra = {};
    } cases[] = {
        {"shared strings without furigana, rich runs joined",
         uR"(<row r="1"><c r="A1" t="s"><v>2</v></c><c r="B1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c></row>)"_s,
         {{u"氏名"_s, u"山田　太郎"_s, u"髙橋　𠮷子"_s}}},
        {"inline strings, booleans, errors, formula strings",
         uR"(<row><c t="inlineStr"><is><r><t>0012</t></r><r><t>3</t></r></is></c><c t="b"><v>1</v></c>
            <c t="b"><v>0</v></c><c t="e"><f>1/0</f><v>#DIV/0!</v></c><c t="str"><f>"A"&amp;"B"</f><v>AB</v></c></row>)"_s,
         {{u"00123"_s, u"TRUE"_s, u"FALSE"_s, u"#DIV/0!"_s, u"AB"_s}}},
        {"numbers in the General format's shortest form",
         uR"(<row><c><f>SUM(B1:C1)</f><v>150.00000000000003</v></c><c><v>0.30000000000000004</v></c>
            <c><v>-4.5</v></c><c s="3"><v>78</v></c><c s="4"><v>20240001</v></c><c s="5"><v>1500</v></c></row>)"_s,
         {{u"150"_s, u"0.3"_s, u"-4.5"_s, u"78"_s, u"20240001"_s, u"1500"_s}}},
        {"dates with a date format as yyyy/m/d",
         uR"(<row><c s="1"><v>45383</v></c><c s="2"><v>45383.75</v></c><c s="1"><v>60</v></c><c s="1"><v>61</v></c>
            <c t="d"><v>2024-04-01T00:00:00</v></c><c><v>45383</v></c></row>)"_s,
         {{u"2024/4/1"_s, u"2024/4/1"_s, u"1900/2/29"_s, u"1900/3/1"_s, u"2024/4/1"_s, u"45383"_s}}},
        {"the 1904 date system", uR"(<row><c s="1"><v>0</v></c><c s="1"><v>43921</v></c></row>)"_s,
         {{u"1904/1/1"_s, u"2024/4/1"_s}}, uR"(<workbookPr date1904="1"/>)"_s},
        {"sparse rows and cells stay in place, empty values are empty",
         uR"(<row r="2"><c r="C2"><v>7</v></c></row><row r="4"><c r="A4" t="inlineStr"><is><t></t></is></c>
            <c r="B4" s="1"/><c r="AA4" t="str"><v></v></c></row><row r="3"><c r="B3"><v>5</v></c></row>)"_s,
         {{u""_s, u""_s, u""_s}, {u""_s, u""_s, u"7"_s}, {u""_s, u"5"_s, u""_s}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WorkbookSheet sheet = readXlsxSheet(c.rows, {}, c.workbookExtra);
        ASSERT_EQ(sheet.status, WorkbookStatus::Ok);
        EXPECT_EQ(sheet.rows, c.expected);
    }
}

TEST(Workbook, FirstSheetInTabOrderFoundThroughTheRelationships)
{
    // The roster is the first tab but lives in sheet2.xml; sheet1.xml holds a note.
    const QByteArray bytes = files::makeXlsx(
        {{u"名簿"_s, u"worksheets/sheet2.xml"_s}, {u"メモ"_s, u"./worksheets/../worksheets/sheet1.xml"_s}},
        {{u"xl/worksheets/sheet1.xml"_s, files::sheetXml(uR"(<row><c t="inlineStr"><is><t>メモ</t></is></c></row>)"_s).toUtf8()},
         {u"xl/worksheets/sheet2.xml"_s, files::sheetXml(uR"(<row><c><v>1</v></c><c><v>2</v></c></row>)"_s).toUtf8()}});
    const WorkbookSheet first = readWorkbook(bytes);
    ASSERT_EQ(first.status, WorkbookStatus::Ok);
    EXPECT_EQ(first.sheetNames, QStringList({u"名簿"_s, u"メモ"_s}));
    EXPECT_EQ(first.sheetName, u"名簿"_s);
    EXPECT_EQ(first.rows, std::vector<QStringList>({{u"1"_s, u"2"_s}}));
    const WorkbookSheet second = readWorkbook(bytes, u"メモ"_s);
    ASSERT_EQ(second.status, WorkbookStatus::Ok);
    EXPECT_EQ(second.rows, std::vector<QStringList>({{u"メモ"_s}}));
}

TEST(Workbook, OdsRepeatsExpandOnlyAsFarAsTheLastCellHoldingSomething)
{
    const QByteArray bytes = ods(uR"(
<table:table table:name="表紙"><table:table-row><table:table-cell office:value-type="string"><text:p>x</text:p></table:table-cell></table:table-row></table:table>
<table:table table:name="名簿"><table:table-header-rows><table:table-row>
  <table:table-cell office:value-type="string"><text:p>番号</text:p></table:table-cell>
  <table:table-cell office:value-type="string"><text:p>備考</text:p><office:annotation><text:p>メモ</text:p></office:annotation></table:table-cell>
  <table:table-cell table:number-columns-repeated="16381"/></table:table-row></table:table-header-rows>
 <table:table-row table:number-rows-repeated="2">
  <table:table-cell office:value-type="float" office:value="0.1"><text:p>0.10</text:p></table:table-cell>
  <table:table-cell office:value-type="string"><text:p>卵<text:s text:c="2"/>除去</text:p><text:p>給食</text:p></table:table-cell>
  <table:table-cell table:number-columns-repeated="2" office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p></table:table-cell>
  <table:table-cell table:number-columns-repeated="16380"/></table:table-row>
 <table:table-row table:number-rows-repeated="3"><table:table-cell table:number-columns-repeated="16384"/></table:table-row>
 <table:table-row><table:covered-table-cell/><table:table-cell office:value-type="date" office:date-value="2024-04-01"><text:p>令和6年4月1日</text:p></table:table-cell>
  <table:table-cell office:value-type="percentage" office:value="0.5"><text:p>50%</text:p></table:table-cell></table:table-row>
 <table:table-row table:number-rows-repeated="1048570"><table:table-cell table:number-columns-repeated="16384"/></table:table-row>
</table:table>)"_s);
    const WorkbookSheet sheet = readWorkbook(bytes, u"名簿"_s);
    ASSERT_EQ(sheet.status, WorkbookStatus::Ok);
    EXPECT_EQ(sheet.sheetNames, QStringList({u"表紙"_s, u"名簿"_s}));
    const QStringList row{u"0.1"_s, u"卵  除去\n給食"_s, u"TRUE"_s, u"TRUE"_s};
    const QStringList empty{u""_s, u""_s, u""_s, u""_s};
    EXPECT_EQ(sheet.rows, std::vector<QStringList>({{u"番号"_s, u"備考"_s, u""_s, u""_s}, row, row, empty, empty, empty,
                                                     {u""_s, u"2024/4/1"_s, u"50%"_s, u""_s}}));
}

// Each bad file gets its own outcome, and nothing of the sheet comes with it.
TEST(Workbook, BadFilesAreRefusedWithTheirReason)
{
    const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    const QByteArray encrypted = ole + QByteArray(512, '\0') + QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    const QByteArray good = files::makeXlsx({{u"名簿"_s, u"worksheets/sheet1.xml"_s}},
                                            {{u"xl/worksheets/sheet1.xml"_s, files::sheetXml(u"<row><c><v>1</v></c></row>"_s).toUtf8()}});
    QByteArray stored = files::makeZip({{u"content.xml"_s, "<a>text</a>", false}});
    stored[stored.indexOf("text")] = 'T';
    const auto sheetPart = [](const QByteArray& xml, qint64 claimed = -1) {
        return files::makeXlsx({{u"名簿"_s, u"worksheets/sheet1.xml"_s}},
                               {{u"xl/worksheets/sheet1.xml"_s, xml, true, claimed}});
    };
    QString rows502;
    for (int r = 1; r <= 502; ++r)
        rows502 += u"<row><c><v>%1</v></c></row>"_s.arg(r);
    const struct {
        const char* name;
        QByteArray bytes;
        WorkbookStatus status;
        QString wanted = {};
    } cases[] = {
        {"a CSV named .xlsx", "番号,氏名\r\n1,山田\r\n", WorkbookStatus::NotZip},
        {"an empty file", "", WorkbookStatus::NotZip},
        {"a password-protected workbook", encrypted, WorkbookStatus::Encrypted},
        {"an Excel 97-2003 workbook", ole + QByteArray(1024, '\0'), WorkbookStatus::OldExcel},
        {"a ZIP holding no spreadsheet", files::makeZip({{u"readme.txt"_s, "hello"}}), WorkbookStatus::NotWorkbook},
        {"a text document", files::makeZip({{u"mimetype"_s, "application/vnd.oasis.opendocument.text", false}, {u"content.xml"_s, "<a/>"}}),
         WorkbookStatus::NotWorkbook},
        {"a part inflating to 65 MB", sheetPart(QByteArray(65 * 1024 * 1024, ' ')), WorkbookStatus::ZipBomb},
        {"a size no deflate stream can reach", sheetPart("<x/>", 50'000'000), WorkbookStatus::Malformed},
        {"a part shorter than claimed", sheetPart(files::sheetXml({}).toUtf8(), 5000), WorkbookStatus::Malformed},
        {"a stored part whose checksum fails", stored, WorkbookStatus::Malformed},
        {"a ZIP cut short", good.left(good.size() - 30), WorkbookStatus::Malformed},
        {"XML that is not well formed", sheetPart("<worksheet><sheetData><row><c><v>1</v></row>"), WorkbookStatus::Malformed},
        {"a shared string that does not exist", sheetPart(files::sheetXml(u"<row><c t=\"s\"><v>9</v></c></row>"_s).toUtf8()),
         WorkbookStatus::Malformed},
        {"a sheet not in the workbook", good, WorkbookStatus::NoSheet, u"2組"_s},
        {"a sheet whose part is missing",
         files::makeXlsx({{u"名簿"_s, u"worksheets/sheet9.xml"_s}}, {}), WorkbookStatus::NoSheet},
        {"502 rows", sheetPart(files::sheetXml(rows502).toUtf8()), WorkbookStatus::TooManyRows},
        {"502 rows from a repeated ODS row",
         ods(uR"(<table:table table:name="a"><table:table-row table:number-rows-repeated="502"><table:table-cell office:value-type="float" office:value="1"/></table:table-row></table:table>)"_s),
         WorkbookStatus::TooManyRows},
        {"a cell far right", sheetPart(files::sheetXml(u"<row><c r=\"XFD1\"><v>1</v></c><c r=\"A3\"><v>1</v></c></row>"_s).toUtf8()),
         WorkbookStatus::TooManyCells},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WorkbookSheet sheet = readWorkbook(c.bytes, c.wanted);
        EXPECT_EQ(sheet.status, c.status);
        EXPECT_TRUE(sheet.rows.empty());
    }
}

// The rows of a workbook go where a CSV's records go: the preview, the column count, the four columns.
TEST(Workbook, ImportReadsTheSheetLikeACsv)
{
    files::TempFolder folder;
    QString rows = uR"(<row><c t="inlineStr"><is><t>番号</t></is></c><c t="s"><v>2</v></c><c t="inlineStr"><is><t>組</t></is></c><c t="inlineStr"><is><t>点</t></is></c></row>)"_s;
    rows += uR"(<row><c t="inlineStr"><is><t>001</t></is></c><c t="s"><v>0</v></c><c><v>1</v></c><c><v>78.5</v></c></row>)"_s;
    rows += uR"(<row><c><v>2</v></c><c t="s"><v>1</v></c><c><v>2</v></c></row>)"_s;
    const QByteArray bytes = files::makeXlsx(
        {{u"表紙"_s, u"worksheets/sheet2.xml"_s}, {u"名簿"_s, u"worksheets/sheet1.xml"_s}},
        {{u"xl/worksheets/sheet1.xml"_s, files::sheetXml(rows).toUtf8()},
         {u"xl/worksheets/sheet2.xml"_s, files::sheetXml(u"<row><c><v>1</v></c></row>"_s).toUtf8()},
         {u"xl/sharedStrings.xml"_s, kSharedStrings.toUtf8()}});
    ASSERT_TRUE(files::writeBytes(folder.file(u"nen1.xlsx"_s), bytes));

    ImportWindowState state;
    StudentTable table;
    const PreviewInput input{folder.path(), folder.path(), u"nen1.xlsx"_s, u"nen1.xlsx"_s, u"名簿"_s};
    const PreviewOutcome outcome = preview(input, state, table);
    ASSERT_FALSE(outcome.message);
    EXPECT_EQ(outcome.sheetNames, QStringList({u"表紙"_s, u"名簿"_s}));
    EXPECT_EQ(outcome.shownFile, u"番号,氏名,組,点\r\n001,山田　太郎,1,78.5\r\n2,髙橋　𠮷子,2,\r\n"_s);
    EXPECT_EQ(outcome.columnCount, u"4"_s);
    EXPECT_EQ(table.lineCount, 3);
    EXPECT_EQ(table.encoding, TextEncoding::Utf8);
    EXPECT_EQ(table.csvPath, folder.file(u"nen1.xlsx"_s));

    const ReadColumnsOutcome read = readColumns({"4", "1", "2", "3", "4"}, state, table);
    ASSERT_FALSE(read.message);
    EXPECT_EQ(table.records[1], (StudentRecord{u"001"_s, u"山田　太郎"_s, u"1"_s, u"78.5"_s}));
    EXPECT_EQ(table.records[2], (StudentRecord{u"2"_s, u"髙橋　𠮷子"_s, u"2"_s, u""_s}));
    // The rule columns come from the same sheet, not from the workbook's first.
    const CurrentCsv ruleRows = readCurrentCsv(typedStudents(table));
    EXPECT_FALSE(ruleRows.message);
    EXPECT_EQ(ruleRows.columnCount, 4);
    EXPECT_EQ(ruleRows.rows.at(2).at(1), u"髙橋　𠮷子"_s);

    // The workbook replaced by one with a password between preview and reading: said, nothing read.
    ASSERT_TRUE(files::writeBytes(folder.file(u"nen1.xlsx"_s), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "xx"));
    const ReadColumnsOutcome gone = readColumns({"4", "1", "2", "3", "4"}, state, table);
    EXPECT_EQ(gone.message, (Message{kOldExcelMessage, titles::error}));
    EXPECT_TRUE(table.records[1].studentId.isEmpty());
}
