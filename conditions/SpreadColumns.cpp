#include "conditions/SpreadColumns.h"

#include "common/Numbers.h"
#include "common/TextFile.h"
#include "import/CsvFieldReader.h"
#include "import/ImportActions.h"

#include <QDir>
#include <QFile>

#include <array>

namespace classdiv {

namespace {

const QByteArray kLineEnd("\r\n");

Message errorMessage(const QString& text) { return Message{text, titles::error}; }

const QString kCsvGoneMessage = QStringLiteral(
    "ＣＳＶファイルを開けませんでした。ファイルが移動・削除されていないか確認してください。\n"
    "列の設定は変わっていません。");
const QString kCsvChangedMessage = QStringLiteral(
    "ＣＳＶファイルが、読み込んだときから変わっています（行数や生徒の並び、内容が違います）。\n"
    "列の設定は変わっていません。元のファイルに戻してから、もう一度設定してください。");
const QString kDamagedFileMessage = QStringLiteral(
    "列の設定ファイル %1 が壊れているため、使いませんでした。\n"
    "列を入力し直して「OK」を押すと、新しく保存されます。");
const QString kStaleColumnsMessage = QStringLiteral(
    "保存されていた列の設定（%1）は、今のＣＳＶファイル（%2列）にない列なので、使いませんでした。\n"
    "列を入力し直してください。");
const QString kSameColumnMessage =
    QStringLiteral("「%1」と「%2」に同じ列は指定できません。別の列を入力してください。");
const QString kBadColumnMessage = QStringLiteral(
    "「%1」には、1から%2までの列の番号を半角の数字で入力してください。\n使わないときは空欄にします。");
const QString kWriteFailedMessage = QStringLiteral(
    "列の設定ファイル %1 を保存できませんでした。"
    "フォルダに書き込みできるか、ディスクに空きがあるかを確認してください。\n"
    "列の設定は変わっていません。");

// One line of the file: empty, or a column number without sign or leading zero.
std::optional<int16_t> parseColumnLine(QByteArrayView line)
{
    if (line.isEmpty())
        return int16_t(0);
    if (line.size() > 5 || line.front() == '0')
        return std::nullopt;
    int value = 0;
    for (const char c : line) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 32767)
        return std::nullopt;
    return int16_t(value);
}

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

std::vector<QString> columnOf(const CurrentCsv& csv, int16_t column)
{
    if (column < 1 || column > csv.columnCount)
        return {};
    std::vector<QString> values(csv.rows.size());
    for (size_t r = 1; r < csv.rows.size(); ++r)
        values[r] = csv.rows[r][column - 1];
    return values;
}

QString columnText(int16_t column) { return column > 0 ? plainInteger(column) : QString(); }

// A box of the dialog read as the import window reads its column numbers:
// the half-width number at its start, 0 when there is none. Blank = not set.
std::optional<int16_t> columnFromBox(const QString& text, int columnCount)
{
    if (text.trimmed().isEmpty())
        return int16_t(0);
    const std::optional<int16_t> column = boxNumber(text);
    if (!column || *column < 1 || *column > columnCount)
        return std::nullopt;
    return column;
}

// The choice file's bytes; nullopt when there is none. A file that cannot be
// read, or is far longer than any choice, comes back as bytes no parse takes.
std::optional<QByteArray> readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("?");
    return file.read(64);
}

} // namespace

QString spreadFilePath(const QString& csvPath)
{
    return csvPath + QStringLiteral("BUNKATSU.TXT");
}

QByteArray formatSpreadFile(const SpreadChoice& choice)
{
    return columnText(choice.marksColumn).toLatin1() + kLineEnd + columnText(choice.mixColumn).toLatin1() + kLineEnd;
}

std::optional<SpreadChoice> parseSpreadFile(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    // Two lines each ended by CR LF leave three pieces, the last empty.
    if (lines.size() != 3 || !lines[2].isEmpty() || !lines[0].endsWith('\r') || !lines[1].endsWith('\r'))
        return std::nullopt;
    const auto marks = parseColumnLine(QByteArrayView(lines[0]).chopped(1));
    const auto mix = parseColumnLine(QByteArrayView(lines[1]).chopped(1));
    if (!marks || !mix)
        return std::nullopt;
    return SpreadChoice{*marks, *mix};
}

CurrentCsv readCurrentCsv(const Students& students)
{
    CurrentCsv csv;
    const LoadedFile file = loadFile(students.csvPath, kCsvGoneMessage);
    const int lineCount = students.count() + 1;
    if (!file.text) {
        csv.message = file.message;
        return csv;
    }
    const CsvShape shape = measureCsv(*file.text);
    const std::optional<ColumnCount> count = countColumns(shape);
    if (file.encoding != students.encoding || shape.rows != lineCount || !count ||
        count->columns < 1) {
        csv.message = errorMessage(kCsvChangedMessage);
        return csv;
    }

    // Rows of columnCount fields from the one stream, as the column reader
    // takes them, so row r here is row r of the student table.
    CsvFieldReader reader(*file.text);
    std::vector<QStringList> rows;
    while (!reader.atEnd()) {
        QStringList row;
        for (int p = 1; p <= count->columns; ++p) {
            std::optional<QString> field = reader.readField();
            if (!field) {
                csv.message = errorMessage(kCsvChangedMessage);
                return csv;
            }
            row.append(std::move(*field));
        }
        if (int(rows.size()) < lineCount)
            rows.push_back(std::move(row));
    }
    if (int(rows.size()) != lineCount || !matchesStudents(rows, students, count->columns)) {
        csv.message = errorMessage(kCsvChangedMessage);
        return csv;
    }
    csv.columnCount = count->columns;
    csv.rows = std::move(rows);
    return csv;
}

