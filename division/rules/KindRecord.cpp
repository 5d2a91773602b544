// 離す記録: the students of an entry of the school's separation record go to
// different classes, ranked with the marks.

#include "division/rules/RuleKind.h"

#include <algorithm>

namespace classdiv {

namespace {

// The entry's students of the year who are in a group.
std::vector<int> rowsInGroups(const PlanView& plans, const ApartEntry& entry)
{
    std::vector<int> rows;
    for (int row : entry.rows)
        if (row >= 1 && row <= plans.n && plans.groupOf[static_cast<size_t>(row)] != 0)
            rows.push_back(row);
    return rows;
}

// No two of one entry in one together set, and a class of its own for each.
void entryConflicts(const PlanView& plans, const ApartEntry& entry, RuleConflicts& conflicts)
{
    const std::vector<int> rows = rowsInGroups(plans, entry);
    if (rows.size() < 2)
        return;
    const QString rule = QStringLiteral("離す記録「%1」").arg(entry.label);
    const TypedColumn& together = plans.rules.column(RuleBox::Together);
    std::map<int, std::vector<int>> inSet; // together value -> rows of the entry
    for (int row : rows)
        if (const int value = together.of(row); value >= 0)
            inSet[value].push_back(row);
    for (const auto& [value, same] : inSet)
        if (same.size() > 1)
            conflicts.name(same, rule + QStringLiteral("：同じクラス「%1」の印も付いています").arg(together.values[static_cast<size_t>(value)]));
    std::vector<std::vector<int>> allowed;
    for (int row : rows)
        allowed.push_back(plans.allowedOf[static_cast<size_t>(row)]);
    if (!canPart(allowed))
        conflicts.name(rows, rule + QStringLiteral("：%1人を別々にできるだけのクラスがありません").arg(rows.size()));
}

// The entries as keep-apart sets numbered after the column's marks: a
// student's first set is its mark, any more go beside it.
void addEntry(const std::vector<int>& studentOf, const ApartEntry& entry, SearchModel& model)
{
    evening::Problem& p = model.problem;
    std::vector<int> members;
    for (int row : entry.rows)
        if (row >= 1 && row < static_cast<int>(studentOf.size()) && studentOf[static_cast<size_t>(row)] >= 0)
            members.push_back(studentOf[static_cast<size_t>(row)]);
    if (members.size() < 2)
        return;
    const int mark = p.markCount++;
    model.marks.push_back(entry.label);
    for (int s : members) {
        if (p.students[static_cast<size_t>(s)].mark < 0) {
            p.students[static_cast<size_t>(s)].mark = mark;
            continue;
        }
        if (p.moreMarks.empty())
            p.moreMarks.resize(p.students.size());
        p.moreMarks[static_cast<size_t>(s)].push_back(mark);
    }
}

class RecordKind final : public RuleKindUnit {
public:
    RuleKind kind() const override { return RuleKind::Record; }

    // After the marks of the column.
    void keepInSearch(const RuleSet& rules, SearchModel& model) const override
    {
        if (rules.recordEntries.empty())
            return;
        const int rowsTo = model.row.empty() ? 0 : *std::max_element(model.row.begin(), model.row.end());
        std::vector<int> studentOf(static_cast<size_t>(rowsTo) + 1, -1); // a row beyond is no student of the search
        for (size_t s = 0; s < model.row.size(); ++s)
            studentOf[static_cast<size_t>(model.row[s])] = static_cast<int>(s);
        for (const ApartEntry& entry : rules.recordEntries)
            addEntry(studentOf, entry, model);
    }

    bool keeps(const SearchModel& model, const std::vector<int>& classOf) const override
    {
        return !marksShareClass(model, classOf, model.columnMarks, model.problem.markCount);
    }

    void findBreaks(const RuleSet& rules, const std::vector<int16_t>& classes, int students, RuleBreaks& breaks) const override
    {
        for (size_t e = 0; e < rules.recordEntries.size(); ++e) {
            const ApartEntry& entry = rules.recordEntries[e];
            std::map<int, std::vector<int>> inClass;
            for (int r : entry.rows)
                if (r >= 1 && r <= students && classes[r] != 0)
                    inClass[classes[r]].push_back(r);
            for (auto& [classNumber, rows] : inClass)
                if (rows.size() > 1) {
                    std::sort(rows.begin(), rows.end());
                    breaks.marks.push_back({classNumber, entry.label, rows, true, static_cast<int>(e)});
                }
        }
    }

    void madeByHand(const RuleBreaks& now, const RuleBreaks& drawn, RuleBreaks& made) const override
    {
        markBreaksMade(now, drawn, true, made);
    }

    void findConflicts(const PlanView& plans, RuleConflicts& conflicts) const override
    {
        for (const ApartEntry& entry : plans.rules.recordEntries)
            entryConflicts(plans, entry, conflicts);
    }

    QStringList rulesOf(const RuleSet& rules, int row) const override
    {
        QStringList said;
        for (const ApartEntry& entry : rules.recordEntries)
            if (std::find(entry.rows.begin(), entry.rows.end(), row) != entry.rows.end())
                said << QStringLiteral("離す記録「%1」").arg(entry.label);
        return said;
    }
};

} // namespace

template <>
const RuleKindUnit& unitOf<RuleKind::Record>()
{
    static const RecordKind unit;
    return unit;
}

} // namespace classdiv
