// 均等に散らす列: every value of a flag column spread over the classes within
// the floor and ceiling of its fair share, the columns in their order.

#include "division/rules/RuleKind.h"

#include "search/Measures.h"

#include <algorithm>
#include <cmath>

namespace classdiv {

namespace {

// The cells of one column outside their fair share, by class and then in the order of the values' text.
void columnBreaks(const RuleSet& rules, int k, const std::vector<int16_t>& classes, int students, RuleBreaks& breaks)
{
    const TypedColumn& column = rules.typed[RuleBox::Flags][static_cast<size_t>(k)];
    const FairShares fair = fairShares(rules, column);
    struct Cell {
        int value = 0;
        int count = 0;
        double share = 0;
    };
    std::map<std::pair<int, QString>, Cell> cells; // (class, value's text)
    for (size_t c = 0; c < fair.classes.size(); ++c)
        for (int v = 0; v < fair.values; ++v)
            cells[{fair.classes[c], column.values[static_cast<size_t>(v)]}] = {v, 0, fair.at(static_cast<int>(c), v)};
    for (int r = 1; r <= students; ++r)
        if (const int v = column.of(r); v >= 0 && classes[r] != 0) {
            Cell& cell = cells[{classes[r], column.values[static_cast<size_t>(v)]}];
            cell.value = v;
            ++cell.count;
        }
    for (const auto& [where, cell] : cells)
        if (!withinShare(cell.count, cell.share))
            breaks.flags.push_back({k, cell.value, where.first, cell.count, cell.share, where.second});
}

class FlagsKind final : public RuleKindUnit {
public:
    RuleKind kind() const override { return RuleKind::Flags; }

    void keepInSearch(const RuleSet& rules, SearchModel& model) const override
    {
        evening::Problem& p = model.problem;
        p.flagColumns = static_cast<int>(std::min<size_t>(rules.typed[RuleBox::Flags].size(), evening::kFlagColumns));
        for (int k = 0; k < p.flagColumns; ++k) {
            const TypedColumn& column = rules.typed[RuleBox::Flags][static_cast<size_t>(k)];
            const SearchValues values = searchValues(column, model);
            for (size_t s = 0; s < p.students.size(); ++s)
                p.rules[s].flags[static_cast<size_t>(k)] = values.ofStudent[s];
            p.flagValues[static_cast<size_t>(k)] = values.count();
            p.flagShare[static_cast<size_t>(k)] = searchShares(rules, column, model, values);
        }
    }

    bool keeps(const SearchModel& model, const std::vector<int>& classOf) const override
    {
        const std::array<long, evening::kFlagColumns> outside = evening::flagsOutside(model.problem, classOf);
        return std::all_of(outside.begin(), outside.end(), [](long n) { return n == 0; });
    }

    void findBreaks(const RuleSet& rules, const std::vector<int16_t>& classes, int students, RuleBreaks& breaks) const override
    {
        for (size_t k = 0; k < rules.typed[RuleBox::Flags].size(); ++k)
            columnBreaks(rules, static_cast<int>(k), classes, students, breaks);
    }

    // A cell the draw had broken already counts only when the swaps made it worse.
    void madeByHand(const RuleBreaks& now, const RuleBreaks& drawn, RuleBreaks& made) const override
    {
        for (const FlagBreak& f : now.flags) {
            const auto before = std::find_if(drawn.flags.begin(), drawn.flags.end(), [&](const FlagBreak& d) {
                return d.column == f.column && d.value == f.value && d.classNumber == f.classNumber;
            });
            if (before == drawn.flags.end() || std::abs(f.count - f.share) > std::abs(before->count - before->share))
                made.flags.push_back(f);
        }
    }

    // Spread as far as the classes allow: never refused.
    void findConflicts(const PlanView&, RuleConflicts&) const override {}
    QStringList rulesOf(const RuleSet&, int) const override { return {}; }
};

} // namespace

template <>
const RuleKindUnit& unitOf<RuleKind::Flags>()
{
    static const FlagsKind unit;
    return unit;
}

} // namespace classdiv
