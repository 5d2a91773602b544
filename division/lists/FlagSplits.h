#pragma once
// How evenly each flag column is spread over the classes, as the lists, the
// drafts and the chart show it: the largest |count - fair share| of any of
// its values in any class, and, where the totals leave no way to split every
// class within half a student of its share (160 boys and 158 girls in
// classes of 40 and 39), the closest split in words instead of a break.

#include "division/rules/RuleSet.h"

#include <QString>

#include <vector>

namespace classdiv {

struct FlagSplit {
    double largest = 0;
    // 「男女の数は 1組 21/19 がいちばん近い分け方です」 when the totals force
    // the largest deviation, else empty.
    QString closest;
};
// One for each flag column, in their order.
std::vector<FlagSplit> flagSplits(const RuleSet& rules, const std::vector<int16_t>& classes);

// 「散らす列のずれ 性別 0.13・リーダー 0.50」 and the closest splits after it,
// of the splits of a division (division/DivisionFigures.h); empty without flag columns.
QString flagSplitNote(const RuleSet& rules, const std::vector<FlagSplit>& splits);

} // namespace classdiv
