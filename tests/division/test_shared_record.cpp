// The separation record on a shared folder: several programs add entries at
// once, one is killed holding the lock, and no entry is lost; a write waits
// for a lock held a moment; a record that cannot be read is never written over.

#include "support/ChildPrograms.h"
#include "support/TestFiles.h"

#include "files/SharedRecord.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <thread>

namespace classdiv {
namespace {

using testing::Child;
using testing::TempFolder;

constexpr int kPrograms = 8;
// Fifty entries a program; fewer under an emulator, whose file calls are slow.
constexpr int kEntriesEach = CLASSDIV_SHARED_WRITES_EACH;

QString helper()
{
    return testing::helperPath(QStringLiteral("keep_record"));
}

void expectEveryEntryOnce(const QString& path)
{
    const RecordReadOutcome read = readSeparationRecord(path);
    ASSERT_EQ(read.status, RecordReadOutcome::Status::Read) << read.reason.toStdString();
    QSet<QString> expected, found;
    for (int p = 0; p < kPrograms; ++p)
        for (int i = 1; i <= kEntriesEach; ++i)
            expected.insert(QStringLiteral("%1-%2").arg(p).arg(i));
    for (const RecordEntry& e : read.record.entries)
        found.insert(e.key);
    EXPECT_EQ(read.record.entries.size(), size_t(kPrograms * kEntriesEach)); // none twice
    EXPECT_EQ(found, expected) << (expected - found).size() << " lost";
    EXPECT_FALSE(QFile::exists(lockPathFor(path))) << "the lock is left behind";
}

TEST(SharedRecord, EightProgramsAddTheirEntriesAtOnceAndEveryOneIsThere)
{
    TempFolder folder;
    const QString path = folder.file("離す記録.txt");
    std::vector<Child> children(kPrograms);
    for (int p = 0; p < kPrograms; ++p)
        testing::start(children[p], helper(), {path, QString::number(p), "1", QString::number(kEntriesEach)});
    testing::finishAll(children);
    for (const Child& c : children)
        EXPECT_EQ(c.out.count("kept "), kEntriesEach);
    expectEveryEntryOnce(path);
}

TEST(SharedRecord, AProgramKilledWhileItHoldsTheLockLosesNothingAndTheOthersTakeTheLockOver)
{
    TempFolder folder;
    const QString path = folder.file("離す記録.txt");
    std::vector<Child> children(kPrograms);
    constexpr int kHeldAfter = kEntriesEach * 2 / 5;
    testing::start(children[0], helper(), {path, "0", "1", QString::number(kEntriesEach), QString::number(kHeldAfter)});
    for (int p = 1; p < kPrograms; ++p)
        testing::start(children[p], helper(), {path, QString::number(p), "1", QString::number(kEntriesEach)});
    Child& stopped = children[0];
    testing::waitForWord(stopped, "holding");
    EXPECT_EQ(stopped.out.count("kept "), kHeldAfter);
    stopped.process->kill();
    ASSERT_TRUE(stopped.process->waitForFinished(30000));
    EXPECT_TRUE(QFile::exists(lockPathFor(path)));

    Child again;
    testing::start(again, helper(), {path, "0", QString::number(kHeldAfter + 1), QString::number(kEntriesEach)});
    std::vector<Child> rest;
    rest.push_back(std::move(again));
    for (int p = 1; p < kPrograms; ++p)
        rest.push_back(std::move(children[p]));
    testing::finishAll(rest);
    expectEveryEntryOnce(path);
    int notes = 0;
    for (const Child& c : rest)
        notes += c.err.count(QStringLiteral("の鍵が残っていたので、外して保存しました").toUtf8());
#ifndef Q_OS_WIN
    EXPECT_GE(notes, 1); // under Wine the note has been seen to go missing (see the drafts' test)
#endif
}

RecordEntry anEntry(const QString& key)
{
    RecordEntry e;
    e.key = key;
    e.students = {{"1", "甲"}, {"2", "乙"}};
    e.schoolYear = 2026;
    e.entered = QDate(2026, 5, 1);
    return e;
}

TEST(SharedRecord, AWriteWaitsForALockHeldAMomentAndNeverOverwritesARecordItCannotRead)
{
    TempFolder folder;
    const QString path = folder.file("record.txt");
    FileLock other(lockPathFor(path));
    ASSERT_EQ(other.acquire().status, LockOutcome::Status::Taken);
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.release();
    });
    const RecordWriteOutcome waited = writeRecordShared(path, RecordChange{{anEntry("a")}, {}});
    letGo.join();
    ASSERT_EQ(waited.status, RecordWriteOutcome::Status::Written);
    EXPECT_EQ(readSeparationRecord(path).record.entries.size(), 1u);

    using W = RecordWriteOutcome::Status;
    struct Case {
        const char* what;
        QByteArray bytes;
        W status;
    };
    const QByteArray whole = formatSeparationRecord(readSeparationRecord(path).record);
    const std::vector<Case> cases = {
        {"cut short", whole.left(whole.size() - 5), W::Unusable},
        {"bad bytes", whole + "\xff", W::Unusable},
        {"a newer version", QByteArray(whole).replace("APART 1", "APART 7"), W::Unusable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testing::writeBytes(path, c.bytes));
        const RecordWriteOutcome written = writeRecordShared(path, RecordChange{{anEntry("b")}, {}});
        EXPECT_EQ(written.status, c.status);
        EXPECT_EQ(testing::readBytes(path), c.bytes);
        EXPECT_TRUE(recordWriteProblemText(path, written)->contains(QStringLiteral("書き換えずにそのまま残し")));
    }
    // A folder that went away: said as such, and nothing made there.
    const QString gone = folder.file("gone/record.txt");
    EXPECT_EQ(writeRecordShared(gone, RecordChange{{anEntry("c")}, {}}).status, W::FolderGone);
    EXPECT_EQ(readSeparationRecord(gone).status, RecordReadOutcome::Status::FolderGone);
}

} // namespace
} // namespace classdiv
