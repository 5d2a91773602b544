// A separation record of arbitrary bytes: it is read whole or not at all
// (nothing of an unusable file is kept), every entry read has two students or
// more, the file written from what was read reads again the same, and the
// entries matched against a roster made of their own students name rows of it.

#include "division/rules/RecordMatch.h"
#include "division/rules/SeparationRecord.h"
#include "support/Years.h"

using namespace classdiv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const RecordReadOutcome read = parseSeparationRecord(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    if (!read.usable() && (!read.record.entries.empty() || !read.record.confirmations.empty()))
        __builtin_trap();
    if (read.status == RecordReadOutcome::Status::Damaged && read.reason.isEmpty())
        __builtin_trap();
    for (const RecordEntry& e : read.record.entries)
        if (e.students.size() < 2 || e.students.size() > size_t(kMaxEntryStudents) || e.key.isEmpty() || !e.entered.isValid())
            __builtin_trap();
    if (read.status != RecordReadOutcome::Status::Read)
        return 0;
    const RecordReadOutcome again = parseSeparationRecord(formatSeparationRecord(read.record));
    if (again.status != RecordReadOutcome::Status::Read || !(again.record == read.record))
        __builtin_trap();

    // A roster of the record's own students (at most a year's worth).
    std::vector<StudentRecord> records;
    for (const RecordEntry& e : read.record.entries)
        for (const RecordStudent& s : e.students)
            if (records.size() < 500)
                records.push_back({s.id, s.name, "A", "50"});
    const Students students = testing::studentsOf(records);
    const RecordMatch match = matchRecord(read.record, students);
    for (const ApartEntry& a : match.applied) {
        if (a.rows.size() < 2)
            __builtin_trap();
        for (int row : a.rows)
            if (row < 1 || row > students.count())
                __builtin_trap();
    }
    for (const PendingMatch& p : match.toConfirm)
        if (p.row < 1 || p.row > students.count())
            __builtin_trap();
    (void)confirmMatchesText(match, students);
    return 0;
}
