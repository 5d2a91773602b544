#include "division/drafts/DraftsMessages.h"

#include "common/FileMessages.h"
#include "division/Year.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace classdiv {

std::optional<Message> draftsReadMessage(const DraftsReadOutcome& outcome, const QString& path)
{
    const QString file = QDir::toNativeSeparators(path);
    // A file that cannot be read is never written over: what it holds may be the only copy.
    const QString untouched = QStringLiteral("このファイルは変えずにそのまま残します。このため、案はこのファイルに保存されず、"
                                             "終了すると残りません。案を保存するには、このファイルを別のフォルダに移して下さい。");
    switch (outcome.status) {
    case DraftsReadOutcome::Status::Missing:
        return std::nullopt;
    case DraftsReadOutcome::Status::Read:
        break;
    case DraftsReadOutcome::Status::Unreadable:
        return readFailedMessage(path, fileNames::drafts, untouched);
    case DraftsReadOutcome::Status::TooLarge:
        return Message{QStringLiteral("クラス分けの案のファイルが大きすぎるので読みません（%1MBまで）。\n%2\n")
                               .arg(kMaxDraftsBytes / (1024 * 1024))
                               .arg(file) +
                           untouched,
                       titles::error};
    case DraftsReadOutcome::Status::Damaged: {
        const size_t usable = outcome.content.drafts.size() + outcome.content.working.size();
        return Message{QStringLiteral("クラス分けの案のファイルの%1行目が読めません（%2）。\n%3\n%4"
                                      "壊れたファイルは、次に書き込む前に「%5」として残します（前の「%5」は置き換えます）。")
                           .arg(outcome.line)
                           .arg(outcome.reason, file,
                                usable == 0 ? QStringLiteral("読めた案はありません。")
                                            : QStringLiteral("読めた%1件の案は使えます。").arg(usable),
                                QFileInfo(path).fileName() + QStringLiteral(".bak")),
                       titles::error};
    }
    }
    if (outcome.renamed.empty())
        return std::nullopt;
    QStringList names;
    for (const auto& [from, to] : outcome.renamed)
        names << QStringLiteral("「%1」→「%2」").arg(from, to);
    return Message{QStringLiteral("クラス分けの案のファイルに同じ名前の案がありました。あとの案の名前を変えました。\n%1\n%2")
                       .arg(file, names.join(u'\n')),
                   QString()};
}

std::optional<Message> unplannedClasses(const Year& year, const Draft& draft)
{
    const ConditionsWorkspace& ws = year.workspace();
    QStringList wrong;
    int count = 0;
    constexpr int kRowsNamed = 5;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const GroupCondition& c = ws.conditions[g];
        for (int w = 1; w <= ws.groupSize[g]; ++w) {
            const int r = ws.groupStudents[g][w];
            const int number = r >= 1 && r < static_cast<int>(draft.classes.size()) ? draft.classes[r] : 0;
            bool planned = false;
            for (int k = 1; k <= c.classCount && k <= kMaxPlanRows; ++k)
                planned = planned || (number >= 1 && c.rows[k].classNumber == number);
            if (planned || number == kUnplacedClass || ++count > kRowsNamed)
                continue;
            const Student& s = year.students()[r];
            wrong << QStringLiteral("ＣＳＶファイルの%1行目 %2 %3: クラス「%4」はグループ「%5」のクラスではありません")
                         .arg(r + 1)
                         .arg(s.id, s.name)
                         .arg(number)
                         .arg(s.group);
        }
    }
    if (count == 0)
        return std::nullopt;
    if (count > kRowsNamed)
        wrong << QStringLiteral("ほか%1人").arg(count - kRowsNamed);
    return Message{QStringLiteral("案「%1」のクラスが、今の条件のクラスと合いません。クラス分けは変えていません。\n").arg(draft.name) +
                       wrong.join(u'\n'),
                   titles::inputMistake};
}


} // namespace classdiv
