#include "division/rules/RuleChecks.h"

#include "division/rules/RuleKind.h"

#include <algorithm>

namespace classdiv {

namespace {

constexpr int kListedStudents = 20;

const QString kRulesMessage = QStringLiteral(
    "クラス分けの決まりの中に、守ることのできないものがあります。クラス分けは変えていません。\n"
    "ＣＳＶファイルの決まりの列を直すか、「クラス分けの決まり」(Ctrl+K) で列を選び直して下さい。\n");

} // namespace

QString studentLines(const Students& students, const std::vector<std::pair<int, QString>>& rowsAndRules)
{
    QString text;
    for (int i = 0; i < static_cast<int>(rowsAndRules.size()) && i < kListedStudents; ++i) {
        const auto& [row, rule] = rowsAndRules[i];
        text += QStringLiteral("\n%1行目　%2　%3　（%4）").arg(row + 1).arg(students[row].id, students[row].name, rule);
    }
    if (rowsAndRules.size() > size_t(kListedStudents))
        text += QStringLiteral("\nほか%1人").arg(rowsAndRules.size() - kListedStudents);
    return text;
}

std::optional<Message> checkRules(const ConditionsWorkspace& ws, const Students& students, const RuleSet& rules)
{
    const PlanView plans(ws, rules, students.count());
    RuleConflicts conflicts;
    for (const RuleKindUnit* kind : ruleKindUnits())
        kind->findConflicts(plans, conflicts);
    if (conflicts.refusal)
        return conflicts.refusal;
    if (conflicts.rows.empty())
        return std::nullopt;
    std::stable_sort(conflicts.rows.begin(), conflicts.rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return Message{kRulesMessage + studentLines(students, conflicts.rows), titles::inputMistake};
}

} // namespace classdiv
