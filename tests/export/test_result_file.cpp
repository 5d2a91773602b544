#include "export/ResultFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <initializer_list>
#include <sys/resource.h>

namespace classdiv {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

QByteArray expectedFile(const char* name)
{
    const QString path = QStringLiteral(CLASSDIV_TEST_DATA "/export/") + QString::fromUtf8(name);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing expected file " << qPrintable(path);
        return {};
    }
    return file.readAll();
}

struct Student {
    const char* newClass;
    const char* studentId;
    const char* name;
    const char* group;
    const char* score;
};

StudentTable tableOf(std::initializer_list<Student> students, const char* nameItem = "氏名")
{
    StudentTable table;
    table.records[0] = StudentRecord{QString(), u8("番号"), u8(nameItem), u8("組"), u8("点数")};
    int row = 1;
    for (const Student& s : students) {
        table.records[static_cast<size_t>(row++)] =
            StudentRecord{u8(s.newClass), u8(s.studentId), u8(s.name), u8(s.group), u8(s.score)};
    }
    table.lineCount = static_cast<int16_t>(row);
    return table;
}

// Eight students in classes 1 to 4, as a press could leave them.
StudentTable smallYear()
{
    return tableOf({
        {"2", "1001", "青木 一郎", "音男", "78"},
        {"1", "1002", "石井 花子", "音女", "85"},
        {"3", "1003", "上田 次郎", "美男", "62"},
        {"4", "1004", "江藤 桃子", "美女", "91"},
        {"1", "1005", "太田 三郎", "音男", "55"},
        {"2", "1006", "加藤 夏美", "音女", "70"},
        {"3", "1007", "木村 四郎", "美男", "48"},
        {"4", "1008", "久保 秋子", "美女", "66"},
    });
}

// The table of the small year, filled by hand. Classes 5 and 6 keep the
// differences of an earlier press in which they had students.
DistributionTable smallYearDistribution()
{
    DistributionTable d;
    const char* labels[] = {"", "１組", "２組", "３組", "４組", "５組", "６組", "７組", "８組", "９組", "10組", "全体"};
    for (int k = 1; k <= 11; ++k)
        d.classLabels[k] = u8(labels[k]);
    const char* headings[] = {"", "91点", "81点", "71点", "61点", "55点", "人数", "平均", "平均差"};
    for (int i = 1; i <= 8; ++i)
        d.columnHeadings[i] = u8(headings[i]);
    d.bands.boundaryPoints = {0, 91, 81, 71, 61, 55};
    d.stratumCounts[1] = {0, 0, 1, 0, 0, 1, 0};
    d.stratumCounts[2] = {0, 0, 0, 1, 1, 0, 0};
    d.stratumCounts[3] = {0, 0, 0, 0, 1, 0, 1};
    d.stratumCounts[4] = {0, 1, 0, 0, 1, 0, 0};
    d.stratumCounts[11] = {0, 1, 1, 1, 3, 1, 1};
    d.classHeadCount = {0, 2, 2, 2, 2};
    d.scoreTotal = 555;
    d.overallAverage = 71.1f;
    d.classAverage = {0, 70.0f, 74.0f, 55.0f, 78.5f};
    d.classAverageDifference = {0, -1.1f, 2.9f, -16.1f, 7.4f, -0.5f, 0.5f};
    return d;
}

TEST(ResultFile, MatchesTheHandWrittenFiles)
{
    const DistributionTable beforeFirstPress;
    const struct {
        const char* expected;
        StudentTable table;
        DistributionTable distribution;
    } cases[] = {
        {"header_only.csv", tableOf({}), beforeFirstPress},
        {"before_first_press.csv",
         tableOf({{"", "1001", "青木 一郎", "音男", "78"}, {"", "1002", "石井 花子", "音女", "85"}}), beforeFirstPress},
        {"small_year.csv", smallYear(), smallYearDistribution()},
        {"student_id_00123.csv", tableOf({{"3", "00123", "生徒Ａ", "A1", "78"}}), beforeFirstPress},
        {"student_id_A-17.csv", tableOf({{"3", "A-17", "生徒Ａ", "A1", "78"}}), beforeFirstPress},
        {"score_78_5.csv", tableOf({{"3", "1001", "生徒Ａ", "A1", "78.5"}}), beforeFirstPress},
        {"score_fullwidth.csv", tableOf({{"3", "1001", "生徒Ａ", "A1", "７８"}}), beforeFirstPress},
        {"score_minus_half.csv", tableOf({{"3", "1001", "生徒Ａ", "A1", "-.5"}}), beforeFirstPress},
        {"name_with_comma.csv", tableOf({{"3", "1001", "山田, 太郎", "A1", "78"}}), beforeFirstPress},
        {"no_name_column.csv", tableOf({{"1", "1001", "", "音男", "78"}, {"2", "1002", "", "音女", "85"}}, ""),
         beforeFirstPress},
    };
    for (const auto& c : cases) {
        const ResultFileContent content = formatResultFile(c.table, c.distribution);
        ASSERT_TRUE(content.bytes.has_value()) << c.expected;
        EXPECT_EQ(*content.bytes, expectedFile(c.expected)) << c.expected;
        EXPECT_EQ(content.unencodableRow, -1) << c.expected;
    }
}

TEST(ResultFile, Utf8InputIsWrittenAsUtf8WithItsByteOrderMark)
{
    // Hangul and the euro sign exist only in UTF-8: nothing may be refused here.
    StudentTable table = tableOf({{"3", "1001", "생도 €", "A1", "78"}});
    table.encoding = TextEncoding::Utf8WithBom;
    const ResultFileContent content = formatResultFile(table, DistributionTable());
    ASSERT_TRUE(content.bytes.has_value());
    EXPECT_EQ(*content.bytes, expectedFile("utf8_bom.csv"));
}

