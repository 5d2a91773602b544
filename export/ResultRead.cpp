#include "export/ResultRead.h"

#include "common/FileKinds.h"
#include "common/FileMessages.h"
#include "common/Numbers.h"
#include "common/TextFile.h"
#include "division/Year.h"
#include "division/drafts/RosterChanges.h"
#include "division/draw/Division.h"
#include "import/CsvFieldReader.h"
#include "import/ImportActions.h"
#include "import/Workbook.h"

#include <QDir>

#include <QHash>
#include <QSet>

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

// The file's student rows as the drafts file keeps a roster (entry 0 the
// heading), so they are matched to the roster now by the same keys:
// identifier, name and group. fileRow holds each entry's row of the file.
struct FileRoster {
    std::vector<RosterRow> roster{RosterRow{}};
    std::vector<int> fileRow{0};
};

FileRoster fileRoster(const std::vector<QStringList>& rows)
{
    FileRoster file;
    for (int i = 1; i < int(rows.size()); ++i) {
        const QStringList& cells = rows[size_t(i)];
        if (cells.size() == 1 && cells[0] == QStringLiteral("分布表"))
            break; // the result CSV's distribution table follows the students
        if (cells.size() < 3)
            continue; // no student's row (an empty line at the end)
        file.roster.push_back({cells[1], cells[2], cells.size() > 3 ? cells[3] : QString()});
        file.fileRow.push_back(i);
    }
    assignKeys(file.roster);
    return file;
}

// The roster now, keyed as the file writes identifiers: the result CSV
// writes each as its numeric value ("1-1" as 1), the result workbook keeps
// the roster's text. Whichever finds more of the file's identifiers is taken.
std::vector<RosterRow> rosterAsWritten(const Students& students, const FileRoster& file)
{
    std::vector<RosterRow> now = rosterOf(students);
    QSet<QString> asText, asNumber;
    for (size_t r = 1; r < now.size(); ++r) {
        asText.insert(now[r].id);
        asNumber.insert(fileNumber(textValue(now[r].id), 15));
    }
    qsizetype text = 0, number = 0;
    for (size_t i = 1; i < file.roster.size(); ++i) {
        text += asText.contains(file.roster[i].id);
        number += asNumber.contains(file.roster[i].id);
    }
    if (number > text) {
        for (size_t r = 1; r < now.size(); ++r)
            now[r].id = fileNumber(textValue(now[r].id), 15);
        assignKeys(now);
    }
    return now;
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

// The classes of the rows matched; the students left unplaced and why, and
// the rows whose class cannot be taken ("%1行目 ...").
struct TakenRows {
    Draft draft;
    int added = 0;     // no row in the file: new since it was saved
    int regrouped = 0; // in another group now, the file's class not of it
    QStringList renamed;
    QStringList wrong;
    int wrongCount = 0;
};

QString studentLine(int r, const Student& student, const QString& what)
{
    return QStringLiteral("%1行目 %2 %3: %4").arg(r + 1).arg(student.id, student.name, what);
}

TakenRows takeRows(const Year& year, const std::vector<QStringList>& rows, const FileRoster& file, const RosterMatch& match)
{
    const Students& students = year.students();
    std::map<QString, int> groupOf;
    for (int g = 1; g < static_cast<int>(year.workspace().groupName.size()); ++g)
        groupOf[year.workspace().groupName[g]] = g;
    TakenRows taken;
    taken.draft.classes.assign(static_cast<size_t>(students.count()) + 1, kUnplacedClass);
    for (int r = 1; r <= students.count(); ++r) {
        const Student& student = students[r];
        const int k = match.keptRowOf[size_t(r)];
        if (k == 0) {
            ++taken.added;
            continue;
        }
        const QStringList& cells = rows[size_t(file.fileRow[size_t(k)])];
        if (cells[2] != student.name && taken.renamed.size() < kResultRowsNamed)
            taken.renamed << studentLine(r, student, QStringLiteral("結果のファイルでは「%1」").arg(cells[2]));
        if (const std::optional<int16_t> c = plannedClass(year.workspace(), groupOf, student.group, cells[0])) {
            taken.draft.classes[size_t(r)] = *c;
        } else if (cells.size() > 3 && cells[3] != student.group) {
            ++taken.regrouped;
        } else if (++taken.wrongCount <= kResultRowsNamed) {
            taken.wrong << studentLine(r, student, QStringLiteral("クラス「%1」はグループ「%2」のクラスではありません")
                                                       .arg(cells[0], student.group));
        }
    }
    return taken;
}

// What the reading did beyond taking every row in place: rows in another
// order, students added or gone since the file was saved, names that differ,
// students known by their row only.
std::optional<Message> readingNote(const TakenRows& taken, const FileRoster& file, const RosterMatch& match)
{
    const int gone = match.count(StudentChange::Kind::Removed);
    bool reordered = false;
    for (size_t r = 1; r < match.keptRowOf.size(); ++r)
        reordered = reordered || (match.keptRowOf[r] > 0 && file.fileRow[size_t(match.keptRowOf[r])] != int(r));
    if (!reordered && gone == 0 && taken.added == 0 && taken.regrouped == 0 && taken.renamed.isEmpty())
        return std::nullopt;
    QStringList lines;
    if (gone == 0 && taken.added == 0)
        lines << QStringLiteral("結果のファイルの行は名簿と順番が違っていたので、識別番号と氏名で名簿の生徒と合わせて読みました"
                                "（どの生徒の行もありました）。");
    else
        lines << QStringLiteral("結果のファイルを保存した後に名簿が変わっています。識別番号と氏名で今の名簿の生徒と合わせて読みました。");
    if (taken.added > 0)
        lines << QStringLiteral("結果のファイルにない生徒%1人（名簿に加わった生徒）は「未配置」にしました。").arg(taken.added);
    if (gone > 0)
        lines << QStringLiteral("今の名簿にない生徒%1人の行は読み飛ばしました。").arg(gone);
    if (taken.regrouped > 0)
        lines << QStringLiteral("グループが変わり、結果のクラスがそのグループのクラスでない生徒%1人は「未配置」にしました。")
                     .arg(taken.regrouped);
    if (!taken.renamed.isEmpty())
        lines << QStringLiteral("識別番号が同じで氏名が違う生徒がいます（識別番号で合わせました）。\n") + taken.renamed.join(u'\n');
    if (!match.rowsByRow.empty())
        lines << rowsByRowText(match.rowsByRow);
    return Message{lines.join(u'\n'), QString()};
}

} // namespace

