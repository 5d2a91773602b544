#include "conditions/RuleKinds.h"

namespace classdiv {

namespace {

const BoxShape kOneColumn{};

BoxShape oneColumn(const char* objectName, const QString& note)
{
    return {1, CellsAs::Text, objectName, note};
}

} // namespace

const std::array<RuleKindRow, kRuleKindCount>& ruleKinds()
{
    static const std::array<RuleKindRow, kRuleKindCount> table{{
        {RuleKind::Fixed, kFixedColumnLabel, RuleBox::Fixed, 4, 1,
         oneColumn("fixedColumn", QStringLiteral("クラスの番号を書いた生徒を、そのクラスにします。"))},
        {RuleKind::Together, kTogetherColumnLabel, RuleBox::Together, 3, 3,
         oneColumn("togetherColumn", QStringLiteral("同じ印を書いた生徒どうしを、同じクラスにします。"))},
        {RuleKind::Apart, kMarksColumnLabel, RuleBox::Marks, 1, 2,
         oneColumn("marksColumn", QStringLiteral("同じ印（例えば A）を書いた生徒どうしを、別々のクラスにします。"))},
        {RuleKind::Record, QStringLiteral("離す記録"), std::nullopt, 0, 2, kOneColumn},
        {RuleKind::Flags, kFlagColumnsLabel, RuleBox::Flags, 5, 6,
         {kMaxFlagColumns, CellsAs::Text, "flagColumns",
          QStringLiteral("例えばリーダーやピアノの列。4つまでコンマで区切り、大事な順に。\n"
                         "印ごとの人数を、どのクラスにも同じくらいずつ分けます。")}},
        {RuleKind::Mix, kMixColumnLabel, RuleBox::Mix, 2, 7,
         oneColumn("mixColumn", QStringLiteral("例えば旧組の列。値ごとの人数を、どのクラスにも同じくらいずつ分けます。"))},
        {RuleKind::Scores, kScoreColumnsLabel, RuleBox::Scores, 6, 8,
         {kMaxScoreColumns, CellsAs::Numbers, "scoreColumns",
          QStringLiteral("例えば50m走や数学の列。3つまでコンマで区切ります。\n"
                         "成績といっしょに、クラスの平均がそろうようにします。")}},
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
