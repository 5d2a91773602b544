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
// A box of the dialog keeps its columns on the line the table of rule kinds
// gives it (conditions/RuleKinds.h); a line after the sixth is written when
// its box or a later one is set.
//
// Each column is a decimal number 1..32767 without sign, blanks or leading
// zeros, or nothing when that column is not set; so a file with none set is
// just CR LF CR LF, and a file of an earlier version, which had the first two
// lines only (or the five lines of a later one), reads as before. ASCII only, no byte order mark. Anything else
// is a damaged file: it is ignored and the dialog says so.

#include "conditions/RuleKinds.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

// The columns each box names, counted from 1, in the box's order (of
// priority, for the flag columns); none when the box is not set, at most its
// shape's `most`.
using SpreadChoice = PerBox<std::vector<int16_t>>;

QByteArray formatSpreadFile(const SpreadChoice& choice);
// nullopt: not a file this program wrote (the format above).
std::optional<SpreadChoice> parseSpreadFile(const QByteArray& bytes);

// A column as the file and the dialog write it: its number, nothing when not set.
QString columnText(int16_t column);
// Columns joined by commas.
QString columnsText(const std::vector<int16_t>& columns);

} // namespace classdiv
