#pragma once
// A lock file beside a file kept in a shared folder, so that two programs
// (two teachers' PCs on the school server, or two windows on one PC) never
// read, merge and write the same file at once.
//
// The lock is a small text file created only if it is not there (O_CREAT |
// O_EXCL on POSIX, CreateFileW with CREATE_NEW on Windows, which the file
// servers of both honour), naming the computer, the user, the process and
// the time:
//
//   CLASSDIV-LOCK 1
//   computer <name>
//   user <name>
//   process <id>
//   since <yyyy-MM-ddTHH:mm:ss.zzzZ>        UTC
//   refreshed <yyyy-MM-ddTHH:mm:ss.zzzZ>    UTC, the last sign of life
//
// Whoever finds it waits, trying again every few milliseconds, for a bounded
// time. A lock whose holder stopped (refreshed more than a minute ago, or its
// process gone on this same computer) is taken over, and the outcome names
// the stopped holder so that the caller can say so. A lock held for long
// (the presence of a program on a roster) stays fresh by refresh().
//
// Nothing here knows which file it guards or shows a window: the same lock
// serves every file the program keeps beside a roster, and any file of a
// shared folder later.

#include "common/Message.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

namespace classdiv {

struct LockHolder {
    QString computer;
    QString user;
    qint64 processId = 0;
    QDateTime since;     // UTC
    QDateTime refreshed; // UTC
    bool operator==(const LockHolder&) const = default;
};

// This program, now.
LockHolder thisProgram(const QDateTime& nowUtc = QDateTime::currentDateTimeUtc());
// The computer's name as locks name it.
QString thisComputer();

QByteArray formatLockFile(const LockHolder& holder);
std::optional<LockHolder> parseLockFile(const QByteArray& bytes);

// A lock left by a program that no longer runs: not refreshed for longer than
// kLockStaleAfter, or made on this computer by a process that is gone.
inline constexpr std::chrono::seconds kLockStaleAfter{60};
bool lockIsStale(const LockHolder& holder, const QDateTime& nowUtc = QDateTime::currentDateTimeUtc());
// Whether a process of this computer runs.
bool processRuns(qint64 processId);

// <file>.lock
QString lockPathFor(const QString& path);
// <file>.inuse: held, and refreshed, for as long as a program has the file open.
QString presencePathFor(const QString& path);

struct LockOutcome {
    enum class Status {
        Taken,  // the lock is ours
        Busy,   // another program held it for the whole wait: holder names it
        Failed  // the lock file cannot be made (a folder that is not there, or not writable)
    };
    Status status = Status::Failed;
    std::optional<LockHolder> holder;    // Busy: who holds it (none when its file could not be read)
    std::optional<LockHolder> takenOver; // Taken: the stopped program whose lock was taken over
};

class FileLock {
public:
    // The lock file itself (lockPathFor(file) for a read-merge-write).
    explicit FileLock(QString lockPath);
    ~FileLock(); // releases
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits at most `patience` for another holder to let go; zero tries once.
    LockOutcome acquire(std::chrono::milliseconds patience = std::chrono::milliseconds(10000));
    // Writes a fresh time into a lock held for long; false when it is no
    // longer ours (another program took it over after a long pause of this one).
    bool refresh();
    // Removes the lock file if it is still ours.
    void release();
    bool held() const { return m_held; }
    const QString& path() const { return m_path; }

private:
    bool stillOurs() const;

    QString m_path;
    LockHolder m_holder;
    bool m_held = false;
};

// A whole file written (common/TextFile.h, writeFileAtomically) while its
// lock is held: for the files kept beside a roster that are written whole.
struct LockedWriteOutcome {
    enum class Status { Written, Failed, Busy };
    Status status = Status::Failed;
    std::optional<LockHolder> holder;    // Busy
    std::optional<LockHolder> takenOver; // a stopped program's lock was taken over
};
LockedWriteOutcome writeFileLocked(const QString& path, const QByteArray& bytes);

// "PC01 の tanaka さん（12月8日 10:15 から）"
QString describeHolder(const LockHolder& holder);
// The message of a lock still held by another program after the wait.
Message lockBusyMessage(const QString& file, const std::optional<LockHolder>& holder);
// A file another program has open (its presence lock), and this one works on.
Message inUseMessage(const QString& file, const LockHolder& holder);
// The note of a lock taken over from a program that stopped.
Message lockTakenOverNote(const QString& file, const LockHolder& holder);

} // namespace classdiv