ResultDraftOutcome draftFromResultRows(const Year& year, const std::vector<QStringList>& rows, const QString& name)
{
    if (rows.empty() || rows.front().isEmpty() || rows.front().front() != QStringLiteral("新組"))
        return {std::nullopt, Message{QStringLiteral("このファイルは、このソフトで保存した結果のファイルではありません"
                                                     "（１行目の最初が「新組」ではありません）。案は作っていません。"),
                                      titles::inputMistake},
                std::nullopt};

    const FileRoster file = fileRoster(rows);
    const RosterMatch match = matchRosters(file.roster, rosterAsWritten(year.students(), file));
    TakenRows taken = takeRows(year, rows, file, match);
    if (year.students().count() > 0 && taken.added == year.students().count())
        return {std::nullopt, Message{QStringLiteral("結果のファイルの生徒が、今の名簿に一人もいません（識別番号と氏名で合わせました）。"
                                                     "案は作っていません。"),
                                      titles::inputMistake},
                std::nullopt};
    if (taken.wrongCount == 0) {
        std::optional<Message> note = readingNote(taken, file, match);
        taken.draft.name = name;
        return {std::move(taken.draft), std::nullopt, std::move(note)};
    }
    if (taken.wrongCount > kResultRowsNamed)
        taken.wrong << QStringLiteral("ほか%1人").arg(taken.wrongCount - kResultRowsNamed);
    const QString heading = QStringLiteral("結果のファイルが、今のＣＳＶファイルと条件に合いません。案は作っていません。\n");
    return {std::nullopt, Message{heading + taken.wrong.join(u'\n'), titles::inputMistake}, std::nullopt};
}

} // namespace classdiv
