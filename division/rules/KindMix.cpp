// 均等に混ぜる: every new class takes its fair share of every value of the
// column (the old class). A spread evened as far as it goes, below the flag
// columns: measured (division/rules/RuleSet.h mixingDeviation), never broken.

#include "division/rules/RuleKind.h"

namespace classdiv {

namespace {

class MixKind final : public SpreadKind {
public:
    RuleKind kind() const override { return RuleKind::Mix; }

    void keepInSearch(const RuleSet& rules, SearchModel& model) const override
    {
        evening::Problem& p = model.problem;
        const SearchValues values = searchValues(rules.column(RuleBox::Mix), model);
        for (size_t s = 0; s < p.students.size(); ++s)
            p.students[s].mix = values.ofStudent[s];
        p.mixCount = values.count();
        p.mixShare = searchShares(rules, rules.column(RuleBox::Mix), model, values);
    }
};

} // namespace

template <>
const RuleKindUnit& unitOf<RuleKind::Mix>()
{
    static const MixKind unit;
    return unit;
}

} // namespace classdiv
