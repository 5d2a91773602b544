#pragma once
// The class averages of one score column, written once: each class's sum
// and count of the students counted in it, added in the caller's order. The
// search's spreads of the score columns (search/Measures.h scoreSpreads) and
// the averages the class lists and the chart show of the extra columns
// (division/lists/ScoreAverages.h) both read them.

#include <cstddef>
#include <limits>
#include <vector>

namespace classdiv::evening {

class ClassAverages {
public:
    explicit ClassAverages(size_t classes = 0) : m_sum(classes, 0.0), m_count(classes, 0) {}

    void add(size_t c, double value)
    {
        m_sum[c] += value;
        ++m_count[c];
    }
    size_t classes() const { return m_sum.size(); }
    bool counted(size_t c) const { return m_count[c] > 0; }
    // NaN for a class with nobody counted in the column.
    double of(size_t c) const
    {
        return m_count[c] > 0 ? m_sum[c] / m_count[c] : std::numeric_limits<double>::quiet_NaN();
    }

private:
    std::vector<double> m_sum;
    std::vector<int> m_count;
};

} // namespace classdiv::evening
