#include "division/rules/RuleSet.h"

#include "search/FairShares.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <map>

namespace classdiv {

namespace {

TypedColumn typedColumn(const std::vector<QString>& column, int rows)
{
    TypedColumn out;
    if (column.empty())
        return out;
    out.index.assign(static_cast<size_t>(rows) + 1, -1);
    QHash<QString, int> seen;
    for (int row = 1; row <= rows; ++row) {
        const QString text = ruleText(column, row);
        if (text.isEmpty())
            continue;
        auto at = seen.find(text);
        if (at == seen.end()) {
            at = seen.insert(text, out.count());
            out.values.push_back(text);
        }
        out.index[static_cast<size_t>(row)] = at.value();
    }
    return out;
}

// Every column typed; the pools are left to the caller.
RuleSet typedColumns(SpreadRules text, int rows)
{
    RuleSet rules;
    static_cast<SpreadRules&>(rules) = std::move(text);
    for (const RuleBox box : allRuleBoxes()) {
        if (!rules.cells[box].empty())
            rules.typed[box].push_back(typedColumn(rules.cells[box], rows));
        for (const FlagColumn& column : rules.columns[box])
            rules.typed[box].push_back(typedColumn(column.values, rows));
    }
    if (const TypedColumn& fixed = rules.column(RuleBox::Fixed); fixed.set()) {
        rules.fixedClass.assign(static_cast<size_t>(rows) + 1, std::nullopt);
        for (int row = 1; row <= rows; ++row)
            if (const int v = fixed.of(row); v >= 0)
                rules.fixedClass[static_cast<size_t>(row)] = classdiv::fixedClassOf(fixed.values[v]);
    }
    rules.poolOf.assign(static_cast<size_t>(rows) + 1, -1);
    return rules;
}

// A group as the pools see it: its classes with their head counts, and its rows.
struct PlannedGroup {
    std::map<int, int> heads; // class number -> head count
    std::vector<int> rows;
};

void formPools(RuleSet& rules, const std::vector<PlannedGroup>& groups)
{
    std::map<std::vector<int>, std::vector<size_t>> byClasses; // classes -> groups
    for (size_t g = 0; g < groups.size(); ++g) {
        std::vector<int> classes;
        for (const auto& [number, head] : groups[g].heads)
            classes.push_back(number);
        byClasses[classes].push_back(g);
    }
    for (const auto& [classes, members] : byClasses) {
        Pool pool;
        pool.classes = classes;
        pool.headCounts.assign(classes.size(), 0);
        for (size_t g : members) {
            for (size_t l = 0; l < classes.size(); ++l)
                pool.headCounts[l] += groups[g].heads.at(classes[l]);
            for (int row : groups[g].rows) {
                rules.poolOf[static_cast<size_t>(row)] = static_cast<int>(rules.pools.size());
                ++pool.size;
            }
        }
        rules.pools.push_back(std::move(pool));
    }
}

} // namespace

std::optional<int> fixedClassOf(const QString& cell)
{
    if (cell.trimmed().isEmpty())
        return std::nullopt;
    // Teachers write ３ as often as 3, and 3組 as often as either.
    QString text = cell.normalized(QString::NormalizationForm_KC).trimmed();
    if (text.endsWith(u'組'))
        text.chop(1);
    bool whole = false;
    const int number = text.trimmed().toInt(&whole);
    return whole ? number : kUnreadableClass;
}

RuleSet::RuleSet(SpreadRules text, const Students& students, const ConditionsWorkspace& ws)
    : RuleSet(typedColumns(std::move(text), students.count()))
{
    // Only what the tables hold is read: the figures may be asked of plans no press has checked.
    const int groupCount = std::min<int>(ws.groupCount(), static_cast<int>(std::min(ws.conditions.size(), ws.groupStudents.size())) - 1);
    std::vector<PlannedGroup> groups;
    for (int g = 1; g <= groupCount; ++g) {
        const GroupCondition& c = ws.conditions[static_cast<size_t>(g)];
        PlannedGroup group;
        for (int k = 1; k <= std::clamp<int>(c.classCount, 0, kMaxPlanRows); ++k)
            group.heads.emplace(c.rows[k].classNumber, c.rows[k].headCount); // a class typed twice counts once
        const int size = std::min<int>(ws.groupSize[static_cast<size_t>(g)], static_cast<int>(ws.groupStudents[static_cast<size_t>(g)].size()) - 1);
        for (int w = 1; w <= size; ++w)
            if (const int row = ws.groupStudents[static_cast<size_t>(g)][static_cast<size_t>(w)]; row >= 1 && row <= students.count())
                group.rows.push_back(row);
        groups.push_back(std::move(group));
    }
    formPools(*this, groups);
}

RuleSet RuleSet::fromClasses(SpreadRules text, const Students& students, const std::vector<int16_t>& classes)
{
    RuleSet rules = typedColumns(std::move(text), students.count());
    std::map<QString, PlannedGroup> byName;
    for (int row = 1; row <= students.count() && row < static_cast<int>(classes.size()); ++row) {
        PlannedGroup& group = byName[students[row].group];
        ++group.heads[classes[static_cast<size_t>(row)]];
        group.rows.push_back(row);
    }
    std::vector<PlannedGroup> groups;
    for (auto& [name, group] : byName)
        groups.push_back(std::move(group));
    formPools(rules, groups);
    return rules;
}

FairShares fairShares(const RuleSet& rules, const TypedColumn& column)
{
    FairShares out;
    for (const Pool& pool : rules.pools)
        out.classes.insert(out.classes.end(), pool.classes.begin(), pool.classes.end());
    std::sort(out.classes.begin(), out.classes.end());
    out.classes.erase(std::unique(out.classes.begin(), out.classes.end()), out.classes.end());
    out.values = column.count();
    out.share.assign(out.classes.size() * static_cast<size_t>(out.values), 0.0);
    if (out.values == 0)
        return out;
    std::vector<std::vector<int>> holding(rules.pools.size(), std::vector<int>(static_cast<size_t>(out.values), 0));
    for (size_t row = 1; row < rules.poolOf.size(); ++row)
        if (const int p = rules.poolOf[row], v = column.of(static_cast<int>(row)); p >= 0 && v >= 0)
            ++holding[static_cast<size_t>(p)][static_cast<size_t>(v)];
    // Pool by pool in their order, so that every user sums the same fractions in the same order.
    for (size_t p = 0; p < rules.pools.size(); ++p) {
        const Pool& pool = rules.pools[p];
        if (pool.size == 0)
            continue;
        for (size_t l = 0; l < pool.classes.size(); ++l) {
            const size_t at = static_cast<size_t>(std::lower_bound(out.classes.begin(), out.classes.end(), pool.classes[l]) - out.classes.begin());
            for (int v = 0; v < out.values; ++v)
                out.share[at * out.values + v] += double(pool.headCounts[l]) * holding[p][static_cast<size_t>(v)] / pool.size;
        }
    }
    return out;
}

bool withinShare(int count, double share)
{
    return evening::fairRange(share).holds(count);
}

std::vector<int> shareCounts(const RuleSet& rules, const TypedColumn& column, const FairShares& fair,
                             const std::vector<int16_t>& classes)
{
    std::vector<int> count(fair.share.size(), 0);
    for (size_t row = 1; row < rules.poolOf.size(); ++row) {
        const int p = rules.poolOf[row];
        const int v = column.of(static_cast<int>(row));
        if (p < 0 || v < 0)
            continue;
        const std::vector<int>& open = rules.pools[static_cast<size_t>(p)].classes;
        const int number = row < classes.size() ? classes[row] : 0;
        if (!std::binary_search(open.begin(), open.end(), number))
            continue;
        const size_t at = static_cast<size_t>(std::lower_bound(fair.classes.begin(), fair.classes.end(), number) - fair.classes.begin());
        ++count[at * fair.values + v];
    }
    return count;
}

double shareDeviation(const RuleSet& rules, const TypedColumn& column, const std::vector<int16_t>& classes)
{
    if (!column.set())
        return 0;
    const FairShares fair = fairShares(rules, column);
    return evening::largestDeviation(shareCounts(rules, column, fair, classes), fair.share);
}

double mixingDeviation(const RuleSet& rules, const std::vector<int16_t>& classes)
{
    return shareDeviation(rules, rules.column(RuleBox::Mix), classes);
}

double flagDeviation(const RuleSet& rules, const std::vector<int16_t>& classes)
{
    double deviation = 0;
    for (const TypedColumn& column : rules.typed[RuleBox::Flags])
        deviation = std::max(deviation, shareDeviation(rules, column, classes));
    return deviation;
}

} // namespace classdiv
