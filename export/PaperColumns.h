#pragma once
// The roster's columns as the printed papers offer them (the meeting sheets
// and the student cards): every column of the roster file, each known for
// what it holds — the identifier, the name, the group, the score, a rule's
// column, a score evened beside the main one, or any other column (a note,
// a club). The file is read again as it stands; when it no longer holds the
// students read at the import, only the year's own columns are offered and
// a message says why.

#include "common/Message.h"
#include "conditions/CurrentCsv.h"
#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace classdiv {

enum class PaperColumnKind { Identifier, Name, Group, Score, Rule, Other };

struct PaperColumn {
    QString heading;
    PaperColumnKind kind = PaperColumnKind::Other;
    bool score = false;          // a score (the main one or one evened beside it): it may be left out of a paper
    std::vector<QString> cells;  // [row 1 .. N], entry 0 unused
};

struct PaperColumns {
    std::vector<PaperColumn> columns;
    // Positions in columns, -1 when the roster has none.
    int identifier = -1;
    int name = -1;
    int group = -1;
    int mix = -1; // the rules' mixing column (the old class, usually)
    std::optional<Message> message; // the file could not be read again: the year's own columns only

    int count() const { return static_cast<int>(columns.size()); }
    QString cell(int column, int row) const;
    QStringList headings() const;
};

// From the roster file read again now (or, when it cannot be, from the year).
PaperColumns paperColumns(const Students& students, const SpreadRules& rules);
// From a file already read; an unusable one gives the year's own columns and its message.
PaperColumns paperColumns(const Students& students, const SpreadRules& rules, const CurrentCsv& csv);

// The columns a paper prints unless the teacher chooses others, in the roster's order:
// the cards: identifier, name, group and the rules' columns;
std::vector<int> defaultCardColumns(const PaperColumns& columns);
// the meeting sheets: name, group, score and the rules' columns, as the class lists show them.
std::vector<int> defaultSheetColumns(const PaperColumns& columns);
// The identifier and the name are on every card whatever is chosen.
bool alwaysOnCard(const PaperColumns& columns, int column);

inline const QString kOwnColumnsMessage = QStringLiteral(
    "名簿のファイルを読み直せなかったので、読み込んだ項目（識別番号・氏名・グループ・成績）と決まりの列だけを選べます。");

} // namespace classdiv
