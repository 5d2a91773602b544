#include "conditions/SpreadColumns.h"

#include "common/Numbers.h"
#include "common/TextFile.h"
#include "conditions/ScoreCells.h"
#include "import/CsvFieldReader.h"
#include "import/ImportActions.h"

#include <QDir>
#include <QFile>

#include <array>
#include <tuple>

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
const QString kBadFlagColumnsMessage = QStringLiteral(
    "「%1」には、1から%2までの列の番号を半角の数字で、コンマで区切って4つまで入力してください。\n"
    "使わないときは空欄にします。");
const QString kBadScoreColumnsMessage = QStringLiteral(
    "「%1」には、1から%2までの列の番号を半角の数字で、コンマで区切って3つまで入力してください。\n"
    "使わないときは空欄にします。");
const QString kFewNumbersMessage = QStringLiteral(
    "「%1」の%2列目「%3」は、数の入っている生徒が%4人中%5人で、半分に足りないため、そろえられません。\n"
    "空欄や「欠席」などは平均から外しますが、半分以上の生徒に半角の数字が必要です。");
const QString kRepeatedFlagColumnMessage =
    QStringLiteral("「%1」に同じ列（%2列目）が2回入力されています。別の列を入力してください。");
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

QString columnsText(const std::vector<int16_t>& columns, QChar separator)
{
    QStringList texts;
    for (int16_t column : columns)
        texts << columnText(column);
    return texts.join(separator);
}

// Every column the choice names, with the box that names it, in the boxes' order.
std::vector<std::pair<RuleBox, int16_t>> namedColumns(const SpreadChoice& choice)
{
    std::vector<std::pair<RuleBox, int16_t>> named;
    for (const auto& [box, column] : {std::pair{RuleBox::Marks, choice.marksColumn}, std::pair{RuleBox::Mix, choice.mixColumn},
                                      std::pair{RuleBox::Together, choice.togetherColumn},
                                      std::pair{RuleBox::Fixed, choice.fixedColumn}})
        if (column > 0)
            named.emplace_back(box, column);
    for (int16_t column : choice.flagColumns)
        named.emplace_back(RuleBox::Flags, column);
    for (int16_t column : choice.scoreColumns)
        named.emplace_back(RuleBox::Scores, column);
    return named;
}

QString labelOf(RuleBox box)
{
    switch (box) {
    case RuleBox::Marks:
        return kMarksColumnLabel;
    case RuleBox::Mix:
        return kMixColumnLabel;
    case RuleBox::Together:
        return kTogetherColumnLabel;
    case RuleBox::Fixed:
        return kFixedColumnLabel;
    case RuleBox::Flags:
        return kFlagColumnsLabel;
    case RuleBox::Scores:
        return kScoreColumnsLabel;
    }
    return {};
}

RuleTexts textsOf(const SpreadChoice& choice)
{
    return {columnText(choice.marksColumn), columnText(choice.mixColumn), columnText(choice.togetherColumn),
            columnText(choice.fixedColumn), columnsText(choice.flagColumns, u','), columnsText(choice.scoreColumns, u',')};
}

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

// The flag box and the score box: column numbers separated by commas
// (half-width or Japanese) or blanks; nullopt when one is no column of the
// CSV or there are more than `most`.
std::optional<std::vector<int16_t>> columnsFromBox(const QString& text, int columnCount, size_t most)
{
    std::vector<int16_t> columns;
    for (const QString& part : QString(text).replace(u'、', u',').replace(u'，', u',').split(u',')) {
        if (part.trimmed().isEmpty())
            continue;
        const std::optional<int16_t> column = columnFromBox(part, columnCount);
        if (!column || columns.size() == most)
            return std::nullopt;
        columns.push_back(*column);
    }
    return columns;
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
    return file.read(128);
}

