#pragma once
// A roster that changed since the drafts were kept: students added (転入),
// removed (転出) and changed (a score, a group, a name, a column of the
// rules corrected), matched by how the drafts know them
// (division/drafts/StudentKeys.h), and the drafts carried over to it: every
// student still there keeps the draft's class, a new one stays unplaced.

#include "conditions/GroupTable.h"
#include "division/drafts/DraftsFile.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace classdiv {

struct StudentChange {
    enum class Kind { Removed, Added, Changed };
    Kind kind = Kind::Changed;
    int row = 0; // the row of the roster now (Added, Changed) or of the roster kept (Removed), from 1
    QString id;
    QString name;
    QString group;
    QStringList what; // Changed: 「成績 60→65」, 「グループ 音→書」, 「氏名 …→…」, 「<列の名前> …→…」
    bool operator==(const StudentChange&) const = default;
};

struct RosterMatch {
    std::vector<int> nowRowOf;  // [row kept] → the row now; 0: no longer in the roster
    std::vector<int> keptRowOf; // [row now] → the row kept; 0: new
    std::vector<StudentChange> changes; // the removed, the added, then the changed, each by row
    std::vector<int> rowsByRow; // rows now of students known only by their row (for the one message)
    int count(StudentChange::Kind kind) const;
};

// Matches the students of the roster kept in the drafts file with those of
// the roster now. Rows 0 hold the headers (a column that changed is named by
// its header; an earlier version's file kept none, and no scores).
RosterMatch matchRosters(const std::vector<RosterRow>& kept, const std::vector<RosterRow>& now);

// A draft of the kept roster on the roster now: the kept class of every
// student still there, kUnplacedClass for the new; the hand swaps of
// students still there, the others left out.
Draft carriedDraft(const Draft& draft, const RosterMatch& match);

// Leaves unplaced every student whose class is not one of its group's planned
// classes (its group changed, a class went); the number of them.
int unplaceUnplanned(const ConditionsWorkspace& ws, std::vector<int16_t>& classes);

// What a draft carried over brings: its students gone, the new ones unplaced,
// and those whose kept class the conditions no longer plan for their group.
struct CarriedCounts {
    QString draft; // its name
    int gone = 0;
    int added = 0;
    int unplanned = 0;
};
CarriedCounts carriedCounts(const Draft& kept, const RosterMatch& match, const ConditionsWorkspace& ws);

// The groups whose head counts no longer add up to their students: 「音（41人、振り分けは40人）」.
QStringList groupsNotAddingUp(const ConditionsWorkspace& ws);

// The one message for students known by their row: the rows named.
QString rowsByRowText(const std::vector<int>& rows);

} // namespace classdiv
