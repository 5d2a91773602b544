#include "files/SharedDrafts.h"

#include "common/FileLock.h"
#include "common/TextFile.h"

#include <QFile>
#include <QFileInfo>

namespace classdiv {

DraftsReadOutcome readDraftsFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    DraftsReadOutcome refused;
    refused.status = info.isFile() && info.size() > kMaxDraftsBytes ? DraftsReadOutcome::Status::TooLarge
                                                                    : DraftsReadOutcome::Status::Unreadable;
    QFile file(path);
    if (!info.isFile() || info.size() > kMaxDraftsBytes || !file.open(QIODevice::ReadOnly))
        return refused;
    const QByteArray bytes = file.read(kMaxDraftsBytes + 1);
    if (bytes.size() > kMaxDraftsBytes)
        refused.status = DraftsReadOutcome::Status::TooLarge;
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxDraftsBytes)
        return refused;
    return parseDraftsFile(bytes);
}

namespace {

bool sameProgram(const Draft& working, const QString& computer, const QString& user)
{
    return working.computer == computer && working.user == user;
}

// A damaged file, or one of another roster, kept whole under one name of its
// own before anything is written over it; the last such file wins.
bool setAside(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kMaxDraftsBytes + 1);
    return file.error() == QFileDevice::NoError &&
           writeFileAtomically(path + QStringLiteral(".bak"), bytes) == WriteStatus::Ok;
}

// The 「作業中」 of the file: the other programs' go to outcome.others, and
// this program's own, when it wrote none now, is returned.
std::optional<Draft> takeWorking(const DraftsWrite& write, const std::vector<Draft>& there, DraftsWriteOutcome& outcome)
{
    std::optional<Draft> own = write.working;
    for (const Draft& w : there) {
        // A version 1 file's 「作業中」 was this program's own.
        const bool mine = sameProgram(w, write.computer, write.user) || (w.computer.isEmpty() && w.user.isEmpty());
        if (!mine)
            outcome.others.push_back(w);
        else if (!own)
            own = w;
    }
    return own;
}

} // namespace

DraftsWriteOutcome writeDraftsShared(const DraftsWrite& write)
{
    DraftsWriteOutcome outcome;
    FileLock lock(lockPathFor(write.path));
    const LockOutcome locked = lock.acquire();
    outcome.takenOver = locked.takenOver;
    if (locked.status == LockOutcome::Status::Busy) {
        outcome.status = DraftsWriteOutcome::Status::Busy;
        outcome.holder = locked.holder;
        return outcome;
    }
    if (locked.status == LockOutcome::Status::Failed)
        return outcome; // no lock file where the drafts file would go: the folder is not there or not writable

    const DraftsReadOutcome read = readDraftsFile(write.path);
    if (read.status == DraftsReadOutcome::Status::Unreadable || read.status == DraftsReadOutcome::Status::TooLarge) {
        outcome.status = DraftsWriteOutcome::Status::Unreadable;
        return outcome;
    }
    const bool damaged = read.status == DraftsReadOutcome::Status::Damaged;
    const bool foreign =
        read.status != DraftsReadOutcome::Status::Missing && !sameRoster(read.content.roster, write.roster);
    if (damaged || foreign) {
        if (!setAside(write.path))
            return outcome;
        outcome.setAside = true;
    }

    // A file of the roster before a change: its drafts were carried over to this one (DraftBook).
    const DraftsContent none;
    const DraftsContent& there = foreign ? none : read.content;
    MergedDrafts merged = mergeDrafts(write.base, write.here, there.drafts);
    DraftsContent content{write.roster, std::move(merged.drafts), {}};
    std::optional<Draft> own = takeWorking(write, there.working, outcome);
    content.working = outcome.others;
    if (own) {
        own->computer = write.computer;
        own->user = write.user;
        content.working.push_back(*own);
    }
    if (writeFileAtomically(write.path, formatDraftsFile(content)) != WriteStatus::Ok)
        return outcome;
    outcome.status = DraftsWriteOutcome::Status::Written;
    outcome.drafts = std::move(content.drafts);
    outcome.working = std::move(own);
    outcome.renamed = std::move(merged.renamed);
    return outcome;
}

DraftBook loadDraftBook(const Year& year, const QString& path)
{
    return DraftBook(year, path, path.isEmpty() ? DraftsReadOutcome{} : readDraftsFile(path));
}

std::optional<Message> saveDraftBook(DraftBook& book, const Year& year, const QDateTime& now)
{
    const std::optional<DraftsWrite> pending = book.prepareWrite(year, now);
    return pending ? book.finishWrite(*pending, writeDraftsShared(*pending)).message : std::nullopt;
}

} // namespace classdiv
