// The saved file read back by another program: Python's csv module with the
// cp932 codec (tests/python/check_result.py), as a spreadsheet would read it.

#include "export/ResultFile.h"
#include "support/TestFiles.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace classdiv {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

struct ReaderRun {
    int exitCode = -1;
    QString output;
};

ReaderRun runPythonReader(const QString& file, int students)
{
    QProcess python;
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(QStringLiteral("python3"), {QStringLiteral(CLASSDIV_SOURCE_DIR "/tests/python/check_result.py"), file,
                                             QString::number(students)});
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit)
        return {-1, QStringLiteral("python3 did not run: ") + python.errorString()};
    return {python.exitCode(), QString::fromUtf8(python.readAll())};
}

// Forty students in four groups over classes 1 to 4, with the awkward
// identifiers, scores and names a real export brings.
StudentTable realisticYear()
{
    const char* family[] = {"青木", "石井", "上田", "江藤", "太田", "加藤", "木村", "久保", "小林", "佐藤"};
    const char* given[] = {"一郎", "花子", "次郎", "桃子"};
    const char* groups[] = {"音男", "音女", "美男", "美女"};
    StudentTable table;
    table.records[0] = StudentRecord{QString(), QStringLiteral("生徒番号"), QStringLiteral("氏名"),
                                     QStringLiteral("選択性別"), QStringLiteral("点数")};
    for (int i = 1; i <= 40; ++i) {
        StudentRecord& s = table.records[static_cast<size_t>(i)];
        s.newClass = QString::number((i * 7) % 4 + 1);
        s.studentId = QString::number(2000 + i);
        s.name = QString::fromUtf8(family[i % 10]) + u'　' + QString::fromUtf8(given[i % 4]);
        s.group = QString::fromUtf8(groups[i % 4]);
        s.score = QString::number(40 + (i * 37) % 61);
    }
    table.records[3].studentId = QStringLiteral("00123");
    table.records[4].studentId = QStringLiteral("A-17");
    table.records[5].name = QStringLiteral("山田, 太郎");
    table.records[6].score = QStringLiteral("78.5");
    table.records[7].score = QStringLiteral("８０");
    table.lineCount = 41;
    return table;
}

// A table as a press over classes 1 to 4 leaves it; the reader checks the shape only.
DistributionTable realisticDistribution()
{
    DistributionTable d;
    const char* labels[] = {"", "１組", "２組", "３組", "４組", "５組", "６組", "７組", "８組", "９組", "10組", "全体"};
    for (int k = 1; k <= 11; ++k)
        d.classLabels[k] = QString::fromUtf8(labels[k]);
    const char* headings[] = {"", "92点", "81点", "70点", "59点", "46点"};
    for (int i = 1; i <= 5; ++i)
        d.columnHeadings[i] = QString::fromUtf8(headings[i]);
    d.stratumCounts[1] = {0, 2, 2, 1, 2, 3, 0};
    d.stratumCounts[2] = {0, 1, 3, 2, 1, 2, 1};
    d.stratumCounts[3] = {0, 1, 1, 3, 1, 2, 2};
    d.stratumCounts[4] = {0, 1, 1, 2, 3, 1, 2};
    d.classAverage = {0, 73.2f, 67.3f, 66.2f, 65.9f};
    d.classAverageDifference = {0, 2.9f, -3.0f, -4.1f, -4.4f};
    return d;
}

TEST(ResultFileReadBack, PythonCsvModuleSeesEveryRowAndColumn)
{
    TempFolder folder;
    StudentTable table = realisticYear();
    table.resultPath = folder.file("new_classes.csv");
    ASSERT_EQ(saveResult(table, realisticDistribution()), std::nullopt);

    const ReaderRun run = runPythonReader(table.resultPath, 40);
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.output);
    EXPECT_TRUE(run.output.contains(QStringLiteral("csv module (cp932) read 53 rows"))) << qPrintable(run.output);
}

TEST(ResultFileReadBack, PythonCheckRejectsBrokenFiles)
{
    // The check must be able to fail, or its pass above proves nothing.
    TempFolder folder;
    StudentTable table = realisticYear();
    const QByteArray good = *formatResultFile(table, realisticDistribution()).bytes;
    const QByteArray quotedName = testing::cp932(QStringLiteral("\"山田, 太郎\""));
    const QByteArray bareName = testing::cp932(QStringLiteral("山田, 太郎"));
    const struct {
        const char* what;
        QByteArray bytes;
        int students;
    } cases[] = {
        {"a student too many expected", good, 41},
        {"a name split by its comma", QByteArray(good).replace(quotedName, bareName), 40},
        {"bare line feeds", QByteArray(good).replace("\r\n", "\n"), 40},
        {"no line end after the last line", good.chopped(2), 40},
        {"a byte order mark before CP932 text", QByteArray("\xEF\xBB\xBF") + good, 40},
        {"the last class line missing", good.left(good.lastIndexOf("\"10")), 40},
        {"a score written with a comma", QByteArray(good).replace(",78.5\r\n", ",78,5\r\n"), 40},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.bytes != good || c.students != 40) << "case changes nothing: " << c.what;
        const QString path = folder.file(QStringLiteral("broken.csv"));
        ASSERT_TRUE(writeBytes(path, c.bytes));
        const ReaderRun run = runPythonReader(path, c.students);
        EXPECT_EQ(run.exitCode, 1) << c.what << ": " << qPrintable(run.output);
    }
}

} // namespace
} // namespace classdiv
