#include "export/ResultRead.h"

#include "common/FileKinds.h"
#include "common/FileMessages.h"
#include "common/Numbers.h"
#include "common/TextFile.h"
#include "division/Year.h"
#include "import/CsvFieldReader.h"
#include "import/ImportActions.h"
#include "import/Workbook.h"

#include <QDir>

#include <QHash>

#include <algorithm>
#include <map>

namespace classdiv {

namespace {

QString unreadableText(const QString& path)
{
    return readFailedMessage(path, fileNames::result).text;
}

} // namespace

ResultRows readResultRows(const QString& path)
{
    if (!isWorkbookName(path))
        return readResultCsvRows(path);
    // The sheet the program writes the result CSV's rows into.
    LoadedSheet loaded = loadSheet(path, QStringLiteral("全員"), unreadableText(path));
    ResultRows result;
    result.rows = std::move(loaded.sheet.rows);
    result.failure = std::move(loaded.message);
    // The import's advice (back to 項目名確認) is not for a result read back.
    if (loaded.sheet.status == WorkbookStatus::NoSheet)
        result.failure = Message{QStringLiteral("このブックにはシート「全員」がありません。\n%1\n"
                                                "このソフトで保存した結果のブック（.xlsx）を選んでください。")
                                     .arg(QDir::toNativeSeparators(path)),
                                 titles::error};
    return result;
}

ResultRows readResultCsvRows(const QString& path)
{
    ResultRows result;
    const TextFileContent content = readTextFile(path);
    if (content.status != ReadStatus::Ok) {
        result.failure = Message{unreadableText(path), titles::error};
        return result;
    }
    // The result file doubles a quote inside a text, as the spreadsheet that saved it again does.
    CsvFieldReader reader(content.text, QuoteRule::Doubled);
    QStringList row;
    while (const std::optional<QString> field = reader.readField()) {
        row << *field;
        if (reader.endedRow() || reader.atEnd()) {
            result.rows.push_back(std::move(row));
            row.clear();
        }
    }
    return result;
}

namespace {

// Whether a row of the file is this student's: the identifier as the result
// CSV writes it (its numeric value) or as the roster holds it (the result
// workbook keeps the text), and the name.
bool sameStudent(const Student& student, const QStringList& cells)
{
    return cells.size() >= 3 && (cells[1] == fileNumber(textValue(student.id), 15) || cells[1] == student.id) &&
           cells[2] == student.name;
}

// The same, and the group and score too where the row has them: what tells
// apart two students of the same identifier and name in rows put in another order.
bool sameStudentWhole(const Student& student, const QStringList& cells)
{
    return sameStudent(student, cells) && (cells.size() < 4 || cells[3] == student.group) &&
           (cells.size() < 5 || cells[4] == fileNumber(student.score, 15));
}

// Each student's row of the file, by position (the file as saved), or -1.
std::vector<int> rowsInPlace(const Students& students, const std::vector<QStringList>& rows)
{
    std::vector<int> rowOf(size_t(students.count()) + 1, -1);
    for (int r = 1; r <= students.count() && r < int(rows.size()); ++r)
        if (sameStudent(students[r], rows[size_t(r)]))
            rowOf[size_t(r)] = r;
    return rowOf;
}

// Each student's row found anywhere in the file (rows sorted by 新組 in a
// spreadsheet), every row taken once, or -1.
std::vector<int> rowsAnywhere(const Students& students, const std::vector<QStringList>& rows)
{
    QHash<QString, std::vector<int>> byName;
    for (int i = 1; i < int(rows.size()); ++i)
        if (rows[size_t(i)].size() >= 3)
            byName[rows[size_t(i)][2]].push_back(i);
    std::vector<bool> taken(rows.size(), false);
    std::vector<int> rowOf(size_t(students.count()) + 1, -1);
    for (int r = 1; r <= students.count(); ++r) {
        for (const int i : byName.value(students[r].name)) {
            if (!taken[size_t(i)] && sameStudentWhole(students[r], rows[size_t(i)])) {
                taken[size_t(i)] = true;
                rowOf[size_t(r)] = i;
                break;
            }
        }
    }
    return rowOf;
}

qsizetype found(const std::vector<int>& rowOf)
{
    return std::count_if(rowOf.begin() + 1, rowOf.end(), [](int i) { return i >= 0; });
}

// Where each student's row is: in place, or, for rows only put in another
// order (sorted by a column in a spreadsheet), wherever it is found, when
// more students are found so.
struct RowMatch {
    std::vector<int> rowOf;
    bool reordered = false;
};

RowMatch matchRows(const Students& students, const std::vector<QStringList>& rows)
{
    RowMatch match{rowsInPlace(students, rows), false};
    if (found(match.rowOf) < students.count()) {
        std::vector<int> anywhere = rowsAnywhere(students, rows);
        if (found(anywhere) > found(match.rowOf))
            match = {std::move(anywhere), true};
    }
    return match;
}

// The class of a student's row when it is one of its group's plan; nullopt else.
std::optional<int16_t> plannedClass(const ConditionsWorkspace& ws, const std::map<QString, int>& groupOf,
                                    const QString& group, const QString& cell)
{
    bool ok = false;
    const int c = cell.trimmed().toInt(&ok);
    const auto g = groupOf.find(group);
    if (!ok || c < 1 || g == groupOf.end())
        return std::nullopt;
    const GroupCondition& condition = ws.conditions[static_cast<size_t>(g->second)];
    for (int k = 1; k <= condition.classCount && k <= kMaxPlanRows; ++k)
        if (condition.rows[k].classNumber == c)
            return static_cast<int16_t>(c);
    return std::nullopt;
}

// The classes of the rows found, and why the others cannot be taken ("%1行目 ...").
struct TakenRows {
    Draft draft;
    QStringList wrong;
    int wrongCount = 0;
};

TakenRows takeRows(const Year& year, const std::vector<QStringList>& rows, const RowMatch& match)
{
    const Students& students = year.students();
    std::map<QString, int> groupOf;
    for (int g = 1; g < static_cast<int>(year.workspace().groupName.size()); ++g)
        groupOf[year.workspace().groupName[g]] = g;
    TakenRows taken;
    taken.draft.classes.assign(static_cast<size_t>(students.count()) + 1, 0);
    for (int r = 1; r <= students.count(); ++r) {
        const Student& student = students[r];
        const int at = match.rowOf[size_t(r)];
        const QStringList cells = at >= 0 ? rows[size_t(at)] : r < int(rows.size()) ? rows[size_t(r)] : QStringList();
        QString reason;
        if (cells.size() < 3 || (match.reordered && at < 0)) {
            reason = QStringLiteral("結果のファイルにこの行がありません");
        } else if (at < 0) {
            reason = QStringLiteral("結果のファイルでは「%1 %2」").arg(cells[1], cells[2]);
        } else if (const std::optional<int16_t> c = plannedClass(year.workspace(), groupOf, student.group, cells[0])) {
            taken.draft.classes[r] = *c;
        } else {
            reason = QStringLiteral("クラス「%1」はグループ「%2」のクラスではありません").arg(cells[0], student.group);
        }
        if (!reason.isEmpty() && ++taken.wrongCount <= kResultRowsNamed)
            taken.wrong << QStringLiteral("%1行目 %2 %3: %4").arg(r + 1).arg(student.id, student.name, reason);
    }
    return taken;
}

} // namespace

ResultDraftOutcome draftFromResultRows(const Year& year, const std::vector<QStringList>& rows, const QString& name)
{
    if (rows.empty() || rows.front().isEmpty() || rows.front().front() != QStringLiteral("新組"))
        return {std::nullopt, Message{QStringLiteral("このファイルは、このソフトで保存した結果のファイルではありません"
                                                     "（１行目の最初が「新組」ではありません）。案は作っていません。"),
                                      titles::inputMistake}};

    const RowMatch match = matchRows(year.students(), rows);
    TakenRows taken = takeRows(year, rows, match);
    if (taken.wrongCount == 0) {
        taken.draft.name = name;
        ResultDraftOutcome outcome{std::move(taken.draft), std::nullopt};
        if (match.reordered)
            outcome.note = Message{QStringLiteral("結果のファイルの行は名簿と順番が違っていたので、識別番号・氏名・"
                                                  "グループ・成績で名簿の生徒と合わせて読みました（どの生徒の行もありました）。"),
                                   QString()};
        return outcome;
    }
    if (taken.wrongCount > kResultRowsNamed)
        taken.wrong << QStringLiteral("ほか%1人").arg(taken.wrongCount - kResultRowsNamed);
    const QString heading =
        match.reordered ? QStringLiteral("結果のファイルの行は名簿と順番が違います。並べ替えてあっても読めますが、"
                                         "次の生徒の行（識別番号・氏名・グループ・成績の合う行）が見つかりません。"
                                         "案は作っていません。\n")
                        : QStringLiteral("結果のファイルが、今のＣＳＶファイルと条件に合いません。案は作っていません。\n");
    return {std::nullopt, Message{heading + taken.wrong.join(u'\n'), titles::inputMistake}};
}

} // namespace classdiv
