#include "division/lists/FlagSplits.h"

#include "division/lists/ClassRoster.h"
#include "search/FairShares.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace classdiv {

namespace {

constexpr double kTolerance = 1e-9;

// Whether the pool's students can be placed with every cell of the column
// strictly closer to its share than `deviation` (and within floor ..
// ceiling); nullopt when the column has more kinds of student than a value
// and those without it, or two values and some without either, which this
// does not judge.
std::optional<bool> poolAllows(const Pool& pool, const FairShares& fair, const std::vector<int>& holding, double deviation)
{
    int holders = 0;
    for (int n : holding)
        holders += n;
    const bool withoutValue = holders < pool.size;
    if (fair.values > 2 || (fair.values == 2 && withoutValue) || fair.values == 0)
        return std::nullopt;
    // The range of a value's count in a class of the pool.
    const auto range = [&](size_t at, int v) {
        const double share = fair.at(static_cast<int>(at), v);
        int low = static_cast<int>(std::floor(share + kTolerance)), high = static_cast<int>(std::ceil(share - kTolerance));
        if (share - low >= deviation - kTolerance)
            ++low;
        if (high - share >= deviation - kTolerance)
            --high;
        return std::pair{low, high};
    };
    long least = 0, most = 0;
    for (size_t l = 0; l < pool.classes.size(); ++l) {
        const size_t at = static_cast<size_t>(std::lower_bound(fair.classes.begin(), fair.classes.end(), pool.classes[l]) - fair.classes.begin());
        auto [low, high] = range(at, 0);
        if (fair.values == 2) { // the other value takes the rest of the class
            const auto [otherLow, otherHigh] = range(at, 1);
            low = std::max(low, pool.headCounts[l] - otherHigh);
            high = std::min(high, pool.headCounts[l] - otherLow);
        }
        if (low > high)
            return false;
        least += low;
        most += high;
    }
    return least <= holding[0] && holding[0] <= most;
}

// Whether the totals force a deviation of at least `largest`: no placement
// of any pool is closer. Judged only where each class takes students of one
// pool, so that the pools share out their values apart.
bool totalsForce(const RuleSet& rules, const TypedColumn& column, const FairShares& fair, double largest)
{
    std::vector<int> poolsOfClass(fair.classes.size(), 0);
    for (const Pool& pool : rules.pools)
        for (int c : pool.classes)
            if (++poolsOfClass[static_cast<size_t>(std::lower_bound(fair.classes.begin(), fair.classes.end(), c) - fair.classes.begin())] > 1)
                return false;
    std::vector<std::vector<int>> holding(rules.pools.size(), std::vector<int>(static_cast<size_t>(fair.values), 0));
    for (size_t row = 1; row < rules.poolOf.size(); ++row)
        if (const int p = rules.poolOf[row], v = column.of(static_cast<int>(row)); p >= 0 && v >= 0)
            ++holding[static_cast<size_t>(p)][static_cast<size_t>(v)];
    for (size_t p = 0; p < rules.pools.size(); ++p) {
        const std::optional<bool> allows = poolAllows(rules.pools[p], fair, holding[p], largest);
        if (!allows)
            return false;
        if (!*allows)
            return true;
    }
    return false;
}

QString closestText(const RuleSet& rules, size_t k, const FairShares& fair, const std::vector<int>& count, double largest)
{
    const QString name = rules.columns[RuleBox::Flags][k].name == QStringLiteral("性別") ? QStringLiteral("男女") : rules.columns[RuleBox::Flags][k].name;
    for (size_t at = 0; at < fair.classes.size(); ++at) {
        bool there = false;
        QStringList counts;
        for (int v = 0; v < fair.values; ++v) {
            const size_t i = at * static_cast<size_t>(fair.values) + static_cast<size_t>(v);
            there = there || std::abs(count[i] - fair.share[i]) >= largest - kTolerance;
            counts << QString::number(count[i]);
        }
        if (there)
            return QStringLiteral("%1の数は %2 %3 がいちばん近い分け方です")
                .arg(name, classLabel(fair.classes[at]), counts.join(u'/') + (fair.values == 1 ? QStringLiteral("人") : QString()));
    }
    return {};
}

} // namespace

std::vector<FlagSplit> flagSplits(const RuleSet& rules, const std::vector<int16_t>& classes)
{
    std::vector<FlagSplit> splits;
    for (size_t k = 0; k < rules.typed[RuleBox::Flags].size(); ++k) {
        const TypedColumn& column = rules.typed[RuleBox::Flags][k];
        FlagSplit split;
        if (column.set()) {
            const FairShares fair = fairShares(rules, column);
            const std::vector<int> count = shareCounts(rules, column, fair, classes);
            split.largest = evening::largestDeviation(count, fair.share);
            bool within = true;
            for (size_t i = 0; i < count.size(); ++i)
                within = within && withinShare(count[i], fair.share[i]);
            if (within && split.largest > 0.5 + kTolerance && k < rules.columns[RuleBox::Flags].size() && totalsForce(rules, column, fair, split.largest))
                split.closest = closestText(rules, k, fair, count, split.largest);
        }
        splits.push_back(split);
    }
    return splits;
}

QString flagSplitNote(const RuleSet& rules, const std::vector<FlagSplit>& splits)
{
    if (splits.empty())
        return {};
    QStringList figures, closest;
    for (size_t k = 0; k < splits.size(); ++k) {
        figures << QStringLiteral("%1 %2").arg(k < rules.columns[RuleBox::Flags].size() ? rules.columns[RuleBox::Flags][k].name : QString(),
                                               QString::number(splits[k].largest, 'f', 2));
        if (!splits[k].closest.isEmpty())
            closest << splits[k].closest;
    }
    QString note = QStringLiteral("散らす列のずれ ") + figures.join(u'・');
    if (!closest.isEmpty())
        note += QStringLiteral("　") + closest.join(QStringLiteral("。"));
    return note;
}

} // namespace classdiv