TEST(ResultFile, RowsBeyondTheStudentsAreNotWritten)
{
    // Rows past lineCount keep what an earlier read left there.
    StudentTable table = tableOf({{"3", "00123", "生徒Ａ", "A1", "78"}});
    table.records[2] = StudentRecord{u8("1"), u8("9999"), u8("前の生徒"), u8("B"), u8("50")};
    EXPECT_EQ(formatResultFile(table, DistributionTable()).bytes, expectedFile("student_id_00123.csv"));

    // A line count past the table's end never reads past its last row.
    table.lineCount = 600;
    const auto content = formatResultFile(table, DistributionTable());
    ASSERT_TRUE(content.bytes.has_value());
    EXPECT_EQ(content.bytes->count("\r\n"), 1 + kMaxStudents + 1 + 1 + 10);
}

class SaveResult : public ::testing::Test {
protected:
    TempFolder m_folder;
    StudentTable m_table = smallYear();
    DistributionTable m_distribution = smallYearDistribution();
};

TEST_F(SaveResult, TwoSavesWithoutADrawGiveEqualFiles)
{
    m_table.resultPath = m_folder.file("first.csv");
    EXPECT_EQ(saveResult(m_table, m_distribution), std::nullopt);
    EXPECT_EQ(m_table.records[0].newClass, u8("新組"));
    m_table.resultPath = m_folder.file("second.CSV");
    EXPECT_EQ(saveResult(m_table, m_distribution), std::nullopt);

    EXPECT_EQ(readBytes(m_folder.file("first.csv")), expectedFile("small_year.csv"));
    EXPECT_EQ(readBytes(m_folder.file("second.CSV")), expectedFile("small_year.csv"));
    // No extension is added and no temporary file stays behind.
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files, QDir::Name),
              QStringList({QStringLiteral("first.csv"), QStringLiteral("second.CSV")}));
}

TEST_F(SaveResult, SavingBeforeTheFirstPressStillWritesTheFile)
{
    StudentTable table =
        tableOf({{"", "1001", "青木 一郎", "音男", "78"}, {"", "1002", "石井 花子", "音女", "85"}});
    table.resultPath = m_folder.file("result.csv");
    EXPECT_EQ(saveResult(table, DistributionTable()), std::nullopt);
    EXPECT_EQ(readBytes(table.resultPath), expectedFile("before_first_press.csv"));
}

TEST_F(SaveResult, AFailedSaveKeepsTheEarlierFileAndSaysSo)
{
    const QByteArray earlier("earlier result\r\n");
    const QString target = m_folder.file("result.csv");
    ASSERT_TRUE(writeBytes(target, earlier));

    const auto expectFailure = [&](const QString& path, const char* why) {
        m_table.resultPath = path;
        const auto message = saveResult(m_table, m_distribution);
        ASSERT_TRUE(message.has_value()) << why;
        EXPECT_EQ(message->title, u8("エラー発生")) << why;
        EXPECT_TRUE(message->text.contains(QDir::toNativeSeparators(path))) << why;
    };

    expectFailure(m_folder.file("no such folder/result.csv"), "missing folder");
    expectFailure(m_folder.path(), "a folder as the name");

    // A full disk, as root sees it too: the file may grow only to 100 bytes.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    m_table.resultPath = target;
    const auto fullDisk = saveResult(m_table, m_distribution);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(fullDisk.has_value());
    EXPECT_EQ(fullDisk->title, u8("エラー発生"));

    // A folder without write permission (root ignores permissions, so only checked otherwise).
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFile probe(m_folder.file("probe")); probe.open(QIODevice::WriteOnly))
        probe.remove();
    else
        expectFailure(target, "read-only folder");
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_EQ(readBytes(target), earlier);
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList(QStringLiteral("result.csv")));
}

TEST_F(SaveResult, AnUnwritableNameIsRefusedWithItsRowAndIdentifier)
{
    const QString target = m_folder.file("result.csv");
    const QByteArray earlier("earlier result\r\n");
    ASSERT_TRUE(writeBytes(target, earlier));
    m_table.resultPath = target;

    const struct {
        int row;
        bool inGroup;
        const char* text;
        const char* expectedParts[3];
    } cases[] = {
        {3, false, "𠮷田 三郎", {"3人目の生徒", "番号「1003」", "氏名に、保存できない文字「𠮷」"}},
        {5, true, "音男€", {"5人目の生徒", "番号「1005」", "グループ識別データに、保存できない文字「€」"}},
        {0, false, "氏名😀", {"１行目（項目名）", "「😀」", "保存していません"}},
    };
    for (const auto& c : cases) {
        StudentTable table = m_table;
        StudentRecord& record = table.records[static_cast<size_t>(c.row)];
        (c.inGroup ? record.group : record.name) = u8(c.text);
        EXPECT_EQ(formatResultFile(table, m_distribution).unencodableRow, c.row) << c.text;
        const auto message = saveResult(table, m_distribution);
        ASSERT_TRUE(message.has_value()) << c.text;
        EXPECT_EQ(message->title, u8("エラー発生"));
        for (const char* part : c.expectedParts)
            EXPECT_TRUE(message->text.contains(u8(part))) << qPrintable(message->text) << " lacks " << part;
        EXPECT_EQ(readBytes(target), earlier) << c.text;
    }
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList(QStringLiteral("result.csv")));
}

} // namespace
} // namespace classdiv
