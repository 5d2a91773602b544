#include "export/ResultFile.h"
#include "support/FullDisk.h"
#include "support/TestFiles.h"

#include "support/Years.h"

#include <QDir>

#include <gtest/gtest.h>

#include <vector>

namespace classdiv {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

QString u8(const char* text) { return QString::fromUtf8(text); }

QByteArray expectedFile(const char* name)
{
    const QByteArray bytes = readBytes(QStringLiteral(CLASSDIV_TEST_DATA "/export/") + u8(name));
    EXPECT_FALSE(bytes.isEmpty()) << "missing expected file " << name;
    return bytes;
}

testing::PlacedYear yearOf(const std::vector<testing::Placed>& students, const char* nameItem = "氏名")
{
    return testing::placedYear(students, {u8("番号"), u8(nameItem), u8("組"), u8("点数")});
}

// Eight students in classes 1 to 4 as a press could leave them, then one of
// each awkward identifier, name and score.
testing::PlacedYear smallYear()
{
    return yearOf({
        {2, {"1001", "青木 一郎", "音男", "78"}}, {1, {"1002", "石井 花子", "音女", "85"}},
        {3, {"1003", "上田 次郎", "美男", "62"}}, {4, {"1004", "江藤 桃子", "美女", "91"}},
        {1, {"1005", "太田 三郎", "音男", "55"}}, {2, {"1006", "加藤 夏美", "音女", "70"}},
        {3, {"1007", "木村 四郎", "美男", "48"}}, {4, {"1008", "久保 秋子", "美女", "66"}},
        {3, {"00123", "生徒Ａ", "A1", "78"}},     {3, {"A-17", "生徒Ｂ", "A1", "78"}},
        {3, {"1011", "山田, 太郎", "A1", "78.5"}}, {3, {"1012", "生徒Ｄ", "A1", "７８"}},
        {3, {"1013", "生徒Ｅ", "A1", "-.5"}},
    });
}

// Filled by hand. Classes 5 and 6 keep the differences of an earlier press.
DistributionTable smallYearDistribution()
{
    DistributionTable d;
    const char* labels[] = {"", "１組", "２組", "３組", "４組", "５組", "６組", "７組", "８組", "９組", "10組"};
    for (int k = 1; k <= 10; ++k)
        d.classLabels[k] = u8(labels[k]);
    const char* headings[] = {"", "91点", "81点", "71点", "61点", "55点"};
    for (int i = 1; i <= 5; ++i)
        d.columnHeadings[i] = u8(headings[i]);
    d.stratumCounts[1] = {0, 0, 1, 0, 0, 1, 0};
    d.stratumCounts[2] = {0, 0, 0, 1, 1, 0, 0};
    d.stratumCounts[3] = {0, 0, 0, 0, 1, 0, 1};
    d.stratumCounts[4] = {0, 1, 0, 0, 1, 0, 0};
    d.classAverage = {0, 70.0f, 74.0f, 55.0f, 78.5f};
    d.classAverageDifference = {0, -1.1f, 2.9f, -16.1f, 7.4f, -0.5f, 0.5f};
    return d;
}

TEST(ResultFile, MatchesTheHandWrittenFiles)
{
    testing::PlacedYear utf8 = yearOf({{3, {"1001", "생도 €", "A1", "78"}}}); // exists only in UTF-8
    utf8.students.encoding = TextEncoding::Utf8;
    testing::PlacedYear quotes = yearOf({{3, {"1001", "工藤　\"里奈\"", "A\"1", "78"}}});
    quotes.students.encoding = TextEncoding::Utf8;
    testing::PlacedYear beforeFirstPress = yearOf({{0, {"1001", "青木 一郎", "音男", "78"}}, {0, {"1002", "石井 花子", "音女", "85"}}});
    beforeFirstPress.classes.clear(); // no draw yet
    const struct {
        const char* expected;
        testing::PlacedYear year;
        DistributionTable distribution;
    } cases[] = {
        {"header_only.csv", yearOf({}), {}},
        {"before_first_press.csv", beforeFirstPress, {}},
        {"small_year.csv", smallYear(), smallYearDistribution()},
        {"no_name_column.csv", yearOf({{1, {"1001", "", "音男", "78"}}, {2, {"1002", "", "音女", "85"}}}, ""), {}},
        {"utf8_bom.csv", utf8, {}},
        {"two_line_name.csv", yearOf({{3, {"1001", "山田 太郎\nやまだ たろう", "A1", "78"}}}), {}},
        {"quote_in_name.csv", quotes, {}},
    };
    for (const auto& c : cases) {
        const ResultFileContent content = formatResultFile(c.year.students, c.year.classes, c.distribution);
        EXPECT_EQ(content.bytes, expectedFile(c.expected)) << c.expected;
        EXPECT_EQ(content.unencodableRow, -1) << c.expected;
    }
}

TEST(SaveResult, WritesTheFileUnderTheChosenNameOnly)
{
    TempFolder folder;
    const testing::PlacedYear year = smallYear();
    const QString path = folder.file("second.CSV");
    EXPECT_EQ(saveResult(year.students, year.classes, smallYearDistribution(), path), std::nullopt);
    EXPECT_EQ(readBytes(path), expectedFile("small_year.csv"));
    // No extension is added and no temporary file stays behind.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"second.CSV"});
}

TEST(SaveResult, AFailedOrRefusedSaveKeepsTheEarlierFileAndSaysWhy)
{
    TempFolder folder;
    const QString target = folder.file("result.csv");
    const QByteArray earlier("earlier result\r\n");
    ASSERT_TRUE(writeBytes(target, earlier));
    const auto save = [&](const testing::PlacedYear& year, const QString& path,
                          const DistributionTable& distribution = smallYearDistribution()) {
        const auto message = saveResult(year.students, year.classes, distribution, path);
        EXPECT_EQ(message.value_or(Message{}).title, u8("エラー発生")) << qPrintable(path);
        return message.value_or(Message{}).text;
    };
    // The message names the place as the system writes it (C:\... on Windows).
    EXPECT_TRUE(save(smallYear(), folder.file("no such folder/result.csv"))
                    .contains(QDir::toNativeSeparators(folder.file("no such folder"))));
    EXPECT_TRUE(save(smallYear(), folder.path()).contains(QDir::toNativeSeparators(folder.path())));
    if (testing::FullDisk::kAvailable) {
        testing::FullDisk full(100);
        save(smallYear(), target);
    }

    const struct {
        int row;
        bool inGroup;
        const char* text;
        std::vector<const char*> expectedParts;
    } unencodable[] = {
        // The character at an odd place in its text, after a pair, and at the end.
        {3, false, "上田 𠮷郎", {"3人目の生徒", "ＣＳＶファイルの4行目", "番号「1003」", "氏名に、保存できない文字「𠮷」"}},
        {5, true, "音男€", {"5人目の生徒", "番号「1005」", "グループ識別データに、保存できない文字「€」"}},
        {13, false, "生徒Ｅ€", {"13人目の生徒", "ＣＳＶファイルの14行目"}}, // the last student
        {0, false, "氏名😀", {"１行目（項目名）", "「😀」", "保存していません"}},
        {-1, false, "３組😀", {"分布表に保存できない文字"}}, // a class label of the table
    };
    for (const auto& c : unencodable) {
        testing::PlacedYear year = smallYear();
        DistributionTable distribution = smallYearDistribution();
        if (c.row == -1)
            distribution.classLabels[3] = u8(c.text);
        else if (c.row == 0)
            year.students.itemNames.name = u8(c.text);
        else
            (c.inGroup ? year.students.rows[c.row].group : year.students.rows[c.row].name) = u8(c.text);
        EXPECT_EQ(formatResultFile(year.students, year.classes, distribution).unencodableRow, c.row) << c.text;
        const QString message = save(year, target, distribution);
        for (const char* part : c.expectedParts)
            EXPECT_TRUE(message.contains(u8(part))) << qPrintable(message) << " lacks " << part;
    }
    EXPECT_EQ(readBytes(target), earlier);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList("result.csv"));
}

} // namespace
} // namespace classdiv
