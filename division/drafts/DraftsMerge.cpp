#include "division/drafts/DraftsMerge.h"

#include "common/TextFile.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace classdiv {

namespace {

// What never changes once a draft is kept: everything but its name.
QByteArray identity(const Draft& d)
{
    QByteArray key = d.kept.toString(Qt::ISODate).toUtf8() + '|' + QByteArray::number(d.drawNumber) + '|';
    key.append(reinterpret_cast<const char*>(d.classes.data()),
               static_cast<qsizetype>(d.classes.size() * sizeof(int16_t)));
    key += '|';
    for (const ClassSwaps::Pair& p : d.swaps)
        key += QByteArray::number(p.rowA) + '-' + QByteArray::number(p.rowB) + ',';
    return key;
}

bool sameProgram(const Draft& working, const QString& computer, const QString& user)
{
    return working.computer == computer && working.user == user;
}

} // namespace

MergedDrafts mergeDrafts(const std::vector<Draft>& base, const std::vector<Draft>& here, const std::vector<Draft>& file)
{
    QHash<QByteArray, QString> baseName;
    for (const Draft& d : base)
        baseName.insert(identity(d), d.name);
    QHash<QByteArray, const Draft*> hereByKey;
    for (const Draft& d : here)
        hereByKey.insert(identity(d), &d);

    MergedDrafts merged;
    QSet<QByteArray> taken;
    std::vector<bool> fileName; // [merged draft]: under the name the file gives it
    for (const Draft& d : file) {
        const QByteArray key = identity(d);
        if (taken.contains(key))
            continue;
        taken.insert(key);
        const auto seen = baseName.constFind(key);
        const auto mine = hereByKey.constFind(key);
        Draft kept = d;
        if (seen != baseName.cend()) {
            if (mine != hereByKey.cend()) {
                if ((*mine)->name != *seen)
                    kept.name = (*mine)->name; // renamed here
            } else if (d.name == *seen) {
                continue; // deleted here, left as it was there
            }
        }
        fileName.push_back(kept.name == d.name);
        merged.drafts.push_back(std::move(kept));
    }
    for (const Draft& d : here) {
        const QByteArray key = identity(d);
        if (taken.contains(key))
            continue;
        taken.insert(key);
        const auto seen = baseName.constFind(key);
        if (seen != baseName.cend() && d.name == *seen)
            continue; // deleted there, left as it was here
        merged.drafts.push_back(d);
        fileName.push_back(false);
    }

    // One name, one draft: the names the file gives keep their drafts; a name
    // given here that is in use meanwhile becomes the next free one.
    std::vector<Draft> named;
    for (const bool first : {true, false}) {
        for (size_t i = 0; i < merged.drafts.size(); ++i) {
            if (fileName[i] != first)
                continue;
            Draft& d = merged.drafts[i];
            const QString wanted = d.name;
            d.name = freeDraftName(named, wanted);
            if (d.name != wanted)
                merged.renamed.emplace_back(wanted, d.name);
            named.emplace_back().name = d.name;
        }
    }
    return merged;
}

namespace {

// The drafts file kept whole under one name of its own before anything is
// written over it; the last such file wins. False when it could not be.
bool setAside(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kMaxDraftsBytes + 1);
    return file.error() == QFileDevice::NoError &&
           writeFileAtomically(path + QStringLiteral(".bak"), bytes) == WriteStatus::Ok;
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
    std::optional<Draft> own = write.working;
    for (const Draft& w : there.working) {
        // A version 1 file's 「作業中」 was this program's own.
        const bool mine = sameProgram(w, write.computer, write.user) || (w.computer.isEmpty() && w.user.isEmpty());
        if (!mine)
            outcome.others.push_back(w);
        else if (!own)
            own = w;
    }
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

} // namespace classdiv
