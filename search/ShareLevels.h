#pragma once
// The aim of a flag or mixing column within the fair ranges: the largest
// |count - fair share| of any value in any class as small as it can be, then
// the fewest (class, value) cells at that deviation. A count between the
// floor and the ceiling of its share lies at one of two deviations (share -
// floor, ceiling - share); every such deviation of a column gets a level, in
// ascending order, and a count outside the range the level above them all.
// Each set of linked classes keeps how many of its cells sit at each level,
// so that the highest level held and its cells are known at once and an
// exchange's effect on them is found from the four cells it changes.

#include <array>
#include <cstdint>
#include <vector>

namespace classdiv::evening {

// Cells at the highest level held, at most (a set of linked classes has
// fewer cells of one column than that).
inline constexpr int kLevelCellBits = 16;

class ShareLevels {
public:
    // One count of a column that changes: of cell (class * values + value), from one count to another.
    struct Step {
        int cell;
        int from;
        int to;
    };

    // The column's levels from its shares and fair ranges [cell]; componentOf: [class].
    void build(const std::vector<double>& share, const std::vector<int>& low, const std::vector<int>& high,
               const std::vector<int>& componentOf, int components);
    bool active() const { return !m_cells.empty(); }
    // Counts [cell] recounted from scratch.
    void recount(const std::vector<int>& count);

    // The highest level held in a set of linked classes and its cells, as one
    // number that compares the pair in that order.
    int64_t value(int component) const
    {
        const int top = m_top[component];
        return int64_t(top) << kLevelCellBits | m_histogram[base(component) + top];
    }
    // The same after the steps (up to eight, none of them twice on a cell).
    int64_t after(int component, const Step* steps, int n) const;
    // Records a step made.
    void step(int component, const Step& s)
    {
        const int from = levelOf(s.cell, s.from), to = levelOf(s.cell, s.to);
        if (from == to)
            return;
        const int row = base(component);
        --m_histogram[row + from];
        ++m_histogram[row + to];
        int& top = m_top[component];
        if (to > top)
            top = to;
        while (top > 0 && m_histogram[row + top] == 0)
            --top;
    }
    int componentOf(int cls) const { return m_componentOf[cls]; }
    // The highest level held in a set of linked classes, and the level of a count of a cell.
    int top(int component) const { return m_top[component]; }
    int level(int cell, int count) const { return levelOf(cell, count); }
    // Whether a count lies at or above the ceiling of its cell's share: fewer would be closer.
    bool atHigh(int cell, int count) const
    {
        const Cell& c = m_cells[cell];
        return count > c.high || (count == c.high && c.high != c.low);
    }

private:
    // A cell's fair range and the levels of its two ends, side by side: the
    // search looks them up for every count an exchange changes.
    struct Cell {
        int low, high, atLow, atHigh;
    };
    int levelOf(int cell, int count) const
    {
        const Cell& c = m_cells[cell];
        return count == c.low ? c.atLow : count == c.high ? c.atHigh : m_outside;
    }
    int base(int component) const { return component * (m_outside + 1); }

    int m_values = 0;
    int m_outside = 0; // the level of a count outside its fair range
    std::vector<Cell> m_cells;       // [cell]
    std::vector<int> m_componentOf; // [class]
    std::vector<int> m_histogram;   // [component * (levels + 1) + level]
    std::vector<int> m_top;         // [component]
};

inline int64_t ShareLevels::after(int component, const Step* steps, int n) const
{
    // Only the first `changed` are read: left unset, as this runs for most exchanges weighed.
    std::array<int, 16> level;
    std::array<int, 16> by;
    int changed = 0;
    int top = m_top[component];
    for (int i = 0; i < n; ++i) {
        const int from = levelOf(steps[i].cell, steps[i].from), to = levelOf(steps[i].cell, steps[i].to);
        if (from == to)
            continue;
        level[changed] = from;
        by[changed++] = -1;
        level[changed] = to;
        by[changed++] = 1;
        if (to > top)
            top = to;
    }
    const int row = base(component);
    for (int l = top; l >= 0; --l) {
        int held = m_histogram[row + l];
        for (int j = 0; j < changed; ++j)
            held += level[j] == l ? by[j] : 0;
        if (held > 0)
            return int64_t(l) << kLevelCellBits | held;
    }
    return 0;
}

} // namespace classdiv::evening
