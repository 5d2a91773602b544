#include "conditions/SpreadColumns.h"
#include "import/ImportActions.h"
#include "import/Workbook.h"
#include "import/WorkbookXml.h"
#include "import/ZipArchive.h"

#include "support/TestFiles.h"
#include "support/ZipBuilder.h"

#include <gtest/gtest.h>

#include <QFile>

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
            <c t="d"><v>2024-04-01T00:00:00</v></c><c><v>45383</v></c><c s="1"><v>1</v></c><c s="1"><v>59</v></c>
            <c s="1"><v>-1</v></c><c s="1"><v>2958465.9</v></c><c s="1"><v>2958466</v></c></row>)"_s,
         {{u"2024/4/1"_s, u"2024/4/1"_s, u"1900/2/29"_s, u"1900/3/1"_s, u"2024/4/1"_s, u"45383"_s, u"1900/1/1"_s,
           u"1900/2/28"_s, u"-1"_s, u"9999/12/31"_s, u"2958466"_s}}}, // beyond the years a date shows: the number
        {"the 1904 date system", uR"(<row><c s="1"><v>0</v></c><c s="1"><v>43921</v></c></row>)"_s,
         {{u"1904/1/1"_s, u"2024/4/1"_s}}, uR"(<workbookPr date1904="1"/>)"_s},
        {"the 1900 date system named", uR"(<row><c s="1"><v>45383</v></c></row>)"_s, {{u"2024/4/1"_s}},
         uR"(<workbookPr date1904="false" defaultThemeVersion="166925"/>)"_s},
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

// Excel's furigana of a name comes beside its cell, each run in place of the characters it covers
// (a run over characters already covered, reversed or past the text is left out);
// a sheet with none has no furigana at all.
TEST(Workbook, XlsxFuriganaKeptBesideTheCells)
{
    const WorkbookSheet named = readXlsxSheet(
        uR"(<row><c t="s"><v>2</v></c><c t="s"><v>0</v></c></row><row><c><v>1</v></c><c t="s"><v>1</v></c>
            <c t="inlineStr"><is><t>小野　ゆき</t><rPh sb="0" eb="2"><t>おの</t></rPh><rPh sb="1" eb="3"><t>y</t></rPh>
            <rPh sb="4" eb="3"><t>z</t></rPh><rPh sb="9" eb="12"><t>x</t></rPh></is></c></row>)"_s);
    ASSERT_EQ(named.status, WorkbookStatus::Ok);
    EXPECT_EQ(named.rows[1], (QStringList{u"1"_s, u"髙橋　𠮷子"_s, u"小野　ゆき"_s}));
    EXPECT_EQ(named.phonetics, (std::vector<QStringList>{{u""_s, u"ヤマダ　タロウ"_s, u""_s},
                                                         {u""_s, u"タカハシ　𠮷子"_s, u"おの　ゆき"_s}}));
    const WorkbookSheet plain = readXlsxSheet(uR"(<row><c t="s"><v>2</v></c><c><v>3</v></c></row>)"_s);
    ASSERT_EQ(plain.status, WorkbookStatus::Ok);
    EXPECT_TRUE(plain.phonetics.empty());
}

