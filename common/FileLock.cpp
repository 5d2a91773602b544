#include "common/FileLock.h"

#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <QSysInfo>

#include <thread>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace classdiv {

namespace {

const QByteArray kVersionLine = "CLASSDIV-LOCK 1";
const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz'Z'");

enum class Created { Yes, Exists, Failed };

// The file made only if no file of that name is there, in one step the file
// server decides: never two holders.
Created createNew(const QString& path, const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A lock file being deleted by its holder refuses access until its last handle closes.
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED ||
                       error == ERROR_SHARING_VIOLATION
                   ? Created::Exists
                   : Created::Failed;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == static_cast<DWORD>(bytes.size());
    CloseHandle(file);
#else
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EEXIST ? Created::Exists : Created::Failed;
    const bool ok = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    ::close(fd);
#endif
    if (!ok) {
        QFile::remove(path);
        return Created::Failed;
    }
    return Created::Yes;
}

// Windows refuses to remove a file another program has open for a moment
// (reading the lock to see who holds it): try again briefly.
bool removeFile(const QString& path)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (QFile::remove(path) || !QFileInfo::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

QByteArray readLockBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

// A lock file that cannot be read (made a moment ago and not yet written, or
// spoiled) is stale only when its file is older than a stale lock.
bool unreadableLockIsStale(const QString& path, const QDateTime& nowUtc)
{
    const QFileInfo info(path);
    return info.exists() && info.lastModified().toUTC().secsTo(nowUtc) > kLockStaleAfter.count();
}

// Only one program at a time removes a stopped program's lock, through a
// second lock file; the lock is removed only if it is still the very one
// found stopped, so a fresh lock taken meanwhile is never removed.
bool removeStaleLock(const QString& path, const QByteArray& found)
{
    const QString guard = path + QStringLiteral(".takeover");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (createNew(guard, formatLockFile(thisProgram(now))) != Created::Yes) {
        // A program that stopped in the middle of a takeover leaves its guard behind.
        if (unreadableLockIsStale(guard, now))
            QFile::remove(guard);
        return false;
    }
    const bool same = readLockBytes(path) == found;
    const bool removed = same && removeFile(path);
    removeFile(guard);
    return removed;
}

QString userName()
{
#ifdef Q_OS_WIN
    QString name = qEnvironmentVariable("USERNAME");
#else
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    if (name.isEmpty())
        if (const passwd* entry = getpwuid(getuid()))
            name = QString::fromLocal8Bit(entry->pw_name);
#endif
    return name.isEmpty() ? QStringLiteral("?") : name;
}

// A name on one line of the file.
QString oneLine(QString text)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    return text.left(200);
}

} // namespace

QString thisComputer()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("?") : oneLine(name);
}

LockHolder thisProgram(const QDateTime& nowUtc)
{
#ifdef Q_OS_WIN
    const qint64 process = static_cast<qint64>(GetCurrentProcessId());
#else
    const qint64 process = static_cast<qint64>(getpid());
#endif
    return LockHolder{thisComputer(), oneLine(userName()), process, nowUtc, nowUtc};
}

QByteArray formatLockFile(const LockHolder& h)
{
    return kVersionLine + "\r\ncomputer\t" + h.computer.toUtf8() + "\r\nuser\t" + h.user.toUtf8() + "\r\nprocess\t" +
           QByteArray::number(h.processId) + "\r\nsince\t" + h.since.toUTC().toString(kTimeFormat).toUtf8() +
           "\r\nrefreshed\t" + h.refreshed.toUTC().toString(kTimeFormat).toUtf8() + "\r\n";
}

std::optional<LockHolder> parseLockFile(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 7 || !lines.last().isEmpty())
        return std::nullopt;
    const char* keys[] = {"computer", "user", "process", "since", "refreshed"};
    QStringList values;
    for (int i = 0; i < 6; ++i) {
        QByteArray line = lines[i];
        if (!line.endsWith('\r'))
            return std::nullopt;
        line.chop(1);
        if (i == 0) {
            if (line != kVersionLine)
                return std::nullopt;
            continue;
        }
        const QByteArray key = QByteArray(keys[i - 1]) + '\t';
        if (!line.startsWith(key))
            return std::nullopt;
        values << QString::fromUtf8(line.mid(key.size()));
    }
    bool ok = false;
    LockHolder holder{values[0], values[1], values[2].toLongLong(&ok), {}, {}};
    holder.since = QDateTime::fromString(values[3], kTimeFormat);
    holder.refreshed = QDateTime::fromString(values[4], kTimeFormat);
    if (!ok || !holder.since.isValid() || !holder.refreshed.isValid())
        return std::nullopt;
    holder.since.setTimeSpec(Qt::UTC);
    holder.refreshed.setTimeSpec(Qt::UTC);
    return holder;
}

