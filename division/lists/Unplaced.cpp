#include "division/lists/Unplaced.h"

#include "division/draw/Division.h"
#include "division/lists/ClassRoster.h"

#include <QStringList>

#include <map>

namespace classdiv {

std::vector<int> unplacedRows(const std::vector<int16_t>& classes)
{
    std::vector<int> rows;
    for (size_t r = 1; r < classes.size(); ++r)
        if (classes[r] == kUnplacedClass)
            rows.push_back(int(r));
    return rows;
}

std::vector<HeadCountGap> headCountGaps(const ConditionsWorkspace& ws, const std::vector<int16_t>& classes)
{
    std::map<int, HeadCountGap> byClass;
    for (int g = 1; g <= ws.groupCount() && g < int(ws.conditions.size()); ++g) {
        const GroupCondition& c = ws.conditions[size_t(g)];
        for (int k = 1; k <= c.classCount && k <= kMaxPlanRows; ++k) {
            HeadCountGap& gap = byClass[c.rows[size_t(k)].classNumber];
            gap.classNumber = c.rows[size_t(k)].classNumber;
            gap.planned += c.rows[size_t(k)].headCount;
        }
    }
    for (size_t r = 1; r < classes.size(); ++r) {
        if (classes[r] == kUnplacedClass)
            continue;
        HeadCountGap& gap = byClass[classes[r]];
        gap.classNumber = classes[r];
        ++gap.placed;
    }
    std::vector<HeadCountGap> gaps;
    for (const auto& [number, gap] : byClass)
        if (gap.placed != gap.planned)
            gaps.push_back(gap);
    return gaps;
}

QString unplacedNote(const ConditionsWorkspace& ws, const std::vector<int16_t>& classes)
{
    QStringList parts;
    if (const size_t waiting = unplacedRows(classes).size(); waiting > 0)
        parts << QStringLiteral("%1 %2人").arg(kUnplacedLabel).arg(waiting);
    QStringList gaps;
    for (const HeadCountGap& gap : headCountGaps(ws, classes))
        gaps << QStringLiteral("%1 %2/%3人").arg(classLabel(gap.classNumber)).arg(gap.placed).arg(gap.planned);
    if (!gaps.isEmpty())
        parts << QStringLiteral("人数が条件と違うクラス: ") + gaps.join(QStringLiteral("、"));
    return parts.join(QStringLiteral("　"));
}

std::optional<Message> unplacedSaveRefusal(const Students& students, const std::vector<int16_t>& classes)
{
    const std::vector<int> rows = unplacedRows(classes);
    if (rows.empty())
        return std::nullopt;
    constexpr size_t kNamed = 5;
    QStringList named;
    for (size_t i = 0; i < rows.size() && i < kNamed; ++i)
        named << QStringLiteral("ＣＳＶファイルの%1行目 %2 %3").arg(rows[i] + 1).arg(students[rows[i]].id, students[rows[i]].name);
    if (rows.size() > kNamed)
        named << QStringLiteral("ほか%1人").arg(rows.size() - kNamed);
    return Message{QStringLiteral("クラスの決まっていない（%1の）生徒が%2人いるので、保存しませんでした。\n"
                                  "クラス名簿で入れ替えるか、クラス分けをし直してから保存して下さい。\n%3")
                       .arg(kUnplacedLabel)
                       .arg(rows.size())
                       .arg(named.join(u'\n')),
                   titles::inputMistake};
}

} // namespace classdiv
