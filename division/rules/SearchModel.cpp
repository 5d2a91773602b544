#include "division/rules/SearchModel.h"

#include <algorithm>

namespace classdiv {

SearchValues searchValues(const TypedColumn& column, const SearchModel& model)
{
    SearchValues out;
    out.ofStudent.assign(model.row.size(), -1);
    std::vector<int> numbered(column.values.size(), -1); // typed index -> value
    for (size_t s = 0; s < model.row.size(); ++s) {
        const int v = column.of(model.row[s]);
        if (v < 0)
            continue;
        if (numbered[static_cast<size_t>(v)] < 0) {
            numbered[static_cast<size_t>(v)] = out.count();
            out.typedIndex.push_back(v);
        }
        out.ofStudent[s] = numbered[static_cast<size_t>(v)];
    }
    return out;
}

std::vector<double> searchShares(const RuleSet& rules, const TypedColumn& column, const SearchModel& model,
                                 const SearchValues& values)
{
    const FairShares fair = fairShares(rules, column);
    const int classes = model.problem.classCount;
    const int count = values.count();
    std::vector<double> share(static_cast<size_t>(classes) * count, 0.0);
    for (int c = 0; c < classes; ++c) {
        const auto at = std::lower_bound(fair.classes.begin(), fair.classes.end(), model.classNumber[c]);
        if (at == fair.classes.end() || *at != model.classNumber[c])
            continue;
        for (int v = 0; v < count; ++v)
            share[static_cast<size_t>(c) * count + v] = fair.at(static_cast<int>(at - fair.classes.begin()), values.typedIndex[v]);
    }
    return share;
}

} // namespace classdiv
