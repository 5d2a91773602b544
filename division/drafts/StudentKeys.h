#pragma once
// How the drafts know a student: by the identifier column; where identifiers
// repeat (出席番号 restart in every old class), by identifier and name; only
// where that pair repeats too, or the identifier is blank, by the row. So a
// draft still fits a roster whose rows were added, removed or put in
// another order.

#include <QString>
#include <QStringList>

#include <vector>

namespace classdiv {

enum class StudentKey : char {
    Identifier = 'i',
    IdentifierAndName = 'n',
    Row = 'r',
};

// A student row as the drafts file keeps it: the four columns, every cell of
// the row (to say later what changed) and how the student is known.
struct RosterRow {
    QString id;
    QString name;
    QString group;
    QString score = {};
    QStringList cells = {}; // the roster's whole row; row 0's: the header
    StudentKey key = StudentKey::Row;
    bool operator==(const RosterRow&) const = default;
};

// Sets the key of rows 1 .. N (entry 0 is the header) and returns the rows
// that fall back to their row number.
std::vector<int> assignKeys(std::vector<RosterRow>& rows);

// The roster kept in a drafts file is the roster now: the same rows, or, for
// an earlier version's file that kept no scores nor cells, the same
// identifier, name and group row by row.
bool sameRoster(const std::vector<RosterRow>& kept, const std::vector<RosterRow>& now);

} // namespace classdiv
