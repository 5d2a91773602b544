#pragma once
// The year of 500 students under every rule that bench_rules evens out, and
// bench_score_columns with extra score columns: 8 groups over 6 classes, 30
// pairs kept apart, 20 pairs together, 15 fixed classes, three flag columns.

#include "support/Years.h"

#include "conditions/SpreadRules.h"

#include <numeric>

namespace classdiv::testing {

struct RulesYear {
    DivisionYear division;
    SpreadRules rules;
};

// Every group over all six classes, head counts as even as its size allows.
inline RulesYear rulesYear()
{
    YearNumbers numbers(2026);
    const int sizes[] = {70, 66, 64, 62, 62, 60, 58, 58};
    std::vector<GroupOfYear> groups;
    std::vector<std::vector<double>> scores;
    for (int g = 0; g < 8; ++g) {
        std::vector<std::pair<int, int>> plan;
        for (int k = 1; k <= 6; ++k)
            plan.emplace_back(k, sizes[g] / 6 + ((k + g) % 6 < sizes[g] % 6 ? 1 : 0));
        groups.push_back({QStringLiteral("組%1").arg(g + 1), sizes[g], plan});
        const std::vector<int> whole = numbers.scores(sizes[g], 48 + 4 * g, 16);
        scores.emplace_back(whole.begin(), whole.end());
    }
    RulesYear year{DivisionYear(groups, false, scores), {}};
    const int n = year.division.students.count();

    // Apart, together and fixed each take students of their own, so that all can hold at once.
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 1);
    for (int i = n - 1; i > 0; --i)
        std::swap(order[i], order[numbers.below(i + 1)]);
    SpreadRules& rules = year.rules;
    rules.marks.assign(n + 1, QString());
    rules.together.assign(n + 1, QString());
    rules.fixedClasses.assign(n + 1, QString());
    size_t next = 0;
    for (int pair = 0; pair < 30; ++pair)
        for (int i = 0; i < 2; ++i)
            rules.marks[order[next++]] = QStringLiteral("離%1").arg(pair);
    for (int pair = 0; pair < 20; ++pair)
        for (int i = 0; i < 2; ++i)
            rules.together[order[next++]] = QStringLiteral("同%1").arg(pair);
    for (int i = 0; i < 15; ++i)
        rules.fixedClasses[order[next++]] = QString::number(1 + numbers.below(6));
    for (const int holders : {10, 25, 40}) {
        FlagColumn flag{QStringLiteral("印%1").arg(holders), std::vector<QString>(n + 1)};
        for (int i = 0; i < holders;) {
            QString& cell = flag.values[1 + numbers.below(n)];
            if (cell.isEmpty()) {
                cell = QStringLiteral("○");
                ++i;
            }
        }
        rules.flags.push_back(std::move(flag));
    }
    return year;
}

} // namespace classdiv::testing
