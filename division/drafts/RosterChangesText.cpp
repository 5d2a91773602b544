#include "division/drafts/RosterChangesText.h"

#include "division/Year.h"

namespace classdiv {

TextTable rosterChangesTable(const RosterMatch& match)
{
    TextTable table;
    table.headings = {QStringLiteral("変更"), QStringLiteral("行"), QStringLiteral("識別番号"), QStringLiteral("氏名"),
                      QStringLiteral("グループ"), QStringLiteral("変わったこと")};
    for (const StudentChange& c : match.changes) {
        const QString kind = c.kind == StudentChange::Kind::Added     ? QStringLiteral("転入（追加）")
                             : c.kind == StudentChange::Kind::Removed ? QStringLiteral("転出（削除）")
                                                                      : QStringLiteral("変更");
        // A removed student's row is the one it had in the roster the drafts were kept with.
        const QString row = c.kind == StudentChange::Kind::Removed ? QStringLiteral("（前は%1）").arg(c.row + 1)
                                                                   : QString::number(c.row + 1);
        table.rows.push_back({kind, row, c.id, c.name, c.group, c.what.join(QStringLiteral("、"))});
    }
    return table;
}

QStringList rosterConsequences(const DraftBook& book, const Year& year)
{
    QStringList lines;
    if (!book.rosterChanges())
        return {QStringLiteral("名簿は案を残したときと同じです。")};
    const RosterMatch& match = *book.rosterChanges();
    lines << QStringLiteral("転入 %1人、転出 %2人、内容の変わった生徒 %3人。")
                 .arg(match.count(StudentChange::Kind::Added))
                 .arg(match.count(StudentChange::Kind::Removed))
                 .arg(match.count(StudentChange::Kind::Changed));
    for (const CarriedCounts& c : book.carriedCounts(year)) {
        QString line = QStringLiteral("案「%1」: いなくなった生徒 %2人、新しく未配置の生徒 %3人").arg(c.draft).arg(c.gone).arg(c.added);
        if (c.unplanned > 0)
            line += QStringLiteral("、今の条件にないクラスのため未配置の生徒 %1人").arg(c.unplanned);
        lines << line + QStringLiteral("。");
    }
    const QStringList groups = groupsNotAddingUp(year.workspace());
    lines << (groups.isEmpty() ? QStringLiteral("条件の振り分け人数は、どのグループも今の人数と合っています。")
                               : QStringLiteral("振り分け人数の合計が今の人数と合わないグループ: ") +
                                     groups.join(QStringLiteral("、")));
    lines << QStringLiteral("案を開くと、残っている生徒は案のクラスのまま、新しい生徒は「未配置」になります。案そのものは変わりません。");
    return lines;
}

} // namespace classdiv
