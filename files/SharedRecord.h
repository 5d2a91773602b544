#pragma once
// The separation record's file on disk (division/rules/SeparationRecord.h
// holds its format and the record in memory): read whole, and written by one
// program safely on a shared folder: the lock beside the file
// (common/FileLock.h) is taken, the file read again, this program's change
// merged into what it holds now (another teacher's entry of a moment ago
// included), the whole written through a temporary file and a rename, and
// the lock let go. A file that cannot be read is never written over.

#include "common/FileLock.h"
#include "division/rules/SeparationRecord.h"

#include <QString>

#include <chrono>
#include <optional>

namespace classdiv {

// The record as the file at path holds it; the folder gone, a file that
// cannot be opened or is too large, each said by the outcome's status.
RecordReadOutcome readSeparationRecord(const QString& path);

struct RecordWriteOutcome {
    enum class Status {
        Written,
        Busy,      // another program held the lock for the whole wait
        Unusable,  // the file there cannot be read (read says why): left as it is
        FolderGone,// the record's folder is not there
        Failed     // the lock or the file could not be written
    };
    Status status = Status::Failed;
    SeparationRecord record;             // Written: the record as the file now holds it
    RecordReadOutcome read;              // Unusable: what the reader found
    std::optional<LockHolder> holder;    // Busy
    std::optional<LockHolder> takenOver; // a stopped program's lock was taken over
};

RecordWriteOutcome writeRecordShared(const QString& path, const RecordChange& change,
                                     std::chrono::milliseconds patience = std::chrono::milliseconds(10000));

// The message of a write that did not happen; nullopt when written.
std::optional<QString> recordWriteProblemText(const QString& path, const RecordWriteOutcome& outcome);

} // namespace classdiv
