#include "search/BandTarget.h"

#include "search/FairShares.h"

#include <algorithm>

namespace classdiv::evening {

BandBounds fairBandBounds(const Group& group, const std::vector<int>& inBand)
{
    const std::vector<FairRange> table =
        fairBandTable(group.headCounts, inBand, static_cast<int>(group.students.size()));
    BandBounds bounds;
    bounds.lo.reserve(table.size());
    bounds.hi.reserve(table.size());
    for (const FairRange& range : table) {
        bounds.lo.push_back(range.low);
        bounds.hi.push_back(range.high);
    }
    return bounds;
}

namespace {

// The target as a flow: every cell starts at its floor; each class still
// needs rowNeed students and each band columnNeed above the floors, and
// up[cell] of them have been handed out.
class TargetFlow {
public:
    TargetFlow(const BandBounds& bounds, const std::vector<int>& headCounts, const std::vector<int>& inBand)
        : m_bounds(bounds), m_classes(static_cast<int>(headCounts.size())), m_bands(static_cast<int>(inBand.size())),
          m_rowNeed(headCounts), m_columnNeed(inBand), m_up(m_classes * m_bands, 0), m_from(m_classes + m_bands)
    {
        for (int l = 0; l < m_classes; ++l) {
            for (int b = 0; b < m_bands; ++b) {
                m_rowNeed[l] -= bounds.lo[l * m_bands + b];
                m_columnNeed[b] -= bounds.lo[l * m_bands + b];
            }
        }
    }

    // False when the floors alone take more than a class or a band holds.
    bool floorsFit() const
    {
        return std::none_of(m_rowNeed.begin(), m_rowNeed.end(), [](int n) { return n < 0; }) &&
               std::none_of(m_columnNeed.begin(), m_columnNeed.end(), [](int n) { return n < 0; });
    }

    // First where the present counts already stand above the floor.
    void raiseToPresent(const std::vector<int>& count)
    {
        for (int l = 0; l < m_classes; ++l) {
            for (int b = 0; b < m_bands; ++b) {
                const int i = l * m_bands + b;
                const int raise = std::min({room(i), count[i] - m_bounds.lo[i], m_rowNeed[l], m_columnNeed[b]});
                if (raise > 0) {
                    m_up[i] += raise;
                    m_rowNeed[l] -= raise;
                    m_columnNeed[b] -= raise;
                }
            }
        }
    }

    // Then by augmenting paths, one student at a time. False: a class's
    // need cannot be met (not with bands that partition the group).
    bool complete()
    {
        for (;;) {
            int start = -1;
            for (int l = 0; l < m_classes && start < 0; ++l)
                start = m_rowNeed[l] > 0 ? l : -1;
            if (start < 0)
                return true;
            const int end = pathFrom(start);
            if (end < 0)
                return false;
            --m_columnNeed[end - m_classes];
            --m_rowNeed[start];
            for (int node = end; m_from[node] != -1;) {
                const int prev = m_from[node];
                if (node >= m_classes)
                    ++m_up[prev * m_bands + (node - m_classes)];
                else
                    --m_up[node * m_bands + (prev - m_classes)];
                node = prev;
            }
        }
    }

    std::vector<int> target() const
    {
        std::vector<int> target(m_classes * m_bands);
        for (int i = 0; i < m_classes * m_bands; ++i)
            target[i] = m_bounds.lo[i] + m_up[i];
        return target;
    }

private:
    int room(int i) const { return m_bounds.hi[i] - m_bounds.lo[i] - m_up[i]; }

    // A breadth-first path from class `start` to a band that still needs a
    // student: class -> band over a cell with room, band -> class back over
    // a cell raised before. Its last node (classes + band), or -1.
    int pathFrom(int start)
    {
        constexpr int kUnseen = -2, kStart = -1;
        std::fill(m_from.begin(), m_from.end(), kUnseen);
        std::vector<int> queue{start};
        m_from[start] = kStart;
        for (size_t q = 0; q < queue.size(); ++q) {
            const int node = queue[q];
            if (node < m_classes) {
                for (int b = 0; b < m_bands; ++b) {
                    if (room(node * m_bands + b) > 0 && m_from[m_classes + b] == kUnseen) {
                        m_from[m_classes + b] = node;
                        if (m_columnNeed[b] > 0)
                            return m_classes + b;
                        queue.push_back(m_classes + b);
                    }
                }
            } else {
                const int b = node - m_classes;
                for (int l = 0; l < m_classes; ++l) {
                    if (m_up[l * m_bands + b] > 0 && m_from[l] == kUnseen) {
                        m_from[l] = node;
                        queue.push_back(l);
                    }
                }
            }
        }
        return -1;
    }

    const BandBounds& m_bounds;
    const int m_classes, m_bands;
    std::vector<int> m_rowNeed, m_columnNeed, m_up;
    std::vector<int> m_from; // [node]: the node a path came from; classes first, then bands
};

} // namespace

// The counts within the ranges that stay closest to the present ones: every
// cell takes its floor, and the room left in each class and each band is
// handed out above the floors, as a flow. It always exists when the bands
// partition the group and the ranges allow the sums.
std::optional<std::vector<int>> fairTarget(const BandBounds& bounds, const std::vector<int>& count,
                                           const std::vector<int>& headCounts, const std::vector<int>& inBand)
{
    TargetFlow flow(bounds, headCounts, inBand);
    if (!flow.floorsFit())
        return std::nullopt;
    flow.raiseToPresent(count);
    if (!flow.complete())
        return std::nullopt;
    return flow.target();
}

// Students who do not move one by one hold their cells: a range is widened
// to them, and the floors of the other cells of their band and class give
// way as far as the sums need, as close to the fair ranges as they allow.
void widenForFixed(BandBounds& bounds, const std::vector<int>& held, const std::vector<int>& headCounts,
                   const std::vector<int>& inBand)
{
    const int classes = static_cast<int>(headCounts.size());
    const int bands = static_cast<int>(inBand.size());
    for (size_t i = 0; i < held.size(); ++i) {
        bounds.lo[i] = std::max(bounds.lo[i], held[i]);
        bounds.hi[i] = std::max(bounds.hi[i], held[i]);
    }
    const auto giveWay = [&](int excess, int cells, auto cellOf) {
        for (int j = 0; j < cells && excess > 0; ++j) {
            const int i = cellOf(j);
            const int less = std::min(excess, bounds.lo[i] - held[i]);
            bounds.lo[i] -= less;
            excess -= less;
        }
    };
    for (int b = 0; b < bands; ++b) {
        int floors = 0;
        for (int l = 0; l < classes; ++l)
            floors += bounds.lo[l * bands + b];
        giveWay(floors - inBand[b], classes, [&](int l) { return l * bands + b; });
    }
    for (int l = 0; l < classes; ++l) {
        int floors = 0;
        for (int b = 0; b < bands; ++b)
            floors += bounds.lo[l * bands + b];
        giveWay(floors - headCounts[l], bands, [&](int b) { return l * bands + b; });
    }
}

} // namespace classdiv::evening
