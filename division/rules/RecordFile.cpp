#include "division/rules/RecordFile.h"

#include "common/FileMessages.h"
#include "common/TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace classdiv {

RecordWriteOutcome writeRecordShared(const QString& path, const RecordChange& change, std::chrono::milliseconds patience)
{
    RecordWriteOutcome outcome;
    if (!QFileInfo(path).dir().exists()) {
        outcome.status = RecordWriteOutcome::Status::FolderGone;
        return outcome;
    }
    FileLock lock(lockPathFor(path));
    const LockOutcome locked = lock.acquire(patience);
    outcome.takenOver = locked.takenOver;
    if (locked.status == LockOutcome::Status::Busy) {
        outcome.status = RecordWriteOutcome::Status::Busy;
        outcome.holder = locked.holder;
        return outcome;
    }
    if (locked.status == LockOutcome::Status::Failed)
        return outcome;
    outcome.read = readSeparationRecord(path);
    if (!outcome.read.usable()) {
        outcome.status = outcome.read.status == RecordReadOutcome::Status::FolderGone ? RecordWriteOutcome::Status::FolderGone
                                                                                     : RecordWriteOutcome::Status::Unusable;
        return outcome;
    }
    SeparationRecord merged = mergeRecord(std::move(outcome.read.record), change);
    if (writeFileAtomically(path, formatSeparationRecord(merged)) != WriteStatus::Ok)
        return outcome;
    outcome.status = RecordWriteOutcome::Status::Written;
    outcome.record = std::move(merged);
    return outcome;
}

std::optional<QString> recordWriteProblemText(const QString& path, const RecordWriteOutcome& outcome)
{
    switch (outcome.status) {
    case RecordWriteOutcome::Status::Written:
        return std::nullopt;
    case RecordWriteOutcome::Status::Busy:
        return lockBusyMessage(path, outcome.holder).text;
    case RecordWriteOutcome::Status::Unusable:
    case RecordWriteOutcome::Status::FolderGone: {
        RecordReadOutcome read = outcome.read;
        if (outcome.status == RecordWriteOutcome::Status::FolderGone)
            read.status = RecordReadOutcome::Status::FolderGone;
        return QStringLiteral("記録は書き込まれていません。") + recordProblemText(path, read).value_or(QString());
    }
    case RecordWriteOutcome::Status::Failed:
        break;
    }
    return writeFailedMessage(path, fileNames::record, QStringLiteral("記録は書き込まれていません。")).text;
}

} // namespace classdiv