SpreadRules spreadRulesFrom(const CurrentCsv& csv, const SpreadChoice& choice)
{
    return SpreadRules{columnOf(csv, choice.marksColumn), columnOf(csv, choice.mixColumn)};
}

SpreadDialogView openSpreadColumns(const Students& students)
{
    SpreadDialogView view;
    const QString path = spreadFilePath(students.csvPath);
    const std::optional<QByteArray> bytes = readSmallFile(path);
    std::optional<SpreadChoice> choice;
    if (bytes) {
        choice = parseSpreadFile(*bytes);
        if (!choice)
            view.message = Message{kDamagedFileMessage.arg(QDir::toNativeSeparators(path)), QString()};
    }

    const CurrentCsv csv = readCurrentCsv(students);
    if (csv.message) {
        // The stored numbers are still shown: the teacher sees what was set.
        if (choice) {
            view.marksText = columnText(choice->marksColumn);
            view.mixText = columnText(choice->mixColumn);
        }
        view.message = csv.message;
        return view;
    }
    QStringList names;
    for (int c = 1; c <= csv.columnCount; ++c)
        names << QStringLiteral("%1 %2").arg(c).arg(csv.rows[0][c - 1]);
    view.columnsHint = names.join(QStringLiteral("　"));

    if (choice) {
        if (choice->marksColumn > csv.columnCount || choice->mixColumn > csv.columnCount) {
            QStringList stored;
            for (const int16_t column : {choice->marksColumn, choice->mixColumn})
                if (column > 0)
                    stored << QStringLiteral("%1列目").arg(column);
            view.message = Message{kStaleColumnsMessage.arg(stored.join(u'、')).arg(csv.columnCount), QString()};
        } else {
            view.marksText = columnText(choice->marksColumn);
            view.mixText = columnText(choice->mixColumn);
        }
    }
    return view;
}

SpreadAcceptOutcome acceptSpreadColumns(const Students& students, const QString& marksText, const QString& mixText)
{
    SpreadAcceptOutcome outcome;
    const bool anySet = !marksText.trimmed().isEmpty() || !mixText.trimmed().isEmpty();
    CurrentCsv csv;
    SpreadChoice choice;
    if (anySet) {
        csv = readCurrentCsv(students);
        if (csv.message) {
            outcome.message = csv.message;
            return outcome;
        }
        // The first box that fails is named, and the focus goes to it.
        auto take = [&](const QString& text, const QString& label, SpreadAcceptOutcome::Focus focus, int16_t& column) {
            const std::optional<int16_t> value = columnFromBox(text, csv.columnCount);
            if (!value) {
                outcome.message = Message{kBadColumnMessage.arg(label).arg(csv.columnCount), titles::reenter};
                outcome.focus = focus;
                return false;
            }
            column = *value;
            return true;
        };
        if (!take(marksText, kMarksColumnLabel, SpreadAcceptOutcome::Focus::Marks, choice.marksColumn) ||
            !take(mixText, kMixColumnLabel, SpreadAcceptOutcome::Focus::Mix, choice.mixColumn))
            return outcome;
        if (choice.marksColumn != 0 && choice.marksColumn == choice.mixColumn) {
            outcome.message = Message{kSameColumnMessage.arg(kMarksColumnLabel, kMixColumnLabel), titles::reenter};
            outcome.focus = SpreadAcceptOutcome::Focus::Mix;
            return outcome;
        }
    }

    const QString path = spreadFilePath(students.csvPath);
    if (writeFileAtomically(path, formatSpreadFile(choice)) != WriteStatus::Ok) {
        outcome.message = errorMessage(kWriteFailedMessage.arg(QDir::toNativeSeparators(path)));
        return outcome;
    }
    outcome.rules = spreadRulesFrom(csv, choice);
    return outcome;
}

SpreadRules loadSpreadRules(const Students& students)
{
    const QString path = spreadFilePath(students.csvPath);
    const std::optional<QByteArray> bytes = readSmallFile(path);
    const std::optional<SpreadChoice> choice = bytes ? parseSpreadFile(*bytes) : std::nullopt;
    if (!choice || *choice == SpreadChoice{})
        return {};
    const CurrentCsv csv = readCurrentCsv(students);
    if (csv.message || choice->marksColumn > csv.columnCount || choice->mixColumn > csv.columnCount)
        return {};
    return spreadRulesFrom(csv, *choice);
}

} // namespace classdiv
