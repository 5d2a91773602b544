// クラス指定: a student goes to the class its cell names.

#include "division/rules/RuleKind.h"

#include <algorithm>

namespace classdiv {

namespace {

class FixedKind final : public RuleKindUnit {
public:
    RuleKind kind() const override { return RuleKind::Fixed; }

    void keepInSearch(const RuleSet& rules, SearchModel& model) const override
    {
        evening::Problem& p = model.problem;
        for (size_t s = 0; s < p.students.size(); ++s) {
            // A fixed class outside the group's classes is refused before the search.
            const std::optional<int> fixed = rules.fixedClassAt(model.row[s]);
            const auto at = fixed ? std::lower_bound(model.classNumber.begin(), model.classNumber.end(), *fixed)
                                  : model.classNumber.end();
            if (at == model.classNumber.end() || *at != *fixed)
                continue;
            const int index = static_cast<int>(at - model.classNumber.begin());
            const std::vector<int>& open = p.groups[static_cast<size_t>(p.students[s].group)].classes;
            if (std::find(open.begin(), open.end(), index) != open.end())
                p.rules[s].fixedClass = index;
        }
    }

    bool keeps(const SearchModel& model, const std::vector<int>& classOf) const override
    {
        for (size_t s = 0; s < model.problem.students.size(); ++s)
            if (const int fixed = model.problem.rulesOf(static_cast<int>(s)).fixedClass; fixed >= 0 && classOf[s] != fixed)
                return false;
        return true;
    }

    void findBreaks(const RuleSet& rules, const std::vector<int16_t>& classes, int students, RuleBreaks& breaks) const override
    {
        for (int r = 1; r <= students; ++r)
            if (const std::optional<int> fixed = rules.fixedClassAt(r); fixed && *fixed != classes[static_cast<size_t>(r)])
                breaks.fixed.push_back({r, *fixed});
    }

    void madeByHand(const RuleBreaks& now, const RuleBreaks& drawn, RuleBreaks& made) const override
    {
        breaksNotDrawn(now.fixed, drawn.fixed, made.fixed);
    }

    // One of the group's classes, and no more students fixed to it than it takes.
    void findConflicts(const PlanView& plans, RuleConflicts& conflicts) const override
    {
        for (int row = 1; row <= plans.n; ++row) {
            const std::optional<int> fixed = plans.rules.fixedClassAt(row);
            if (fixed && plans.fixedTo[static_cast<size_t>(row)] == 0)
                conflicts.name({row}, QStringLiteral("クラス指定「%1」：このグループのクラスではありません")
                                          .arg(plans.rules.column(RuleBox::Fixed).textOf(row)));
        }
        for (const auto& [where, rows] : plans.fixedIn) {
            const int head = plans.headCountOf(where.first, where.second);
            if (static_cast<int>(rows.size()) > head)
                conflicts.name(rows, QStringLiteral("クラス指定「%1」：このグループの%2組は%3人なのに、%4人が指定されています")
                                         .arg(where.second).arg(where.second).arg(head).arg(rows.size()));
        }
    }

    QStringList rulesOf(const RuleSet& rules, int row) const override
    {
        return cellRule(rules.column(RuleBox::Fixed), row, QStringLiteral("クラス指定「%1」"));
    }
};

} // namespace

template <>
const RuleKindUnit& unitOf<RuleKind::Fixed>()
{
    static const FixedKind unit;
    return unit;
}

} // namespace classdiv
