#include "division/rules/RuleKind.h"

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

namespace classdiv {

namespace {

// The unit of every kind, in the order of RuleKind.
template <size_t... k>
std::array<const RuleKindUnit*, kRuleKindCount> everyUnit(std::index_sequence<k...>)
{
    return {&unitOf<static_cast<RuleKind>(k)>()...};
}

} // namespace

const std::array<const RuleKindUnit*, kRuleKindCount>& ruleKindUnits()
{
    static const std::array<const RuleKindUnit*, kRuleKindCount> units = everyUnit(std::make_index_sequence<kRuleKindCount>());
    return units;
}

const RuleKindUnit& ruleKindUnit(RuleKind kind)
{
    return *ruleKindUnits()[static_cast<size_t>(kind)];
}

PlanView::PlanView(const ConditionsWorkspace& workspace, const RuleSet& typed, int students)
    : ws(workspace), rules(typed), n(students), groupOf(static_cast<size_t>(students) + 1, 0),
      fixedTo(static_cast<size_t>(students) + 1, 0), allowedOf(static_cast<size_t>(students) + 1)
{
    for (int g = 1; g <= ws.groupCount(); ++g)
        for (int w = 1; w <= ws.groupSize[g]; ++w)
            groupOf[ws.groupStudents[g][w]] = g;
    for (int row = 1; row <= n; ++row) {
        const std::optional<int> fixed = rules.fixedClassAt(row);
        if (fixed && *fixed >= 1 && opens(row, *fixed)) {
            fixedTo[row] = *fixed;
            fixedIn[{groupOf[row], *fixed}].push_back(row);
        }
    }
    for (int row = 1; row <= n; ++row)
        allowedOf[row] = fixedTo[row] != 0 ? std::vector<int>{fixedTo[row]} : classesOf(groupOf[row]);
    for (const std::vector<int>& rows : rules.column(RuleBox::Together).sets()) {
        std::vector<int> shared = allowedOf[rows.front()];
        for (int row : rows)
            std::erase_if(shared, [&](int c) { return std::find(allowedOf[row].begin(), allowedOf[row].end(), c) == allowedOf[row].end(); });
        for (int row : rows)
            allowedOf[row] = shared;
    }
}

std::vector<int> PlanView::classesOf(int g) const
{
    std::vector<int> classes;
    for (int k = 1; k <= ws.conditions[g].classCount; ++k)
        classes.push_back(ws.conditions[g].rows[k].classNumber);
    return classes;
}

int PlanView::headCountOf(int g, int classNumber) const
{
    for (int k = 1; k <= ws.conditions[g].classCount; ++k)
        if (ws.conditions[g].rows[k].classNumber == classNumber)
            return ws.conditions[g].rows[k].headCount;
    return 0;
}

bool PlanView::opens(int row, int classNumber) const
{
    const std::vector<int> classes = classesOf(groupOf[row]);
    return std::find(classes.begin(), classes.end(), classNumber) != classes.end();
}

void RuleConflicts::name(const std::vector<int>& students, const QString& rule)
{
    for (int row : students)
        rows.emplace_back(row, rule);
}

bool marksShareClass(const SearchModel& model, const std::vector<int>& classOf, int first, int last)
{
    const evening::Problem& p = model.problem;
    std::set<std::pair<int, int>> seen; // (class, mark)
    bool shared = false;
    for (size_t s = 0; s < p.students.size() && !shared; ++s)
        p.forEachMark(static_cast<int>(s), [&](int m) {
            shared = shared || (m >= first && m < last && !seen.insert({classOf[s], m}).second);
        });
    return shared;
}

QStringList cellRule(const TypedColumn& column, int row, const QString& words)
{
    const QString text = column.textOf(row);
    return text.isEmpty() ? QStringList() : QStringList{words.arg(text)};
}

void markBreaksMade(const RuleBreaks& now, const RuleBreaks& drawn, bool record, RuleBreaks& made)
{
    for (const MarkBreak& m : now.marks) {
        if (m.record != record)
            continue;
        const auto before = std::find_if(drawn.marks.begin(), drawn.marks.end(), [&](const MarkBreak& d) {
            return d.record == record && d.classNumber == m.classNumber && d.value == m.value;
        });
        if (before == drawn.marks.end() || !std::includes(before->rows.begin(), before->rows.end(), m.rows.begin(), m.rows.end()))
            made.marks.push_back(m);
    }
}

bool canPart(const std::vector<std::vector<int>>& allowed)
{
    std::map<int, int> holder; // class -> index into allowed
    std::function<bool(int, std::set<int>&)> place = [&](int s, std::set<int>& seen) {
        for (int c : allowed[s]) {
            if (!seen.insert(c).second)
                continue;
            const auto at = holder.find(c);
            if (at == holder.end() || place(at->second, seen)) {
                holder[c] = s;
                return true;
            }
        }
        return false;
    };
    for (int s = 0; s < static_cast<int>(allowed.size()); ++s) {
        std::set<int> seen;
        if (!place(s, seen))
            return false;
    }
    return true;
}

} // namespace classdiv
