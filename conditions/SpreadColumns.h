#pragma once
// The two extra columns of the CSV that the evening-out can follow: a marks
// column (students who share a non-empty mark go to different classes) and a
// mixing column (for example the old class, shared fairly over the new ones).
//
// The choice is kept beside the CSV in the file named by csvPath followed
// directly by "BUNKATSU.TXT" (nen1.csv -> nen1.csvBUNKATSU.TXT). Its bytes,
// exactly:
//
//     <marks column>CR LF
//     <mixing column>CR LF
//
// Each column is a decimal number 1..32767 without sign, blanks or leading
// zeros, or nothing when that column is not set; so a file with neither set
// is just CR LF CR LF. ASCII only, no byte order mark. Anything else is a
// damaged file: it is ignored and the dialog says so.

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

    bool operator==(const SpreadChoice&) const = default;
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
    QString marksText; // the stored choice, empty when not set
    QString mixText;
    QString columnsHint; // the CSV's item names with their column numbers
    std::optional<Message> message; // the stored choice or the CSV could not be used
};
SpreadDialogView openSpreadColumns(const Students& students);

// OK in the dialog: checks both boxes, reads the columns, writes the file.
struct SpreadAcceptOutcome {
    enum class Focus { None, Marks, Mix };
    std::optional<Message> message; // set: the dialog stays open and nothing changed
    Focus focus = Focus::None;
    std::optional<SpreadRules> rules; // set: accepted, the window takes these rules
};
SpreadAcceptOutcome acceptSpreadColumns(const Students& students, const QString& marksText, const QString& mixText);

// The stored choice applied when the conditions window loads; no rules,
// silently, when there is none or it cannot be used (the dialog tells why).
SpreadRules loadSpreadRules(const Students& students);

inline const QString kMarksColumnLabel = QStringLiteral("別のクラスにする印の列");
inline const QString kMixColumnLabel = QStringLiteral("均等に混ぜる列");

} // namespace classdiv