// The refusal of the first score column where fewer than half the students have a number.
std::optional<QString> fewNumbers(const CurrentCsv& csv, const SpreadChoice& choice)
{
    const int students = static_cast<int>(csv.rows.size()) - 1;
    for (int16_t column : choice.scoreColumns) {
        std::vector<QString> cells = columnOf(csv, column);
        const int numbers = studentsWithNumber(scoreColumnFrom(cells));
        if (2 * numbers < students)
            return kFewNumbersMessage.arg(kScoreColumnsLabel).arg(column).arg(csv.rows[0][column - 1]).arg(students).arg(numbers);
    }
    return std::nullopt;
}

} // namespace

QString spreadFilePath(const QString& csvPath)
{
    return csvPath + QStringLiteral("BUNKATSU.TXT");
}

QByteArray formatSpreadFile(const SpreadChoice& choice)
{
    QByteArray bytes = columnText(choice.marksColumn).toLatin1() + kLineEnd + columnText(choice.mixColumn).toLatin1() + kLineEnd;
    // Only the two lines of earlier versions while the later rules are not used.
    const bool scores = !choice.scoreColumns.empty();
    if (choice.togetherColumn > 0 || choice.fixedColumn > 0 || !choice.flagColumns.empty() || scores)
        bytes += columnText(choice.togetherColumn).toLatin1() + kLineEnd + columnText(choice.fixedColumn).toLatin1() +
                 kLineEnd + columnsText(choice.flagColumns, u',').toLatin1() + kLineEnd;
    if (scores)
        bytes += columnsText(choice.scoreColumns, u',').toLatin1() + kLineEnd;
    return bytes;
}

std::optional<SpreadChoice> parseSpreadFile(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    // Two, five or six lines each ended by CR LF leave three, six or seven pieces, the last empty.
    if ((lines.size() != 3 && lines.size() != 6 && lines.size() != 7) || !lines.last().isEmpty())
        return std::nullopt;
    std::array<std::vector<int16_t>, 6> columns;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].endsWith('\r'))
            return std::nullopt;
        const QByteArrayView line = QByteArrayView(lines[i]).chopped(1);
        const bool list = i >= 4;
        const QList<QByteArray> items = list ? line.toByteArray().split(',') : QList<QByteArray>{line.toByteArray()};
        if (items.size() > (i == 5 ? kMaxScoreColumns : kMaxFlagColumns))
            return std::nullopt;
        for (const QByteArray& item : items) {
            const std::optional<int16_t> column = parseColumnLine(item);
            if (!column || (list && items.size() > 1 && *column == 0))
                return std::nullopt;
            if (*column > 0 || !list)
                columns[size_t(i)].push_back(*column);
        }
    }
    SpreadChoice choice{columns[0][0], columns[1][0]};
    if (lines.size() >= 6) {
        choice.togetherColumn = columns[2][0];
        choice.fixedColumn = columns[3][0];
        choice.flagColumns = columns[4];
        choice.scoreColumns = columns[5];
    }
    return choice;
}

CurrentCsv readCurrentCsv(const Students& students)
{
    CurrentCsv csv;
    const int lineCount = students.count() + 1;
    if (isWorkbookName(students.csvPath)) {
        // The sheet read at the import, its rows as wide as its widest.
        LoadedSheet loaded = loadSheet(students.csvPath, students.sheetName, kCsvGoneMessage);
        if (loaded.message) {
            csv.message = loaded.message;
            return csv;
        }
        std::vector<QStringList>& rows = loaded.sheet.rows;
        const int columns = rows.empty() ? 0 : int(rows.front().size());
        if (int(rows.size()) != lineCount || columns < 1 || !matchesStudents(rows, students, columns)) {
            csv.message = errorMessage(kCsvChangedMessage);
            return csv;
        }
        csv.columnCount = int16_t(columns);
        csv.rows = std::move(rows);
        return csv;
    }
    const LoadedFile file = loadFile(students.csvPath, kCsvGoneMessage);
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
    SpreadRules rules{columnOf(csv, choice.marksColumn), columnOf(csv, choice.mixColumn),
                      columnOf(csv, choice.togetherColumn), columnOf(csv, choice.fixedColumn), {}};
    for (int16_t column : choice.flagColumns)
        if (column >= 1 && column <= csv.columnCount)
            rules.flags.push_back({csv.rows[0][column - 1], columnOf(csv, column)});
    for (int16_t column : choice.scoreColumns)
        if (column >= 1 && column <= csv.columnCount) {
            std::vector<QString> cells = columnOf(csv, column);
            cells[0] = csv.rows[0][column - 1];
            rules.scores.push_back(scoreColumnFrom(cells));
        }
    return rules;
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
        if (choice)
            view.texts = textsOf(*choice);
        view.message = csv.message;
        return view;
    }
    QStringList names;
    for (int c = 1; c <= csv.columnCount; ++c)
        names << QStringLiteral("%1\u00A0%2").arg(c).arg(csv.rows[0][c - 1]); // a number stays on its name's line
    view.columnsHint = names.join(QStringLiteral("　"));

    if (choice) {
        QStringList stale;
        for (const auto& [box, column] : namedColumns(*choice))
            if (column > csv.columnCount)
                stale << QStringLiteral("%1列目").arg(column);
        if (!stale.isEmpty())
            view.message = Message{kStaleColumnsMessage.arg(stale.join(u'、')).arg(csv.columnCount), QString()};
        else
            view.texts = textsOf(*choice);
    }
    return view;
}

