#include "conditions/RuleKinds.h"

namespace classdiv {

const std::array<RuleKindRow, kRuleKindCount>& ruleKinds()
{
    static const std::array<RuleKindRow, kRuleKindCount> table{{
        {RuleKind::Fixed, kFixedColumnLabel, RuleBox::Fixed, 4, 1},
        {RuleKind::Together, kTogetherColumnLabel, RuleBox::Together, 3, 3},
        {RuleKind::Apart, kMarksColumnLabel, RuleBox::Marks, 1, 2},
        {RuleKind::Record, QStringLiteral("離す記録"), std::nullopt, 0, 2},
        {RuleKind::Flags, kFlagColumnsLabel, RuleBox::Flags, 5, 6},
        {RuleKind::Mix, kMixColumnLabel, RuleBox::Mix, 2, 7},
        {RuleKind::Scores, kScoreColumnsLabel, RuleBox::Scores, 6, 8},
    }};
    return table;
}

const RuleKindRow& ruleKind(RuleKind kind)
{
    return ruleKinds()[static_cast<size_t>(kind)];
}

const RuleKindRow& ruleKindOf(RuleBox box)
{
    for (const RuleKindRow& row : ruleKinds())
        if (row.box == box)
            return row;
    return ruleKinds().front(); // every box is in the table
}

} // namespace classdiv
