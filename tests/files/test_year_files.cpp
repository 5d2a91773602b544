#include "files/YearFiles.h"

#include "common/FileKinds.h"
#include "common/FileMessages.h"
#include "division/Year.h"
#include "files/SaveFile.h"
#include "files/SharedDrafts.h"
#include "support/FullDisk.h"
#include "support/TestFiles.h"
#include "support/Years.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

namespace classdiv {
namespace {

using namespace Qt::StringLiterals;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

TEST(FileKinds, TellsACsvFromAWorkbookByItsEndingInAnyCase)
{
    const struct {
        const char* name;
        FileKind kind;
    } cases[] = {
        {"nen1.csv", FileKind::Csv},       {"NEN1.CSV", FileKind::Csv},    {"a.xlsx.csv", FileKind::Csv},
        {"名簿.xlsx", FileKind::Xlsx},     {"a.XlSx", FileKind::Xlsx},     {"macro.xlsm", FileKind::Xlsm},
        {"calc.ods", FileKind::Ods},       {"old.XLS", FileKind::Xls},     {"a.csv.txt", FileKind::Other},
        {"csv", FileKind::Other},          {"a.xlsb", FileKind::Other},    {"a.csvJYOKEN.TXT", FileKind::Other},
        {"", FileKind::Other},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(fileKindOf(name), c.kind) << c.name;
        EXPECT_EQ(isWorkbookName(name), c.kind != FileKind::Csv && c.kind != FileKind::Other) << c.name;
        EXPECT_EQ(isRosterName(name), c.kind != FileKind::Other) << c.name;
    }
    // The folder listing offers exactly the names the kinds take.
    for (const QString& pattern : rosterNamePatterns())
        EXPECT_TRUE(isRosterName(QString(pattern).replace(u'*', u"x"_s))) << qPrintable(pattern);
    EXPECT_EQ(rosterNamePatterns().size(), 5);
}

TEST(YearFiles, NamesEverySideFileAfterTheRosterWhateverItsKind)
{
    const struct {
        QString roster;
        QString conditions, rules, drafts;
    } cases[] = {
        {u"/学年/nen1.csv"_s, u"/学年/nen1.csvJYOKEN.TXT"_s, u"/学年/nen1.csvBUNKATSU.TXT"_s, u"/学年/nen1.csvAN.TXT"_s},
        {u"C:/x/名簿.xlsx"_s, u"C:/x/名簿.xlsxJYOKEN.TXT"_s, u"C:/x/名簿.xlsxBUNKATSU.TXT"_s, u"C:/x/名簿.xlsxAN.TXT"_s},
        {u"b.ods"_s, u"b.odsJYOKEN.TXT"_s, u"b.odsBUNKATSU.TXT"_s, u"b.odsAN.TXT"_s},
        // A year of no file keeps its drafts in memory only.
        {QString(), u"JYOKEN.TXT"_s, u"BUNKATSU.TXT"_s, QString()},
    };
    for (const auto& c : cases) {
        const YearFiles files(c.roster);
        EXPECT_EQ(files.conditionsPath(), c.conditions) << qPrintable(c.roster);
        EXPECT_EQ(files.rulesPath(), c.rules) << qPrintable(c.roster);
        EXPECT_EQ(files.draftsPath(), c.drafts) << qPrintable(c.roster);
    }
}

// Two groups of two; group A planned in one class of two.
Year twoGroups()
{
    const Students students = testing::studentsOf({testing::inGroup(u"A"_s, u"50"_s), testing::inGroup(u"A"_s, u"60"_s),
                                                   testing::inGroup(u"B"_s, u"70"_s), testing::inGroup(u"B"_s, u"80"_s)});
    ConditionsWorkspace ws = loadGroups(students).workspace;
    ws.conditions[1].classCount = 1;
    ws.conditions[1].rows[1] = {1, 2, 0};
    return Year(students, ws);
}

TEST(YearFiles, ALoadSaysWhatItFoundAndKeepsTheGroupsWhenNothingWasRead)
{
    using Status = ReadConditionsOutcome::Status;
    const QByteArray group = "2\r\n1,1\r\n2,1\r\n" + QByteArray("0,0\r\n").repeated(8);
    const struct {
        const char* name;
        const char* roster; // in the temporary folder
        std::optional<QByteArray> file; // nullopt: none
        bool folder; // a folder where the file should be
        Status status;
        int classCountOfA; // after the load
    } cases[] = {
        {"both groups read", "nen1.csv", group + group, false, Status::Read, 2},
        {"no file", "nen1.csv", std::nullopt, false, Status::Missing, 1},
        {"no folder either", "gone/nen1.csv", std::nullopt, false, Status::Missing, 1},
        {"a folder in its place", "nen1.csv", std::nullopt, true, Status::Failed, 1},
        {"bytes that are no Shift-JIS", "nen1.csv", "\x81\r\n" + group, false, Status::Failed, 1},
        {"the first group read, then the file ends", "nen1.csv", group, false, Status::Failed, 2},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const YearFiles files(folder.file(QString::fromUtf8(c.roster)));
        if (c.file)
            ASSERT_TRUE(writeBytes(files.conditionsPath(), *c.file)) << c.name;
        if (c.folder)
            ASSERT_TRUE(QDir().mkpath(files.conditionsPath())) << c.name;
        Year year = twoGroups();
        const ReadConditionsOutcome outcome = files.loadConditions(year);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(outcome.message.has_value(), c.status == Status::Missing) << c.name;
        if (c.status == Status::Missing)
            EXPECT_EQ(outcome.message->text, kMissingConditionsMessage) << c.name;
        EXPECT_EQ(year.workspace().conditions[1].classCount, c.classCountOfA) << c.name;
    }
}

TEST(YearFiles, ASaveThatCannotWriteKeepsTheFileBeforeWholeAndSaysTheOneMessage)
{
    TempFolder folder;
    const YearFiles files(folder.file(u"nen1.csv"_s));
    Year year = twoGroups();
    ASSERT_EQ(files.saveConditions(year).status, SaveOutcome::Status::Saved);
    const QByteArray before = readBytes(files.conditionsPath());
    EXPECT_EQ(before, formatConditionsFile(year.workspace()));

    // No folder to write in: nothing made, the one wording of a failed save.
    const YearFiles gone(folder.file(u"gone/nen1.csv"_s));
    const SaveOutcome refused = gone.saveConditions(year);
    EXPECT_EQ(refused.status, SaveOutcome::Status::Failed);
    EXPECT_EQ(refused.message, writeFailedMessage(gone.conditionsPath(), fileNames::conditions,
                                                  u"入力した条件は画面に残っています。"_s));
    EXPECT_FALSE(QDir(folder.file(u"gone"_s)).exists());
    const std::optional<Message> pdf = saveWholeFile(folder.file(u"gone/a.pdf"_s), "%PDF", fileNames::pdf);
    EXPECT_EQ(pdf, writeFailedMessage(folder.file(u"gone/a.pdf"_s), fileNames::pdf));

    if (!testing::FullDisk::kAvailable)
        return;
    // A disk too full for the new bytes: the old file stays as it was, and no temporary file is left.
    year.fitHeadCounts({FittingCounts{2, year.workspace().conditions[2], year.workspace().conditions[1]}});
    SaveOutcome full;
    {
        const testing::FullDisk disk(8);
        full = files.saveConditions(year);
    }
    EXPECT_EQ(full.status, SaveOutcome::Status::Failed);
    EXPECT_EQ(full.message->title, titles::error);
    EXPECT_TRUE(full.message->text.startsWith(u"条件ファイルを保存できませんでした。"_s)) << qPrintable(full.message->text);
    EXPECT_EQ(readBytes(files.conditionsPath()), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{u"nen1.csvJYOKEN.TXT"_s});
}

// The drafts book is read from beside the roster and written back there, and
// only there; the book itself is what it was handed, whatever is on disk.
TEST(YearFiles, TheDraftsAreReadFromBesideTheRosterAndSavedThereOnly)
{
    const testing::DivisionYear made({{"A", 6, {{1, 3}, {2, 3}}}});
    const QDateTime noon(QDate(2027, 2, 15), QTime(12, 0));
    const struct {
        const char* name;
        const char* roster; // in the temporary folder; empty: a year of no roster file
        bool kept;          // a drafts file with 「前の案」 beside the roster before the load
        QStringList read;   // the drafts the book starts with
        QStringList saved;  // the drafts file's after the save; empty: no file anywhere
    } cases[] = {
        {"a drafts file beside the roster", "nen1.csv", true, {u"前の案"_s}, {u"前の案"_s, u"新しい案"_s}},
        {"none yet", "名簿.xlsx", false, {}, {u"新しい案"_s}},
        {"a year of no roster file", "", false, {}, {}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString roster = *c.roster ? folder.file(QString::fromUtf8(c.roster)) : QString();
        const YearFiles files(roster);
        Year year = made.year();
        ASSERT_TRUE(year.pressNumber(3).drawn) << c.name;
        if (c.kept) {
            DraftBook before(year, files.draftsPath());
            ASSERT_FALSE(before.keep(year, u"前の案"_s, noon)) << c.name;
            ASSERT_FALSE(YearFiles::saveDrafts(before, year, noon)) << c.name;
        }
        DraftBook book = files.loadDrafts(year);
        QStringList names;
        for (const Draft& d : book.drafts())
            names << d.name;
        EXPECT_EQ(names, c.read) << c.name;
        ASSERT_TRUE(year.pressNumber(4).drawn) << c.name;
        ASSERT_FALSE(book.keep(year, u"新しい案"_s, noon.addSecs(60))) << c.name;
        EXPECT_FALSE(YearFiles::saveDrafts(book, year, noon.addSecs(60))) << c.name;
        names.clear();
        for (const Draft& d : readDraftsFile(files.draftsPath()).content.drafts)
            names << d.name;
        EXPECT_EQ(names, c.saved) << c.name;
        const QStringList written = QDir(folder.path()).entryList(QDir::Files);
        EXPECT_EQ(written, c.saved.isEmpty() ? QStringList() : QStringList{QString::fromUtf8(c.roster) + u"AN.TXT"_s}) << c.name;
        EXPECT_FALSE(QFileInfo::exists(u"AN.TXT"_s)) << c.name; // nothing beside the program either

        // Handed a file's content, the book takes it as it is: it reads nothing itself.
        const DraftsReadOutcome read = readDraftsFile(files.draftsPath());
        const DraftBook handed(year, folder.file(u"nowhere/AN.TXT"_s), read);
        EXPECT_EQ(handed.drafts(), read.content.drafts) << c.name;
    }
}

} // namespace
} // namespace classdiv
