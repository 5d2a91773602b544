#include "conditions/SpreadColumns.h"

#include "common/Numbers.h"
#include "conditions/ScoreCells.h"
#include "import/ImportActions.h"

#include <QDir>

#include <array>
#include <tuple>

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
    return ruleKindOf(box).label;
}

RuleTexts textsOf(const SpreadChoice& choice)
{
    return {columnText(choice.marksColumn), columnText(choice.mixColumn), columnText(choice.togetherColumn),
            columnText(choice.fixedColumn), columnsText(choice.flagColumns), columnsText(choice.scoreColumns)};
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

struct BoxRefusal {
    QString text;
    RuleBox box;
};

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
    for (const auto& [box, text, column] :
         {std::tuple{RuleBox::Marks, &texts.marks, &choice.marksColumn}, std::tuple{RuleBox::Mix, &texts.mix, &choice.mixColumn},
          std::tuple{RuleBox::Together, &texts.together, &choice.togetherColumn},
          std::tuple{RuleBox::Fixed, &texts.fixed, &choice.fixedColumn}}) {
        const std::optional<int16_t> value = columnFromBox(*text, csv.columnCount);
        if (!value)
            return BoxRefusal{kBadColumnMessage.arg(labelOf(box)).arg(csv.columnCount), box};
        *column = *value;
    }
    const std::optional<std::vector<int16_t>> flags = columnsFromBox(texts.flags, csv.columnCount, kMaxFlagColumns);
    if (!flags)
        return BoxRefusal{kBadFlagColumnsMessage.arg(kFlagColumnsLabel).arg(csv.columnCount), RuleBox::Flags};
    choice.flagColumns = *flags;
    const std::optional<std::vector<int16_t>> scores = columnsFromBox(texts.scores, csv.columnCount, kMaxScoreColumns);
    if (!scores)
        return BoxRefusal{kBadScoreColumnsMessage.arg(kScoreColumnsLabel).arg(csv.columnCount), RuleBox::Scores};
    choice.scoreColumns = *scores;
    if (std::optional<BoxRefusal> repeated = repeatedColumn(choice))
        return repeated;
    if (const std::optional<QString> few = fewNumbers(csv, choice))
        return BoxRefusal{*few, RuleBox::Scores};
    return std::nullopt;
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
