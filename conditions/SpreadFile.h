#pragma once
// The file that keeps the teacher's choice of rule columns
// (conditions/SpreadColumns.h) beside the CSV: its name, its bytes written
// and read back.
//
// The choice is kept beside the CSV in the file named by csvPath followed
// directly by "BUNKATSU.TXT" (nen1.csv -> nen1.csvBUNKATSU.TXT; the name and
// the reading and writing of it: files/YearFiles.h). Its bytes, exactly:
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

#include "conditions/SpreadRules.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

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

QByteArray formatSpreadFile(const SpreadChoice& choice);
// nullopt: not a file this program wrote (the format above).
std::optional<SpreadChoice> parseSpreadFile(const QByteArray& bytes);

// A column as the file and the dialog write it: its number, nothing when not set.
QString columnText(int16_t column);
// Columns joined by commas.
QString columnsText(const std::vector<int16_t>& columns);

} // namespace classdiv
