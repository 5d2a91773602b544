#include "conditions/SpreadColumns.h"

#include "common/Numbers.h"
#include "conditions/ScoreCells.h"
#include "import/ImportActions.h"

#include <QDir>

#include <algorithm>

namespace classdiv {

namespace {

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
const QString kBadColumnsMessage = QStringLiteral(
    "「%1」には、1から%2までの列の番号を半角の数字で、コンマで区切って%3つまで入力してください。\n"
    "使わないときは空欄にします。");
const QString kFewNumbersMessage = QStringLiteral(
    "「%1」の%2列目「%3」は、数の入っている生徒が%4人中%5人で、半分に足りないため、そろえられません。\n"
    "空欄や「欠席」などは平均から外しますが、半分以上の生徒に半角の数字が必要です。");
const QString kRepeatedFlagColumnMessage =
    QStringLiteral("「%1」に同じ列（%2列目）が2回入力されています。別の列を入力してください。");

// Every column the choice names, with the box that names it, in the boxes' order.
std::vector<std::pair<RuleBox, int16_t>> namedColumns(const SpreadChoice& choice)
{
    std::vector<std::pair<RuleBox, int16_t>> named;
    for (const RuleBox box : allRuleBoxes())
        for (int16_t column : choice[box])
            named.emplace_back(box, column);
    return named;
}

QString labelOf(RuleBox box)
{
    return ruleKindOf(box).label;
}

RuleTexts textsOf(const SpreadChoice& choice)
{
    RuleTexts texts;
    for (const RuleBox box : allRuleBoxes())
        texts[box] = columnsText(choice[box]);
    return texts;
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

// A box of several columns: their numbers separated by commas (half-width
// or Japanese) or blanks; nullopt when one is no column of the CSV or there
// are more than `most`.
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

// A box read into its columns; nullopt when it names no column of the CSV (or too many).
std::optional<std::vector<int16_t>> boxColumns(RuleBox box, const QString& text, int columnCount)
{
    const int most = ruleKindOf(box).shape.most;
    if (most > 1)
        return columnsFromBox(text, columnCount, static_cast<size_t>(most));
    const std::optional<int16_t> column = columnFromBox(text, columnCount);
    if (!column)
        return std::nullopt;
    return *column > 0 ? std::vector<int16_t>{*column} : std::vector<int16_t>{};
}

struct BoxRefusal {
    QString text;
    RuleBox box;
};

// The refusal of the first column of numbers where fewer than half the students have one.
std::optional<BoxRefusal> fewNumbers(const CurrentCsv& csv, const SpreadChoice& choice)
{
    const int students = static_cast<int>(csv.rows.size()) - 1;
    for (const RuleBox box : allRuleBoxes()) {
        if (ruleKindOf(box).shape.cells != CellsAs::Numbers)
            continue;
        for (int16_t column : choice[box]) {
            const int numbers = studentsWithNumber(scoreColumnFrom(columnOf(csv, column)));
            if (2 * numbers < students)
                return BoxRefusal{
                    kFewNumbersMessage.arg(labelOf(box)).arg(column).arg(csv.rows[0][column - 1]).arg(students).arg(numbers), box};
        }
    }
    return std::nullopt;
}

// A column serves one rule only: the first box that names a column named before.
std::optional<BoxRefusal> repeatedColumn(const SpreadChoice& choice)
{
    const auto named = namedColumns(choice);
    for (size_t i = 0; i < named.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (named[j].second != named[i].second)
                continue;
            if (named[i].first == named[j].first)
                return BoxRefusal{kRepeatedFlagColumnMessage.arg(labelOf(named[i].first)).arg(named[i].second), named[i].first};
            return BoxRefusal{kSameColumnMessage.arg(labelOf(named[j].first), labelOf(named[i].first)), named[i].first};
        }
    }
    return std::nullopt;
}

// Every box read into the choice; the first box that fails is named, and the focus goes to it.
std::optional<BoxRefusal> readBoxes(const CurrentCsv& csv, const RuleTexts& texts, SpreadChoice& choice)
{
    for (const RuleBox box : allRuleBoxes()) {
        const std::optional<std::vector<int16_t>> columns = boxColumns(box, texts[box], csv.columnCount);
        if (!columns) {
            const int most = ruleKindOf(box).shape.most;
            const QString text = most > 1 ? kBadColumnsMessage.arg(labelOf(box)).arg(csv.columnCount).arg(most)
                                          : kBadColumnMessage.arg(labelOf(box)).arg(csv.columnCount);
            return BoxRefusal{text, box};
        }
        choice[box] = *columns;
    }
    if (std::optional<BoxRefusal> repeated = repeatedColumn(choice))
        return repeated;
    return fewNumbers(csv, choice);
}

} // namespace

SpreadDialogView openSpreadColumns(const Students& students, const StoredChoice& stored)
{
    SpreadDialogView view;
    std::optional<SpreadChoice> choice;
    if (stored.bytes) {
        choice = parseSpreadFile(*stored.bytes);
        if (!choice)
            view.message = Message{kDamagedFileMessage.arg(QDir::toNativeSeparators(stored.path)), QString()};
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
    const bool anySet = std::any_of(texts.begin(), texts.end(), [](const QString& text) { return !text.trimmed().isEmpty(); });
    CurrentCsv csv;
    SpreadChoice choice;
    if (anySet) {
        csv = readCurrentCsv(students);
        if (csv.message) {
            outcome.message = csv.message;
            return outcome;
        }
        if (const std::optional<BoxRefusal> refusal = readBoxes(csv, texts, choice)) {
            outcome.message = Message{refusal->text, titles::reenter};
            outcome.focus = refusal->box;
            return outcome;
        }
    }

    outcome.rules = spreadRulesFrom(csv, choice);
    outcome.choice = std::move(choice);
    return outcome;
}

SpreadRules storedSpreadRules(const Students& students, const std::optional<QByteArray>& bytes)
{
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
