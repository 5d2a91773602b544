#pragma once
// The columns of the CSV that hold the teacher's rules (conditions/SpreadRules.h),
// a box of the dialog for each kind the table names (conditions/RuleKinds.h):
// marks to keep apart, a column to mix (the old class), values to keep
// together, a class each student must go to, up to four columns whose values
// are spread fairly and up to three score columns evened out.
//
// The choice is kept in a file beside the CSV (conditions/SpreadFile.h, read
// and written by files/YearFiles.h) and read from the CSV as it stands now
// (conditions/CurrentCsv.h).

#include "common/Message.h"
#include "conditions/CurrentCsv.h"
#include "conditions/RuleKinds.h"
#include "conditions/SpreadFile.h"
#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <QString>

#include <optional>

namespace classdiv {

// The texts of the dialog's boxes; a box of several columns separates them by commas.
using RuleTexts = PerBox<QString>;

// What the dialog shows when it opens.
struct SpreadDialogView {
    RuleTexts texts;     // the stored choice, each box empty when not set
    QString columnsHint; // the CSV's item names with their column numbers
    std::optional<Message> message; // the stored choice or the CSV could not be used
};
// The rules file as it was found: its path (for the messages) and its
// bytes, nullopt when there is none.
struct StoredChoice {
    QString path;
    std::optional<QByteArray> bytes;
};
SpreadDialogView openSpreadColumns(const Students& students, const StoredChoice& stored);

// OK in the dialog: checks every box and reads the columns; the choice is
// then to be stored, and the rules taken once it is.
struct SpreadAcceptOutcome {
    std::optional<Message> message;   // set: the dialog stays open and nothing changed
    std::optional<RuleBox> focus;     // the box the message is about
    std::optional<SpreadRules> rules; // set: accepted, the window takes these rules
    SpreadChoice choice;              // with rules: what the rules file is to hold
};
SpreadAcceptOutcome acceptSpreadColumns(const Students& students, const RuleTexts& texts);

// The stored choice (the rules file's bytes) applied when the conditions
// window loads; no rules, silently, when there is none or it cannot be used
// (the dialog tells why).
SpreadRules storedSpreadRules(const Students& students, const std::optional<QByteArray>& bytes);

} // namespace classdiv
