#include "conditions/CurrentCsv.h"

#include "conditions/ScoreCells.h"
#include "import/CsvFieldReader.h"
#include "import/Roster.h"

namespace classdiv {

namespace {

const QString kCsvGoneMessage = QStringLiteral(
    "ＣＳＶファイルを開けませんでした。ファイルが移動・削除されていないか確認してください。\n"
    "列の設定は変わっていません。");
const QString kCsvChangedMessage = QStringLiteral(
    "ＣＳＶファイルが、読み込んだときから変わっています（行数や生徒の並び、内容が違います）。\n"
    "列の設定は変わっていません。元のファイルに戻してから、もう一度設定してください。");

Message errorMessage(const QString& text) { return Message{text, titles::error}; }

// Every item the import took from the CSV must still stand in one column of
// the same rows; an item that was not read (all empty) proves nothing.
bool matchesStudents(const std::vector<QStringList>& rows, const Students& students, int columnCount)
{
    const auto itemOf = [&](int item, size_t r) -> const QString& {
        const StudentRecord& names = students.itemNames;
        if (r == 0)
            return item == 0 ? names.studentId : item == 1 ? names.name : item == 2 ? names.group : names.score;
        const Student& s = students[static_cast<int>(r)];
        return item == 0 ? s.id : item == 1 ? s.name : item == 2 ? s.group : s.scoreText;
    };
    for (int item = 0; item < 4; ++item) {
        bool wasRead = false;
        for (size_t r = 0; r < rows.size(); ++r)
            wasRead = wasRead || !itemOf(item, r).isEmpty();
        if (!wasRead)
            continue;
        bool found = false;
        for (int c = 0; c < columnCount && !found; ++c) {
            found = true;
            for (size_t r = 0; r < rows.size() && found; ++r)
                found = rows[r][c] == itemOf(item, r);
        }
        if (!found)
            return false;
    }
    return true;
}

} // namespace

std::vector<QString> columnOf(const CurrentCsv& csv, int16_t column)
{
    if (column < 1 || column > csv.columnCount)
        return {};
    std::vector<QString> values(csv.rows.size());
    for (size_t r = 1; r < csv.rows.size(); ++r)
        values[r] = csv.rows[r][column - 1];
    return values;
}

CurrentCsv readCurrentCsv(const Students& students)
{
    CurrentCsv csv;
    std::shared_ptr<const Roster> roster = students.roster;
    if (!roster) {
        // A year made without the import (a test's, a benchmark's): its file, read now.
        RosterRead read = readRoster(students.csvPath, students.sheetName, kCsvGoneMessage);
        if (read.message) {
            csv.message = read.message;
            return csv;
        }
        roster = std::move(read.roster);
    }
    const int lineCount = students.count() + 1;
    const int columns = roster->columnCount;
    if (int(roster->rows.size()) != lineCount || columns < 1 ||
        (roster->format == RosterFormat::Csv && roster->encoding != students.encoding) ||
        !matchesStudents(roster->rows, students, columns)) {
        csv.message = errorMessage(kCsvChangedMessage);
        return csv;
    }
    csv.columnCount = int16_t(columns);
    csv.rows = roster->rows;
    csv.phonetics = roster->phonetics;
    return csv;
}

SpreadRules spreadRulesFrom(const CurrentCsv& csv, const SpreadChoice& choice)
{
    SpreadRules rules;
    for (const RuleBox box : allRuleBoxes()) {
        const BoxShape& shape = ruleKindOf(box).shape;
        for (int16_t column : choice[box]) {
            if (column < 1 || column > csv.columnCount)
                continue;
            std::vector<QString> cells = columnOf(csv, column);
            if (shape.cells == CellsAs::Numbers) {
                cells[0] = csv.rows[0][column - 1];
                rules.numbers[box].push_back(scoreColumnFrom(cells));
            } else if (shape.most > 1) {
                rules.columns[box].push_back({csv.rows[0][column - 1], std::move(cells)});
            } else {
                rules.cells[box] = std::move(cells);
            }
        }
    }
    return rules;
}

} // namespace classdiv