SpreadAcceptOutcome acceptSpreadColumns(const Students& students, const RuleTexts& texts)
{
    SpreadAcceptOutcome outcome;
    const bool anySet =
        !(texts.marks + texts.mix + texts.together + texts.fixed + texts.flags + texts.scores).trimmed().isEmpty();
    CurrentCsv csv;
    SpreadChoice choice;
    if (anySet) {
        csv = readCurrentCsv(students);
        if (csv.message) {
            outcome.message = csv.message;
            return outcome;
        }
        const auto refuse = [&](const QString& text, RuleBox box) {
            outcome.message = Message{text, titles::reenter};
            outcome.focus = box;
            return outcome;
        };
        // The first box that fails is named, and the focus goes to it.
        for (const auto& [box, text, column] :
             {std::tuple{RuleBox::Marks, &texts.marks, &choice.marksColumn}, std::tuple{RuleBox::Mix, &texts.mix, &choice.mixColumn},
              std::tuple{RuleBox::Together, &texts.together, &choice.togetherColumn},
              std::tuple{RuleBox::Fixed, &texts.fixed, &choice.fixedColumn}}) {
            const std::optional<int16_t> value = columnFromBox(*text, csv.columnCount);
            if (!value)
                return refuse(kBadColumnMessage.arg(labelOf(box)).arg(csv.columnCount), box);
            *column = *value;
        }
        const std::optional<std::vector<int16_t>> flags = columnsFromBox(texts.flags, csv.columnCount, kMaxFlagColumns);
        if (!flags)
            return refuse(kBadFlagColumnsMessage.arg(kFlagColumnsLabel).arg(csv.columnCount), RuleBox::Flags);
        choice.flagColumns = *flags;
        const std::optional<std::vector<int16_t>> scores = columnsFromBox(texts.scores, csv.columnCount, kMaxScoreColumns);
        if (!scores)
            return refuse(kBadScoreColumnsMessage.arg(kScoreColumnsLabel).arg(csv.columnCount), RuleBox::Scores);
        choice.scoreColumns = *scores;
        // A column serves one rule only.
        const auto named = namedColumns(choice);
        for (size_t i = 0; i < named.size(); ++i) {
            for (size_t j = 0; j < i; ++j) {
                if (named[j].second != named[i].second)
                    continue;
                if (named[i].first == named[j].first)
                    return refuse(kRepeatedFlagColumnMessage.arg(labelOf(named[i].first)).arg(named[i].second), named[i].first);
                return refuse(kSameColumnMessage.arg(labelOf(named[j].first), labelOf(named[i].first)), named[i].first);
            }
        }
        if (const std::optional<QString> few = fewNumbers(csv, choice))
            return refuse(*few, RuleBox::Scores);
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
    if (csv.message)
        return {};
    for (const auto& [box, column] : namedColumns(*choice))
        if (column > csv.columnCount)
            return {};
    return spreadRulesFrom(csv, *choice);
}

} // namespace classdiv
