#include "search/ShareLevels.h"

#include "search/Problem.h"

#include <algorithm>
#include <cmath>

namespace classdiv::evening {

void ShareLevels::build(const std::vector<double>& share, const std::vector<int>& low, const std::vector<int>& high,
                        const std::vector<int>& componentOf, int components)
{
    m_componentOf = componentOf;
    m_values = componentOf.empty() ? 0 : static_cast<int>(share.size() / componentOf.size());
    // Every deviation a count within its range can have, ascending; those
    // closer than rounding noise are one level.
    std::vector<double> deviations;
    for (size_t i = 0; i < share.size(); ++i) {
        deviations.push_back(std::abs(share[i] - low[i]));
        deviations.push_back(std::abs(high[i] - share[i]));
    }
    std::sort(deviations.begin(), deviations.end());
    std::vector<double> levels;
    for (double d : deviations)
        if (levels.empty() || d > levels.back() + kTiny)
            levels.push_back(d);
    const auto levelOfDeviation = [&](double d) {
        return static_cast<int>(std::lower_bound(levels.begin(), levels.end(), d - kTiny) - levels.begin());
    };
    m_cells.resize(share.size());
    for (size_t i = 0; i < share.size(); ++i)
        m_cells[i] = {low[i], high[i], levelOfDeviation(std::abs(share[i] - low[i])),
                      levelOfDeviation(std::abs(high[i] - share[i]))};
    m_outside = static_cast<int>(levels.size());
    m_histogram.assign(static_cast<size_t>(components) * (m_outside + 1), 0);
    m_top.assign(static_cast<size_t>(components), 0);
}

void ShareLevels::recount(const std::vector<int>& count)
{
    std::fill(m_histogram.begin(), m_histogram.end(), 0);
    std::fill(m_top.begin(), m_top.end(), 0);
    for (size_t i = 0; i < count.size(); ++i) {
        const int component = m_componentOf[i / static_cast<size_t>(m_values)];
        const int l = levelOf(static_cast<int>(i), count[i]);
        ++m_histogram[base(component) + l];
        m_top[component] = std::max(m_top[component], l);
    }
}

} // namespace classdiv::evening
