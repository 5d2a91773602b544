#include "search/PatternBound.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <limits>

namespace classdiv::evening {

namespace {

// Changes of one cell in one weighing: two turns of four classes at most.
constexpr int kMostChangesOfACell = 16;

int lowestClass(size_t set) { return std::countr_zero(static_cast<unsigned>(set)); }

} // namespace

PatternBound::PatternBound(const Placement& placement, const Component& component) : m_p(placement.problem())
{
    m_classes = static_cast<int>(component.classes.size());
    if (m_classes > kMostClasses)
        return;
    m_local.assign(m_p.classCount, -1);
    for (int l = 0; l < m_classes; ++l)
        m_local[component.classes[l]] = l;
    const size_t sets = size_t{1} << m_classes;
    m_heads.assign(sets, 0);
    for (size_t set = 1; set < sets; ++set)
        m_heads[set] = m_heads[set & (set - 1)] + placement.head(component.classes[lowestClass(set)]);
    m_cellOf.assign(m_p.groups.size() * m_p.bandCount, -1);
    for (size_t g = 0; g < m_p.groups.size(); ++g) {
        const Group& group = m_p.groups[g];
        if (group.classes.empty() || m_local[group.classes[0]] < 0)
            continue;
        for (int s : group.students) {
            int& cell = m_cellOf[g * m_p.bandCount + m_p.students[s].band];
            if (cell < 0) {
                cell = static_cast<int>(m_cells.size());
                m_cells.push_back({{}, std::vector<int>(m_classes, 0), {}});
            }
            m_cells[cell].top.push_back(m_p.students[s].score);
            ++m_cells[cell].count[m_local[placement.classOf(s)]];
        }
    }
    m_highest.assign(sets, 0);
    for (Cell& cell : m_cells) {
        std::sort(cell.top.begin(), cell.top.end(), std::greater<>());
        cell.top.insert(cell.top.begin(), 0.0);
        for (size_t k = 1; k < cell.top.size(); ++k)
            cell.top[k] += cell.top[k - 1];
        countSets(cell);
    }
    m_usable = true;
}

void PatternBound::countSets(Cell& cell)
{
    cell.inSet.assign(m_highest.size(), 0);
    for (size_t set = 1; set < m_highest.size(); ++set) {
        cell.inSet[set] = cell.inSet[set & (set - 1)] + cell.count[lowestClass(set)];
        m_highest[set] += cell.top[cell.inSet[set]];
    }
}

double PatternBound::bestWith(const std::vector<CountChange>& changes) const
{
    m_scratch = m_highest;
    for (size_t i = 0; i < changes.size(); ++i) {
        const auto sameCell = [&](const CountChange& c) { return c.cell == changes[i].cell; };
        if (std::any_of(changes.begin(), changes.begin() + static_cast<long>(i), sameCell))
            continue; // its cell is done
        const Cell& cell = m_cells[changes[i].cell];
        size_t bit[kMostChangesOfACell];
        int by[kMostChangesOfACell];
        int n = 0;
        for (const CountChange& c : changes) {
            if (sameCell(c) && n < kMostChangesOfACell) {
                bit[n] = size_t{1} << c.local;
                by[n++] = c.by;
            }
        }
        for (size_t set = 1; set < m_scratch.size(); ++set) {
            int shift = 0;
            for (int j = 0; j < n; ++j)
                shift += (set & bit[j]) ? by[j] : 0;
            if (shift != 0)
                m_scratch[set] += cell.top[cell.inSet[set] + shift] - cell.top[cell.inSet[set]];
        }
    }
    return spreadOf(m_scratch);
}

void PatternBound::take(const std::vector<CountChange>& changes)
{
    for (const CountChange& c : changes)
        m_cells[c.cell].count[c.local] += c.by;
    m_highest.assign(m_highest.size(), 0);
    for (Cell& cell : m_cells)
        countSets(cell);
}

double PatternBound::spreadOf(const std::vector<double>& highest) const
{
    const size_t all = highest.size() - 1;
    double upper = -std::numeric_limits<double>::infinity();
    double lower = std::numeric_limits<double>::infinity();
    for (size_t set = 1; set <= all; ++set) {
        upper = std::max(upper, (highest[all] - highest[all ^ set]) / m_heads[set]);
        lower = std::min(lower, highest[set] / m_heads[set]);
    }
    return std::max(0.0, upper - lower);
}

} // namespace classdiv::evening