// A number shows as a date when its format is one of the built-in date
// formats, or when the format's own code has a year, day or era letter
// outside quotes, brackets and escapes.
TEST(Workbook, XlsxDateFormatsKnownByTheirIdOrTheirLetters)
{
    const struct {
        int id;
        const char* code; // the workbook's own formats, from id 164
        bool date;
    } formats[] = {
        {14, "", true},   {13, "", false}, {17, "", true},  {18, "", false}, {21, "", false}, {22, "", true},
        {23, "", false},  {26, "", false}, {27, "", true},  {31, "", true},  {32, "", false}, {33, "", false},
        {34, "", true},   {36, "", true},  {37, "", false}, {49, "", false}, {50, "", true},  {58, "", true},
        {59, "", false},  {0, "", false},  {164, "yyyy", true}, {165, "m/d", true}, {166, "e\"年\"m\"月\"", true},
        {167, "[$-411]ggge", true}, {168, "[Red]0", false}, {169, "[Red]d", true}, {170, "0\\d", false},
        {171, "0_d", false}, {172, "0*y", false}, {173, "0.0e-1", false}, {174, "\"y\"0", false},
    };
    QString numFmts;
    QString xfs;
    QString cells;
    QStringList expected;
    for (size_t s = 0; s <= std::size(formats); ++s) { // and one cell whose style is not in the list
        if (s < std::size(formats)) {
            const auto& f = formats[s];
            if (f.id >= 164)
                numFmts += u"<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>"_s.arg(f.id).arg(
                    QString::fromUtf8(f.code).toHtmlEscaped());
            xfs += u"<xf numFmtId=\"%1\"/>"_s.arg(f.id);
        }
        cells += u"<c s=\"%1\"><v>45383</v></c>"_s.arg(s);
        expected.append(s < std::size(formats) && formats[s].date ? u"2024/4/1"_s : u"45383"_s);
    }
    const QString styles = u"<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                           u"<numFmts>%1</numFmts><cellXfs>%2</cellXfs></styleSheet>"_s.arg(numFmts, xfs);
    const WorkbookSheet sheet = readWorkbook(files::makeXlsx(
        {{u"名簿"_s, u"worksheets/sheet1.xml"_s}},
        {{u"xl/worksheets/sheet1.xml"_s, files::sheetXml(u"<row>"_s + cells + u"</row>"_s).toUtf8()},
         {u"xl/styles.xml"_s, styles.toUtf8()}}));
    ASSERT_EQ(sheet.status, WorkbookStatus::Ok);
    ASSERT_EQ(sheet.rows.size(), 1u);
    for (qsizetype s = 0; s < expected.size(); ++s)
        EXPECT_EQ(sheet.rows[0].value(s), expected[s]) << "style " << s;
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

// Each cell of an .ods as LibreOffice shows it: the value of a number, a date or
// a truth value, otherwise the paragraphs' text.
TEST(Workbook, OdsCellsReadAsTheSpreadsheetShowsThem)
{
    const struct {
        const char* cell; // attributes, then the content
        const char* shown;
    } cases[] = {
        {R"(><text:p>a<text:tab/>b<text:line-break/>c<text:s/>d<text:s text:c="0"/>e</text:p>)", "a\tb\nc d e"},
        {R"(><text:h>見出し</text:h><text:p><text:span>赤</text:span>字</text:p>)", "見出し\n赤字"},
        {R"(><text:p>本文<text:note><text:note-body><text:p>注</text:p></text:note-body></text:note>です</text:p>)",
         "本文です"},
        {R"( office:value-type="float" office:value="x"><text:p>#N/A</text:p>)", "#N/A"},
        {R"( office:value-type="float" office:value="1e3"><text:p>1,000</text:p>)", "1000"},
        {R"( office:value-type="currency" office:value="1500"><text:p>¥1,500</text:p>)", "¥1,500"},
        {R"( office:value-type="boolean" office:boolean-value="false"><text:p>FALSE</text:p>)", "FALSE"},
        {R"( office:value-type="date" office:date-value="2024-04-01T08:30:00"><text:p>4月1日</text:p>)", "2024/4/1"},
    };
    QString cells;
    QStringList shown;
    for (const auto& c : cases) {
        cells += u"<table:table-cell"_s + QString::fromUtf8(c.cell) + u"</table:table-cell>"_s;
        shown.append(QString::fromUtf8(c.shown));
    }
    const WorkbookSheet sheet = readWorkbook(
        ods(u"<table:table table:name=\"名簿\"><table:table-row>"_s + cells + u"</table:table-row></table:table>"_s));
    ASSERT_EQ(sheet.status, WorkbookStatus::Ok);
    ASSERT_EQ(sheet.rows.size(), 1u);
    for (qsizetype i = 0; i < shown.size(); ++i)
        EXPECT_EQ(sheet.rows[0].value(i), shown[i]) << cases[i].cell;
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
    const auto badCell = [&](const QString& cell) { return sheetPart(files::sheetXml(u"<row>"_s + cell + u"</row>"_s).toUtf8()); };
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
        {"a shared string index below 0", badCell(u"<c t=\"s\"><v>-1</v></c>"_s), WorkbookStatus::Malformed},
        {"a shared string index that is no number", badCell(u"<c t=\"s\"><v>x</v></c>"_s), WorkbookStatus::Malformed},
        {"a shared string of a workbook without any", badCell(u"<c t=\"s\"><v>0</v></c>"_s), WorkbookStatus::Malformed},
        {"a value that is no number", badCell(u"<c><v>1x</v></c>"_s), WorkbookStatus::Malformed},
        {"a cell in row 0", badCell(u"<c r=\"A0\"><v>1</v></c>"_s), WorkbookStatus::Malformed},
        {"a cell without its column", badCell(u"<c r=\"1\"><v>1</v></c>"_s), WorkbookStatus::Malformed},
        {"a sheet not in the workbook", good, WorkbookStatus::NoSheet, u"2組"_s},
        {"a sheet whose part is missing",
         files::makeXlsx({{u"名簿"_s, u"worksheets/sheet9.xml"_s}}, {}), WorkbookStatus::NoSheetPart},
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

// Elements nested as deep as a part may go are read; one level more is refused.
TEST(Workbook, NestingToTheMostIsReadAndOneLevelMoreRefused)
{
    // worksheet, sheetData and row hold the nested elements: three levels already.
    using workbook::kMaxDepth;
    for (const auto& [levels, status] : {std::pair{kMaxDepth - 3, WorkbookStatus::Ok}, std::pair{kMaxDepth - 2, WorkbookStatus::TooDeep}}) {
        const QString nested = u"<x>"_s.repeated(levels) + u"</x>"_s.repeated(levels);
        const WorkbookSheet sheet = readWorkbook(files::makeXlsx(
            {{u"名簿"_s, u"worksheets/sheet1.xml"_s}},
            {{u"xl/worksheets/sheet1.xml"_s, files::sheetXml(u"<row><c><v>1</v></c>"_s + nested + u"</row>"_s).toUtf8()}}));
        EXPECT_EQ(sheet.status, status) << levels;
        EXPECT_EQ(sheet.rows, status == WorkbookStatus::Ok ? std::vector<QStringList>{{u"1"_s}} : std::vector<QStringList>{});
    }
}

// A broken or missing part of an .xlsx is named in the refusal; a part put
// first under a name stands in for the one the package would have.
TEST(Workbook, XlsxRefusalsNameThePart)
{
    const QString relationships = u"<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                  u"<Relationship Id=\"r1\" Type=\"http://x/%1\" Target=\"%2\"/></Relationships>"_s;
    const struct {
        const char* what;
        std::vector<ZipPart> parts; // before the sheet's
        WorkbookStatus status;
        QString part;
    } cases[] = {
        {"the package's relationships broken", {{u"_rels/.rels"_s, "<Relationships"}}, WorkbookStatus::Malformed, u"_rels/.rels"_s},
        {"the package names a workbook that is not there",
         {{u"_rels/.rels"_s, relationships.arg(u"officeDocument"_s, u"xl/book.xml"_s).toUtf8()}}, WorkbookStatus::NotWorkbook, {}},
        {"the package names no workbook: the usual one is read",
         {{u"_rels/.rels"_s, relationships.arg(u"core-properties"_s, u"docProps/core.xml"_s).toUtf8()}}, WorkbookStatus::Ok, {}},
        {"the workbook broken", {{u"xl/workbook.xml"_s, "<workbook><sheets>"}}, WorkbookStatus::Malformed, u"xl/workbook.xml"_s},
        {"the workbook's relationships missing",
         {{u"_rels/.rels"_s, relationships.arg(u"officeDocument"_s, u"xl/book.xml"_s).toUtf8()}, {u"xl/book.xml"_s, "<workbook/>"}},
         WorkbookStatus::Malformed, u"xl/_rels/book.xml.rels"_s},
        {"the workbook's relationships broken", {{u"xl/_rels/workbook.xml.rels"_s, "<a"}}, WorkbookStatus::Malformed,
         u"xl/_rels/workbook.xml.rels"_s},
        {"the shared strings broken, but no cell needs them", {{u"xl/sharedStrings.xml"_s, "<sst><si>"}}, WorkbookStatus::Ok, {}},
        {"the styles broken", {{u"xl/styles.xml"_s, "<styleSheet"}}, WorkbookStatus::Malformed, u"xl/styles.xml"_s},
        {"the sheet's relationship missing",
         {{u"xl/_rels/workbook.xml.rels"_s, relationships.arg(u"styles"_s, u"styles.xml"_s).toUtf8()}}, WorkbookStatus::NoSheetPart,
         u"名簿"_s},
    };
    for (const auto& c : cases) {
        std::vector<ZipPart> parts = c.parts;
        parts.push_back({u"xl/worksheets/sheet1.xml"_s, files::sheetXml(u"<row><c><v>1</v></c></row>"_s).toUtf8()});
        const WorkbookSheet sheet = readWorkbook(files::makeXlsx({{u"名簿"_s, u"worksheets/sheet1.xml"_s}}, parts));
        EXPECT_EQ(sheet.status, c.status) << c.what;
        EXPECT_EQ(sheet.part, c.part) << c.what;
    }
}

// The archive's directory and parts, each field that could lie checked.
TEST(ZipArchive, ReadsWhatSpreadsheetProgramsWriteAndRefusesTheRest)
{
    const QByteArray archive = files::makeZip({{u"a.xml"_s, "<a/>", false}, {u"b.xml"_s, "", false}, {u"c.xml"_s, ""}});
    const qsizetype end = archive.size() - 22;                                      // the end record
    const qsizetype directory = qsizetype(quint8(archive[end + 16])) | quint8(archive[end + 17]) << 8;
    const auto patched = [&](qsizetype at, quint16 value, const QByteArray& bytes = {}) {
        QByteArray b = bytes.isEmpty() ? archive : bytes;
        b[at] = char(value & 0xFF), b[at + 1] = char(value >> 8);
        return b;
    };
    const QByteArray withComment = patched(end + 20, 7) + "comment";
    const struct {
        const char* name;
        QByteArray bytes;
        ZipStatus status;     // of the archive
        ZipStatus partStatus; // of a.xml
    } cases[] = {
        {"three parts", archive, ZipStatus::Ok, ZipStatus::Ok},
        {"a comment after the end record", withComment, ZipStatus::Ok, ZipStatus::Ok},
        {"no parts at all", files::makeZip({}), ZipStatus::Ok, ZipStatus::NoSuchPart},
        {"21 bytes", archive.right(21), ZipStatus::NotZip, ZipStatus::NotZip},
        {"no end record", archive.left(end), ZipStatus::Malformed, ZipStatus::Malformed},
        {"a comment longer than what follows", patched(end + 20, 8, withComment), ZipStatus::Malformed, ZipStatus::Malformed},
        {"a second disk", patched(end + 4, 1), ZipStatus::Malformed, ZipStatus::Malformed},
        {"the directory on a second disk", patched(end + 6, 1), ZipStatus::Malformed, ZipStatus::Malformed},
        {"ZIP64's count", patched(end + 10, 0xFFFF), ZipStatus::Malformed, ZipStatus::Malformed},
        {"a directory running into the end record", patched(end + 12, quint16(end - directory + 1)),
         ZipStatus::Malformed, ZipStatus::Malformed},
        {"a broken directory signature", patched(directory, 0), ZipStatus::Malformed, ZipStatus::Malformed},
        {"an encrypted part", patched(directory + 8, 1), ZipStatus::Ok, ZipStatus::Encrypted},
        {"a broken local signature", patched(0, 0), ZipStatus::Malformed, ZipStatus::Malformed},
        {"an unknown method", patched(directory + 10, 9), ZipStatus::Ok, ZipStatus::Malformed},
        // The count of entries is checked before the directory is read: the most passes on to the directory.
        {"10000 entries declared", patched(end + 8, 10000, patched(end + 10, 10000)), ZipStatus::Malformed,
         ZipStatus::Malformed},
        {"10001 entries declared", patched(end + 8, 10001, patched(end + 10, 10001)), ZipStatus::TooLarge,
         ZipStatus::TooLarge},
    };
    for (const auto& c : cases) {
        ZipArchive zip(c.bytes);
        EXPECT_EQ(zip.status(), c.status) << c.name;
        const ZipArchive::Part part = zip.read(u"A.XML"_s); // names in any case
        EXPECT_EQ(part.status, c.partStatus) << c.name;
        EXPECT_EQ(part.bytes, c.partStatus == ZipStatus::Ok ? QByteArray("<a/>") : QByteArray()) << c.name;
        if (c.status != ZipStatus::Ok || c.partStatus != ZipStatus::Ok)
            continue;
        for (const QString& empty : {u"b.xml"_s, u"c.xml"_s}) // stored and deflated
            EXPECT_EQ(zip.read(empty).status, ZipStatus::Ok) << c.name << qPrintable(empty);
    }
}

TEST(Workbook, AFileIsReadUpToTheLargestARosterCanBe)
{
    files::TempFolder folder;
    const qint64 largest = 64 * 1024 * 1024;
    const struct {
        qint64 size; // of a file of zeros; -1: no file
        WorkbookStatus status;
    } cases[] = {{largest, WorkbookStatus::NotZip}, {largest + 1, WorkbookStatus::FileTooLarge}, {-1, WorkbookStatus::Unreadable}};
    for (const auto& c : cases) {
        const QString path = folder.file(u"%1.xlsx"_s.arg(c.size));
        if (c.size >= 0) {
            ASSERT_TRUE(files::writeBytes(path, {}) && QFile(path).resize(c.size));
        }
        EXPECT_EQ(readWorkbookFile(path).status, c.status) << c.size;
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
    EXPECT_TRUE(outcome.focusIdColumn);
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
    EXPECT_EQ(ruleRows.phonetics.at(2).at(1), u"タカハシ　𠮷子"_s) << "the furigana kept for the posted lists' readings";

    // The workbook replaced after the preview: the sheet is not read again, the rows previewed are the ones read.
    ASSERT_TRUE(files::writeBytes(folder.file(u"nen1.xlsx"_s), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "xx"));
    const ReadColumnsOutcome again = readColumns({"4", "1", "2", "3", "4"}, state, table);
    EXPECT_EQ(again.message, std::nullopt);
    EXPECT_EQ(table.records[2], (StudentRecord{u"2"_s, u"髙橋　𠮷子"_s, u"2"_s, u""_s}));
    EXPECT_EQ(readCurrentCsv(typedStudents(table)).rows, ruleRows.rows);
    // Previewed again, it is read again: now it is refused.
    EXPECT_EQ(preview(input, state, table).message, (Message{kOldExcelMessage, titles::error}));
}
