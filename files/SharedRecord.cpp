#include "files/SharedRecord.h"

#include "common/FileMessages.h"
#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace classdiv {

RecordReadOutcome readSeparationRecord(const QString& path)
{
    RecordReadOutcome outcome;
    const QFileInfo info(path);
    if (!info.dir().exists()) {
        outcome.status = RecordReadOutcome::Status::FolderGone;
        return outcome;
    }
    if (!info.exists())
        return outcome; // Missing
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        outcome.status = RecordReadOutcome::Status::Unreadable;
        return outcome;
    }
    if (file.size() > kMaxRecordBytes) {
        outcome.status = RecordReadOutcome::Status::TooLarge;
        return outcome;
    }
    const QByteArray bytes = file.read(kMaxRecordBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        outcome.status = RecordReadOutcome::Status::Unreadable;
        return outcome;
    }
    return parseSeparationRecord(bytes);
}

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
