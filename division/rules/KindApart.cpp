// 別クラス: students sharing a non-empty mark go to different classes.

#include "division/rules/RuleKind.h"

#include <algorithm>

namespace classdiv {

namespace {

// One mark for everybody, more than the classes: said on its own, before any other rule.
std::optional<Message> sameMarkForAll(const PlanView& plans)
{
    const TypedColumn& marks = plans.rules.column(RuleBox::Marks);
    if (!marks.set() || plans.n < 2 || marks.of(1) < 0)
        return std::nullopt;
    for (int row = 2; row <= plans.n; ++row)
        if (marks.of(row) != marks.of(1))
            return std::nullopt;
    std::vector<int> classes;
    for (int g = 1; g <= plans.ws.groupCount(); ++g) {
        const std::vector<int> own = plans.classesOf(g);
        classes.insert(classes.end(), own.begin(), own.end());
    }
    std::sort(classes.begin(), classes.end());
    if (std::unique(classes.begin(), classes.end()) - classes.begin() >= plans.n)
        return std::nullopt;
    return Message{QStringLiteral("別クラスの列では全員に同じ印「%1」が付いています。"
                                  "全員を別々のクラスにはできないので、クラス分けは変えていません。"
                                  "列の選び方を確かめて下さい。")
                       .arg(marks.textOf(1)),
                   titles::inputMistake};
}

class ApartKind final : public RuleKindUnit {
public:
    RuleKind kind() const override { return RuleKind::Apart; }

    void keepInSearch(const RuleSet& rules, SearchModel& model) const override
    {
        evening::Problem& p = model.problem;
        const SearchValues marks = searchValues(rules.column(RuleBox::Marks), model);
        for (size_t s = 0; s < p.students.size(); ++s)
            p.students[s].mark = marks.ofStudent[s];
        for (int v = 0; v < marks.count(); ++v)
            model.marks.push_back(rules.column(RuleBox::Marks).values[static_cast<size_t>(marks.typedIndex[v])]);
        p.markCount = marks.count();
        model.columnMarks = p.markCount;
    }

    bool keeps(const SearchModel& model, const std::vector<int>& classOf) const override
    {
        return !marksShareClass(model, classOf, 0, model.columnMarks);
    }

    void findBreaks(const RuleSet& rules, const std::vector<int16_t>& classes, int students, RuleBreaks& breaks) const override
    {
        const TypedColumn& marks = rules.column(RuleBox::Marks);
        std::map<std::pair<int, int>, std::vector<int>> marked; // (class, mark) -> rows
        for (int r = 1; r <= students; ++r)
            if (const int mark = marks.of(r); mark >= 0 && classes[r] != 0)
                marked[{classes[r], mark}].push_back(r);
        std::vector<MarkBreak> found;
        for (const auto& [key, rows] : marked)
            if (rows.size() > 1)
                found.push_back({key.first, marks.values[static_cast<size_t>(key.second)], rows, false, key.second});
        // By class, then in the order of the marks' text.
        std::sort(found.begin(), found.end(), [](const MarkBreak& a, const MarkBreak& b) {
            return std::pair(a.classNumber, a.mark) < std::pair(b.classNumber, b.mark);
        });
        breaks.marks.insert(breaks.marks.end(), found.begin(), found.end());
    }

    void madeByHand(const RuleBreaks& now, const RuleBreaks& drawn, RuleBreaks& made) const override
    {
        markBreaksMade(now, drawn, false, made);
    }

    // A class of its own for each student of a mark, among the classes its
    // fixed class or its together set leaves it.
    void findConflicts(const PlanView& plans, RuleConflicts& conflicts) const override
    {
        if (std::optional<Message> refusal = sameMarkForAll(plans)) {
            conflicts.refusal = std::move(refusal);
            return;
        }
        const std::vector<std::vector<int>> sets = plans.rules.column(RuleBox::Marks).sets();
        for (size_t v = 0; v < sets.size(); ++v) {
            std::vector<std::vector<int>> allowed;
            for (int row : sets[v])
                allowed.push_back(plans.allowedOf[static_cast<size_t>(row)]);
            if (!canPart(allowed))
                conflicts.name(sets[v], QStringLiteral("別クラス「%1」：%2人を別々にできるだけのクラスがありません")
                                            .arg(plans.rules.column(RuleBox::Marks).values[v]).arg(sets[v].size()));
        }
    }

    QStringList rulesOf(const RuleSet& rules, int row) const override
    {
        return cellRule(rules.column(RuleBox::Marks), row, QStringLiteral("別クラス「%1」"));
    }
};

} // namespace

template <>
const RuleKindUnit& unitOf<RuleKind::Apart>()
{
    static const ApartKind unit;
    return unit;
}

} // namespace classdiv