bool processRuns(qint64 processId)
{
    if (processId <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process; anything else: it is there
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
#else
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
#endif
}

bool lockIsStale(const LockHolder& holder, const QDateTime& nowUtc)
{
    if (holder.refreshed.secsTo(nowUtc) > kLockStaleAfter.count())
        return true;
    const bool here = QString::compare(holder.computer, thisComputer(), Qt::CaseInsensitive) == 0;
    return here && !processRuns(holder.processId);
}

QString lockPathFor(const QString& path)
{
    return path + QStringLiteral(".lock");
}

QString presencePathFor(const QString& path)
{
    return path + QStringLiteral(".inuse");
}

FileLock::FileLock(QString lockPath) : m_path(std::move(lockPath)) {}

FileLock::~FileLock() { release(); }

LockOutcome FileLock::acquire(std::chrono::milliseconds patience)
{
    LockOutcome outcome;
    if (m_held) {
        outcome.status = LockOutcome::Status::Taken;
        return outcome;
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    int absent = 0; // tries refused with no lock file there: a folder Windows will not let us write
    for (;;) {
        m_holder = thisProgram();
        switch (createNew(m_path, formatLockFile(m_holder))) {
        case Created::Yes:
            m_held = true;
            outcome.status = LockOutcome::Status::Taken;
            outcome.holder.reset();
            return outcome;
        case Created::Failed:
            outcome.status = LockOutcome::Status::Failed;
            return outcome;
        case Created::Exists:
            break;
        }
        absent = QFileInfo::exists(m_path) ? 0 : absent + 1;
        if (absent >= 20) {
            outcome.status = LockOutcome::Status::Failed;
            return outcome;
        }
        const QByteArray found = readLockBytes(m_path);
        outcome.holder = parseLockFile(found);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const bool stale = outcome.holder ? lockIsStale(*outcome.holder, now) : unreadableLockIsStale(m_path, now);
        if (stale && removeStaleLock(m_path, found)) {
            if (outcome.holder)
                outcome.takenOver = outcome.holder;
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            outcome.status = LockOutcome::Status::Busy;
            return outcome;
        }
        // Short, uneven pauses: waiting programs do not all try at the same moment.
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + QRandomGenerator::global()->bounded(20)));
    }
}

bool FileLock::stillOurs() const
{
    const std::optional<LockHolder> found = parseLockFile(readLockBytes(m_path));
    return found && found->computer == m_holder.computer && found->processId == m_holder.processId &&
           found->since == m_holder.since;
}

bool FileLock::refresh()
{
    if (!m_held)
        return false;
    if (!stillOurs()) {
        m_held = false;
        return false;
    }
    LockHolder fresh = m_holder;
    fresh.refreshed = QDateTime::currentDateTimeUtc();
    // The whole new text replaces the old at once, never a half-written lock.
    if (writeFileAtomically(m_path, formatLockFile(fresh)) == WriteStatus::Ok)
        m_holder = fresh;
    return true;
}

void FileLock::release()
{
    if (!m_held)
        return;
    m_held = false;
    if (stillOurs())
        removeFile(m_path);
}

LockedWriteOutcome writeFileLocked(const QString& path, const QByteArray& bytes)
{
    LockedWriteOutcome outcome;
    FileLock lock(lockPathFor(path));
    const LockOutcome locked = lock.acquire();
    outcome.takenOver = locked.takenOver;
    if (locked.status == LockOutcome::Status::Busy) {
        outcome.status = LockedWriteOutcome::Status::Busy;
        outcome.holder = locked.holder;
    } else if (locked.status == LockOutcome::Status::Taken && writeFileAtomically(path, bytes) == WriteStatus::Ok) {
        outcome.status = LockedWriteOutcome::Status::Written;
    }
    return outcome;
}

QString describeHolder(const LockHolder& holder)
{
    return QStringLiteral("%1 の %2 さん（%3 から）")
        .arg(holder.computer, holder.user, holder.since.toLocalTime().toString(QStringLiteral("M月d日 H:mm")));
}

Message lockBusyMessage(const QString& file, const std::optional<LockHolder>& holder)
{
    return Message{QStringLiteral("%1\nは、ほかのプログラム（%2）が書き込み中のため、今は保存できません。"
                                  "少し待ってから、もう一度やってみて下さい。画面の内容はそのまま残っています。")
                       .arg(QDir::toNativeSeparators(file),
                            holder ? describeHolder(*holder) : QStringLiteral("だれのものか読めません")),
                   titles::error};
}

Message inUseMessage(const QString& file, const LockHolder& holder)
{
    return Message{QStringLiteral("%1\nは、ほかのプログラム（%2）でも開かれています。\n"
                                  "このまま続けられます。残した案は、どちらのものも消さずに同じファイルにまとめて保存します"
                                  "（作業中はそれぞれのパソコンと名前で別々に残ります）。"
                                  "条件や決まりは、あとで保存した方の内容になります。")
                       .arg(QDir::toNativeSeparators(file), describeHolder(holder)),
                   QString()};
}

Message lockTakenOverNote(const QString& file, const LockHolder& holder)
{
    return Message{QStringLiteral("%1\nを書き込み中のまま止まったプログラム（%2）の鍵が残っていたので、外して保存しました。"
                                  "そのプログラムが最後に保存しかけていた内容は、入っていないことがあります。")
                       .arg(QDir::toNativeSeparators(file), describeHolder(holder)),
                   QString()};
}

} // namespace classdiv
