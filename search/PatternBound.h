#pragma once
// The best spread a band pattern of evening out allows: how close the
// averages of a set of linked classes could come if each band's students of
// each group could be shared out between its classes at will, the counts
// of students per (group, class, band) being those of the pattern.
//
// For a set C of the classes, the highest total it can hold takes the
// highest students of every band, as many as C holds of it; the lowest is
// what is left when the other classes take their highest. The best spread
// is the largest lowest average of a set minus the smallest highest one.
// No placement of the pattern does better; shared in fractions of students
// it is reached (the totals that a band's students can give classes of
// given counts form a polymatroid, and these are the conditions for its
// totals to meet a range of averages). Whole students reach it within
// about a step of an average: 2.409 against 2.400 on the crossed year with
// wider scores.

#include "search/Placement.h"

#include <vector>

namespace classdiv::evening {

// A change of the count of one band of one group in one class.
struct CountChange {
    int cell;  // PatternBound::cellOf(group, band)
    int local; // the class, PatternBound::local(class)
    int by;
};

class PatternBound {
public:
    // The pattern of the placement as it is. Not usable beyond kMostClasses
    // linked classes: every set of them is weighed.
    PatternBound(const Placement& placement, const Component& component);

    static constexpr int kMostClasses = 10; // 1023 sets, about 10 µs a pattern

    bool usable() const { return m_usable; }
    int local(int cls) const { return m_local[cls]; }
    int cellOf(int group, int band) const { return m_cellOf[group * m_p.bandCount + band]; }
    int count(int cell, int local) const { return cell < 0 ? 0 : m_cells[cell].count[local]; }

    // The best spread of the pattern, and of the pattern with some counts changed.
    double best() const { return spreadOf(m_highest); }
    double bestWith(const std::vector<CountChange>& changes) const;
    // Changes the counts of the pattern.
    void take(const std::vector<CountChange>& changes);

private:
    struct Cell {
        std::vector<double> top; // [k]: the sum of its k highest scores
        std::vector<int> count;  // [local class]
        std::vector<int> inSet;  // [set of classes]: how many of its students the set holds
    };

    // The cell's students in every set, and what its highest of them add to the set's highest total.
    void countSets(Cell& cell);
    double spreadOf(const std::vector<double>& highest) const;

    const Problem& m_p;
    bool m_usable = false;
    int m_classes = 0;
    std::vector<int> m_local;      // [class]: index into the linked classes, -1 outside
    std::vector<double> m_heads;   // [set of classes]
    std::vector<int> m_cellOf;     // [group * bands + band]: -1 for a band the group has no student in
    std::vector<Cell> m_cells;
    std::vector<double> m_highest; // [set of classes]: the highest total it can hold
    mutable std::vector<double> m_scratch;
};

} // namespace classdiv::evening
