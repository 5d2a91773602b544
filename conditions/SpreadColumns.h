#pragma once
// The columns of the CSV that hold the teacher's rules (conditions/SpreadRules.h):
// marks to keep apart, a column to mix (the old class), values to keep
// together, a class each student must go to, and up to four columns whose
// values are spread fairly.
//
// The choice is kept beside the CSV in the file named by csvPath followed
// directly by "BUNKATSU.TXT" (nen1.csv -> nen1.csvBUNKATSU.TXT). Its bytes,
// exactly:
//
//     <marks column>CR LF
//     <mixing column>CR LF
//
// and, when any of the later three is set, three lines more:
//
//     <together column>CR LF
//     <fixed class column>CR LF
//     <flag column>,<flag column>...CR LF
//
// and, when score columns are evened beside the main score, a sixth line:
//
//     <score column>,<score column>...CR LF   (at most three)
//
// Each column is a decimal number 1..32767 without sign, blanks or leading
// zeros, or nothing when that column is not set; so a file with none set is
// just CR LF CR LF, and a file of an earlier version, which had the first two
// lines only (or the five lines of a later one), reads as before. ASCII only, no byte order mark. Anything else
// is a damaged file: it is ignored and the dialog says so.

#include "common/Message.h"
#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace classdiv {

// Column numbers counted from 1; 0 = not set.
struct SpreadChoice {
    int16_t marksColumn = 0;
    int16_t mixColumn = 0;
    int16_t togetherColumn = 0;
    int16_t fixedColumn = 0;
    std::vector<int16_t> flagColumns = {}; // in order of priority, at most kMaxFlagColumns
    std::vector<int16_t> scoreColumns = {}; // evened beside the main score, at most kMaxScoreColumns

    bool operator==(const SpreadChoice&) const = default;
};

// The dialog's boxes, in their Tab order, and their texts.
enum class RuleBox { Marks, Mix, Together, Fixed, Flags, Scores };
struct RuleTexts {
    QString marks = {};
    QString mix = {};
    QString together = {};
    QString fixed = {};
    QString flags = {}; // column numbers separated by commas
    QString scores = {}; // column numbers separated by commas
    bool operator==(const RuleTexts&) const = default;
};

// csvPath followed directly by "BUNKATSU.TXT".
QString spreadFilePath(const QString& csvPath);

QByteArray formatSpreadFile(const SpreadChoice& choice);
// nullopt: not a file this program wrote (the format above).
std::optional<SpreadChoice> parseSpreadFile(const QByteArray& bytes);

// The CSV as it stands now, split into rows the way the column reader splits
// it, each row checked against the students read from it.
struct CurrentCsv {
    std::optional<Message> message; // set: the file cannot be used, nothing else is set
    int16_t columnCount = 0;
    std::vector<QStringList> rows; // rows 0 .. lineCount - 1, columnCount fields each
};
CurrentCsv readCurrentCsv(const Students& students);

// Column `choice` of rows 1 .. N of the CSV into the rules; an unset column
// leaves its vector empty.
SpreadRules spreadRulesFrom(const CurrentCsv& csv, const SpreadChoice& choice);

// What the dialog shows when it opens.
struct SpreadDialogView {
    RuleTexts texts;     // the stored choice, each box empty when not set
    QString columnsHint; // the CSV's item names with their column numbers
    std::optional<Message> message; // the stored choice or the CSV could not be used
};
SpreadDialogView openSpreadColumns(const Students& students);

// OK in the dialog: checks every box, reads the columns, writes the file.
struct SpreadAcceptOutcome {
    std::optional<Message> message;   // set: the dialog stays open and nothing changed
    std::optional<RuleBox> focus;     // the box the message is about
    std::optional<SpreadRules> rules; // set: accepted, the window takes these rules
};
SpreadAcceptOutcome acceptSpreadColumns(const Students& students, const RuleTexts& texts);

// The stored choice applied when the conditions window loads; no rules,
// silently, when there is none or it cannot be used (the dialog tells why).
SpreadRules loadSpreadRules(const Students& students);

inline const QString kMarksColumnLabel = QStringLiteral("別のクラスにする印の列");
inline const QString kMixColumnLabel = QStringLiteral("均等に混ぜる列");
inline const QString kTogetherColumnLabel = QStringLiteral("同じクラスにする印の列");
inline const QString kFixedColumnLabel = QStringLiteral("クラスを指定する列");
inline const QString kFlagColumnsLabel = QStringLiteral("均等に散らす列");
inline const QString kScoreColumnsLabel = QStringLiteral("ほかにそろえる点数の列");

} // namespace classdiv
