#pragma once
// The school's record of students who must be kept apart, one file a school
// kept wherever the school keeps it (usually the shared folder), so that a
// separation agreed in one year still holds in the years after, whoever
// divides the classes then.
//
// UTF-8 text, one record a line, CR LF ends a line; the first line is the
// version, the last names the counts (a file cut short is known by it):
//
//   CLASSDIV-APART 1
//   entry <key> <school year> <entered> <by> <reason> <ended> <end reason> <id> <name> <id> <name> ...
//   confirm <record id> <record name> <roster id> <roster name>
//   end <entries> <confirmations>
//
// Tab-separated, texts escaped as common/TabFields.h writes them. <key> names
// an entry for good (two programs adding at once never mix theirs up);
// <entered> and <ended> are yyyy-MM-dd, <ended> empty while the entry holds.
// An entry is never deleted: it is ended, and stays.
//
// A confirm line is the teacher's word that a student of the record (as
// entered) is a student of a roster whose name or identifier differs:
// a name written another way, or a roster whose identifiers repeat (a
// 出席番号 that starts again in every class). It is kept here, not beside
// the roster, so that every colleague who loads that roster with the record
// has the same answer, and so that it follows the record when the roster is
// copied or saved under another name.

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

struct RecordStudent {
    QString id;
    QString name;
    bool operator==(const RecordStudent&) const = default;
};

struct RecordEntry {
    QString key;
    std::vector<RecordStudent> students; // two or more
    QString reason;
    int schoolYear = 0; // 年度: April to March, named by the year it starts in
    QDate entered;
    QString enteredBy;
    QDate ended; // invalid while the entry holds
    QString endReason;

    bool open() const { return !ended.isValid(); }
    bool operator==(const RecordEntry&) const = default;
};

struct RecordConfirmation {
    RecordStudent recorded; // as the entry has the student
    RecordStudent roster;   // as this roster has the student
    bool operator==(const RecordConfirmation&) const = default;
};

struct SeparationRecord {
    std::vector<RecordEntry> entries; // in the order entered
    std::vector<RecordConfirmation> confirmations;
    bool operator==(const SeparationRecord&) const = default;
};

// What the reader takes at most: beyond, the file is refused whole.
inline constexpr qint64 kMaxRecordBytes = 16 * 1024 * 1024;
inline constexpr int kMaxRecordLine = 64 * 1024;    // characters of one line
inline constexpr int kMaxRecordEntries = 100000;
inline constexpr int kMaxRecordConfirmations = 100000;
inline constexpr int kMaxEntryStudents = 50;
inline constexpr int kRecordVersion = 1;

// The school year a date falls in: April 2024 to March 2025 is 2024.
int schoolYearOf(const QDate& date);
// A key no other entry has: the time, the computer, the user and chance.
QString newEntryKey();

QByteArray formatSeparationRecord(const SeparationRecord& record);

struct RecordReadOutcome {
    enum class Status {
        Missing,    // no file yet: an empty record, written at the first entry
        Read,
        Damaged,    // a line that cannot be read, or the file cut short
        Newer,      // made by a later version of the program
        Unreadable, // there, but cannot be opened
        TooLarge,   // larger than kMaxRecordBytes
        FolderGone  // the folder itself is not there (a network drive that went away)
    };
    Status status = Status::Missing;
    SeparationRecord record; // Read (and Missing: empty)
    int line = 0;            // Damaged: the line (1 = the version line)
    QString reason;          // Damaged: why, in the message's words

    // A record that may be used, and written over.
    bool usable() const { return status == Status::Read || status == Status::Missing; }
};

// A record is used whole or not at all: a damaged line makes the whole file
// unusable, so that no entry is silently dropped and no write loses it.
// The file itself is read by files/SharedRecord.h.
RecordReadOutcome parseSeparationRecord(const QByteArray& bytes);

// The message for a record that cannot be used; nullopt for a usable one.
std::optional<QString> recordProblemText(const QString& path, const RecordReadOutcome& read);

// The changes one program makes, merged into the record as the file has it
// now: a new entry is added (once: its key), an entry ended here is ended
// there too unless another program ended it first, a confirmation is added
// once. Nothing in the file is ever taken out.
struct RecordChange {
    std::vector<RecordEntry> entries;
    std::vector<RecordConfirmation> confirmations;
};
SeparationRecord mergeRecord(SeparationRecord file, const RecordChange& change);

} // namespace classdiv
