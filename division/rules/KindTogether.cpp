// 同じクラス: students sharing a non-empty value go to one class.

#include "division/rules/RuleKind.h"

#include <algorithm>
#include <set>

namespace classdiv {

namespace {

// Every together set of two or more; a value written beside one student alone binds nobody.
void gatherUnits(const RuleSet& rules, SearchModel& model)
{
    evening::Problem& p = model.problem;
    const SearchValues values = searchValues(rules.column(RuleBox::Together), model);
    std::vector<std::vector<int>> sets(static_cast<size_t>(values.count()));
    for (size_t s = 0; s < p.students.size(); ++s)
        if (values.ofStudent[s] >= 0)
            sets[static_cast<size_t>(values.ofStudent[s])].push_back(static_cast<int>(s));
    for (size_t u = 0; u < sets.size(); ++u) {
        for (int m : sets[u])
            p.rules[static_cast<size_t>(m)].unit = sets[u].size() > 1 ? static_cast<int>(p.units.size()) : -1;
        if (sets[u].size() > 1) {
            p.units.push_back(sets[u]);
            model.units.push_back(rules.column(RuleBox::Together).values[static_cast<size_t>(values.typedIndex[u])]);
        }
    }
}

// The classes every group of a together set opens; a set holding a fixed
// student goes only to that student's class.
void openUnits(evening::Problem& p)
{
    for (const std::vector<int>& members : p.units) {
        std::vector<int> shared = p.groups[p.students[members.front()].group].classes;
        for (int m : members)
            std::erase_if(shared, [&](int c) {
                const std::vector<int>& own = p.groups[p.students[m].group].classes;
                const int fixed = p.rules[m].fixedClass;
                return std::find(own.begin(), own.end(), c) == own.end() || (fixed >= 0 && c != fixed);
            });
        p.unitClasses.push_back(shared);
    }
}

// Whether the set's students fit in class c of their groups beside the others fixed there.
bool fits(const PlanView& plans, const std::vector<int>& rows, int c)
{
    std::map<int, int> members; // group -> members of the set
    for (int row : rows)
        ++members[plans.groupOf[static_cast<size_t>(row)]];
    for (const auto& [g, count] : members) {
        const auto fixedThere = plans.fixedIn.find({g, c});
        int others = 0;
        if (fixedThere != plans.fixedIn.end())
            for (int row : fixedThere->second)
                others += std::find(rows.begin(), rows.end(), row) == rows.end();
        if (count > plans.headCountOf(g, c) - others)
            return false;
    }
    return true;
}

// Why the set cannot be kept: a shared class, one fixed class at most, no
// mark to keep two of it apart, room beside the students fixed there.
std::optional<QString> setConflict(const PlanView& plans, const std::vector<int>& rows)
{
    std::vector<int> shared = plans.classesOf(plans.groupOf[static_cast<size_t>(rows.front())]);
    std::set<int> fixedClasses;
    std::set<int> marks;
    bool markedTwice = false;
    for (int row : rows) {
        std::erase_if(shared, [&](int c) { return !plans.opens(row, c); });
        if (const int fixed = plans.fixedTo[static_cast<size_t>(row)]; fixed != 0)
            fixedClasses.insert(fixed);
        const int mark = plans.rules.column(RuleBox::Marks).of(row);
        markedTwice = markedTwice || (mark >= 0 && !marks.insert(mark).second);
    }
    if (shared.empty())
        return QStringLiteral("：グループに共通のクラスがありません");
    if (fixedClasses.size() > 1)
        return QStringLiteral("：クラス指定が食い違っています");
    if (markedTwice)
        return QStringLiteral("：同じ「別のクラスにする印」の生徒がいます");
    if (!fixedClasses.empty())
        shared = {*fixedClasses.begin()};
    if (std::none_of(shared.begin(), shared.end(), [&](int c) { return fits(plans, rows, c); }))
        return QStringLiteral("：%1人が入れるクラスがありません").arg(rows.size());
    return std::nullopt;
}

class TogetherKind final : public RuleKindUnit {
public:
    RuleKind kind() const override { return RuleKind::Together; }

    // After the fixed classes: a set holding a fixed student goes to its class.
    void keepInSearch(const RuleSet& rules, SearchModel& model) const override
    {
        gatherUnits(rules, model);
        openUnits(model.problem);
    }

    bool keeps(const SearchModel& model, const std::vector<int>& classOf) const override
    {
        return std::all_of(model.problem.units.begin(), model.problem.units.end(), [&](const std::vector<int>& members) {
            return std::all_of(members.begin(), members.end(), [&](int m) { return classOf[m] == classOf[members.front()]; });
        });
    }

    void findBreaks(const RuleSet& rules, const std::vector<int16_t>& classes, int students, RuleBreaks& breaks) const override
    {
        const std::vector<std::vector<int>> sets = rules.column(RuleBox::Together).sets();
        std::vector<TogetherBreak> found;
        for (size_t v = 0; v < sets.size(); ++v) {
            std::vector<int> rows;
            for (int r : sets[v])
                if (r <= students)
                    rows.push_back(r);
            if (!rows.empty() && std::any_of(rows.begin(), rows.end(), [&](int r) { return classes[r] != classes[rows.front()]; }))
                found.push_back({rules.column(RuleBox::Together).values[v], rows, static_cast<int>(v)});
        }
        // In the order of their text, as the lists name them.
        std::sort(found.begin(), found.end(), [](const TogetherBreak& a, const TogetherBreak& b) { return a.value < b.value; });
        breaks.together.insert(breaks.together.end(), found.begin(), found.end());
    }

    void madeByHand(const RuleBreaks& now, const RuleBreaks& drawn, RuleBreaks& made) const override
    {
        breaksNotDrawn(now.together, drawn.together, made.together);
    }

    void findConflicts(const PlanView& plans, RuleConflicts& conflicts) const override
    {
        const std::vector<std::vector<int>> sets = plans.rules.column(RuleBox::Together).sets();
        for (size_t v = 0; v < sets.size(); ++v)
            if (const std::optional<QString> why = setConflict(plans, sets[v]))
                conflicts.name(sets[v], QStringLiteral("同じクラス「%1」").arg(plans.rules.column(RuleBox::Together).values[v]) + *why);
    }

    QStringList rulesOf(const RuleSet& rules, int row) const override
    {
        return cellRule(rules.column(RuleBox::Together), row, QStringLiteral("同じクラス「%1」"));
    }
};

} // namespace

template <>
const RuleKindUnit& unitOf<RuleKind::Together>()
{
    static const TogetherKind unit;
    return unit;
}

} // namespace classdiv
