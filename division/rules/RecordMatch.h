#pragma once
// The separation record held against this year's roster: which entries
// become keep-apart rules now, and which students the teacher must confirm
// first.
//
// A roster with a lasting student number (no identifier twice) is matched by
// identifier, the name as a check: a student whose name differs is listed,
// never taken blindly. A roster whose identifiers repeat (a 出席番号 that
// starts again in every class) is matched by name, and every such match is
// listed once; a name that two students of the roster share is never
// matched. A match the teacher confirmed (kept in the record) is taken
// without asking again. Names are compared without their blanks, half- and
// full-width, so that 「山田　太郎」 and 「山田太郎」 are one name.

#include "division/rules/RuleSet.h"
#include "division/rules/SeparationRecord.h"
#include "import/StudentTable.h"

#include <vector>

namespace classdiv {

// A student of an entry found in the roster in a way the teacher must confirm.
struct PendingMatch {
    RecordStudent recorded;
    int row = 0; // the roster's row
    RecordStudent roster;
    bool operator==(const PendingMatch&) const = default;
};

struct RecordMatch {
    bool byName = false; // the roster's identifiers repeat
    // Open entries whose students are in the roster, two or more of them, every one matched.
    std::vector<ApartEntry> applied;
    std::vector<int> appliedEntries; // beside applied: the index in the record's entries
    // Students of open entries waiting for the teacher's word (each once);
    // their entries apply once it is given.
    std::vector<PendingMatch> toConfirm;
    // Names of open entries that two or more students of the roster have: never matched.
    std::vector<RecordStudent> ambiguous;
};

RecordMatch matchRecord(const SeparationRecord& record, const Students& students);

// The question that lists the matches to confirm (up to 20, then how many more).
QString confirmMatchesText(const RecordMatch& match, const Students& students);
// The teacher's yes to every match listed, as the record keeps it.
std::vector<RecordConfirmation> confirmationsOf(const RecordMatch& match);

// 「山田太郎・佐藤花子（トラブル）」
QString entryLabel(const RecordEntry& entry);

} // namespace classdiv
