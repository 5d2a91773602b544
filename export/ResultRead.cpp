#include "export/ResultRead.h"

#include "common/Numbers.h"
#include "common/TextFile.h"
#include "division/Year.h"
#include "import/CsvFieldReader.h"
#include "import/ImportActions.h"
#include "import/Workbook.h"

#include <QDir>

#include <map>

namespace classdiv {

namespace {

QString unreadableText(const QString& path)
{
    return QStringLiteral("結果のファイルを読めません。\n%1").arg(QDir::toNativeSeparators(path));
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
    CsvFieldReader reader(content.text);
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

ResultDraftOutcome draftFromResultRows(const Year& year, const std::vector<QStringList>& rows, const QString& name)
{
    const Students& students = year.students();
    const ConditionsWorkspace& ws = year.workspace();
    std::map<QString, int> groupOf;
    for (int g = 1; g < static_cast<int>(ws.groupName.size()); ++g)
        groupOf[ws.groupName[g]] = g;

    if (rows.empty() || rows.front().isEmpty() || rows.front().front() != QStringLiteral("新組"))
        return {std::nullopt, Message{QStringLiteral("このファイルは、このソフトで保存した結果のファイルではありません"
                                                     "（１行目の最初が「新組」ではありません）。案は作っていません。"),
                                      titles::inputMistake}};

    Draft draft;
    draft.name = name;
    draft.classes.assign(static_cast<size_t>(students.count()) + 1, 0);
    QStringList wrong;
    int wrongCount = 0;
    for (int r = 1; r <= students.count(); ++r) {
        const Student& student = students[r];
        const QStringList cells = r < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(r)] : QStringList();
        QString reason;
        if (cells.size() < 3) {
            reason = QStringLiteral("結果のファイルにこの行がありません");
        } else if ((cells[1] != fileNumber(textValue(student.id), 15) && cells[1] != student.id) ||
                   cells[2] != student.name) {
            // The result CSV writes an identifier's numeric value, the result workbook its text.
            reason = QStringLiteral("結果のファイルでは「%1 %2」").arg(cells[1], cells[2]);
        } else {
            bool ok = false;
            const int c = cells[0].trimmed().toInt(&ok);
            const auto g = groupOf.find(student.group);
            bool planned = false;
            if (ok && g != groupOf.end()) {
                const GroupCondition& condition = ws.conditions[static_cast<size_t>(g->second)];
                for (int k = 1; k <= condition.classCount && k <= kMaxPlanRows; ++k)
                    planned = planned || (c >= 1 && condition.rows[k].classNumber == c);
            }
            if (planned)
                draft.classes[r] = static_cast<int16_t>(c);
            else
                reason = QStringLiteral("クラス「%1」はグループ「%2」のクラスではありません").arg(cells[0], student.group);
        }
        if (reason.isEmpty())
            continue;
        if (++wrongCount <= kResultRowsNamed)
            wrong << QStringLiteral("%1行目 %2 %3: %4").arg(r + 1).arg(student.id, student.name, reason);
    }
    if (wrongCount == 0)
        return {std::move(draft), std::nullopt};
    if (wrongCount > kResultRowsNamed)
        wrong << QStringLiteral("ほか%1人").arg(wrongCount - kResultRowsNamed);
    return {std::nullopt,
            Message{QStringLiteral("結果のファイルが、今のＣＳＶファイルと条件に合いません。案は作っていません。\n") +
                        wrong.join(u'\n'),
                    titles::inputMistake}};
}

} // namespace classdiv
