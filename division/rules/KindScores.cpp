// ほかにそろえる点数: the class averages of up to three more score columns
// evened beside the main score, last of all the rules. Measured, never broken.

#include "division/rules/RuleKind.h"

#include <algorithm>

namespace classdiv {

namespace {

// A student's numbers in the extra score columns.
std::array<evening::ExtraScore, evening::kScoreColumns> extraScoresOf(const SpreadRules& rules, int row)
{
    std::array<evening::ExtraScore, evening::kScoreColumns> extra{};
    for (size_t k = 0; k < rules.numbers[RuleBox::Scores].size() && k < extra.size(); ++k) {
        const std::vector<std::optional<double>>& values = rules.numbers[RuleBox::Scores][k].values;
        if (row >= 0 && row < static_cast<int>(values.size()) && values[static_cast<size_t>(row)])
            extra[k] = {*values[static_cast<size_t>(row)], 1};
    }
    return extra;
}

class ScoresKind final : public SpreadKind {
public:
    RuleKind kind() const override { return RuleKind::Scores; }

    void keepInSearch(const RuleSet& rules, SearchModel& model) const override
    {
        evening::Problem& p = model.problem;
        p.scoreColumns = static_cast<int>(std::min<size_t>(rules.numbers[RuleBox::Scores].size(), evening::kScoreColumns));
        if (rules.numbers[RuleBox::Scores].empty())
            return;
        for (const int row : model.row)
            p.extras.push_back(extraScoresOf(rules, row));
    }
};

} // namespace

template <>
const RuleKindUnit& unitOf<RuleKind::Scores>()
{
    static const ScoresKind unit;
    return unit;
}

} // namespace classdiv
