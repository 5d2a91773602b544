#include "division/evening/BandTarget.h"

#include "division/evening/FairShares.h"

#include <algorithm>

namespace classdiv::evening {

BandBounds fairBandBounds(const Group& group, const std::vector<int>& inBand)
{
    const int bands = static_cast<int>(inBand.size());
    const int size = static_cast<int>(group.students.size());
    BandBounds bounds;
    const size_t cells = group.classes.size() * bands;
    bounds.lo.assign(cells, 0);
    bounds.hi.assign(cells, 0);
    for (size_t l = 0; l < group.classes.size(); ++l) {
        for (int b = 0; b < bands; ++b) {
            const FairRange range = fairBandRange(group.headCounts[l], inBand[b], size);
            bounds.lo[l * bands + b] = range.low;
            bounds.hi[l * bands + b] = range.high;
        }
    }
    return bounds;
}

// The counts within the ranges that stay closest to the present ones: every
// cell takes its floor, and the room left in each class and each band is
// handed out above the floors, as a flow. It always exists when the bands
// partition the group and the ranges allow the sums.
std::optional<std::vector<int>> fairTarget(const BandBounds& bounds, const std::vector<int>& count,
                                           const std::vector<int>& headCounts, const std::vector<int>& inBand)
{
    const int classes = static_cast<int>(headCounts.size());
    const int bands = static_cast<int>(inBand.size());
    std::vector<int> rowNeed(classes), columnNeed(bands, 0);
    std::vector<int> up(classes * bands, 0); // above the floor
    const auto room = [&](int i) { return bounds.hi[i] - bounds.lo[i] - up[i]; };
    for (int l = 0; l < classes; ++l) {
        rowNeed[l] = headCounts[l];
        for (int b = 0; b < bands; ++b)
            rowNeed[l] -= bounds.lo[l * bands + b];
    }
    for (int b = 0; b < bands; ++b)
        columnNeed[b] = inBand[b];
    for (int l = 0; l < classes; ++l) {
        for (int b = 0; b < bands; ++b)
            columnNeed[b] -= bounds.lo[l * bands + b];
    }
    if (std::any_of(rowNeed.begin(), rowNeed.end(), [](int n) { return n < 0; }) ||
        std::any_of(columnNeed.begin(), columnNeed.end(), [](int n) { return n < 0; }))
        return std::nullopt;
    // First where the present counts already stand above the floor.
    for (int l = 0; l < classes; ++l) {
        for (int b = 0; b < bands; ++b) {
            const int i = l * bands + b;
            const int raise = std::min({room(i), count[i] - bounds.lo[i], rowNeed[l], columnNeed[b]});
            if (raise > 0) {
                up[i] += raise;
                rowNeed[l] -= raise;
                columnNeed[b] -= raise;
            }
        }
    }
    // Augmenting paths: class -> band over a cell with room, band -> class
    // back over a cell raised before.
    std::vector<int> from(classes + bands);
    for (;;) {
        int start = -1;
        for (int l = 0; l < classes && start < 0; ++l)
            start = rowNeed[l] > 0 ? l : -1;
        if (start < 0)
            break;
        std::fill(from.begin(), from.end(), -2);
        std::vector<int> queue{start};
        from[start] = -1;
        int end = -1;
        for (size_t q = 0; q < queue.size() && end < 0; ++q) {
            const int node = queue[q];
            if (node < classes) {
                for (int b = 0; b < bands; ++b) {
                    const int i = node * bands + b;
                    if (room(i) > 0 && from[classes + b] == -2) {
                        from[classes + b] = node;
                        if (columnNeed[b] > 0) {
                            end = classes + b;
                            break;
                        }
                        queue.push_back(classes + b);
                    }
                }
            } else {
                const int b = node - classes;
                for (int l = 0; l < classes; ++l) {
                    if (up[l * bands + b] > 0 && from[l] == -2) {
                        from[l] = node;
                        queue.push_back(l);
                    }
                }
            }
        }
        if (end < 0)
            return std::nullopt; // not reachable with bands that partition the group
        --columnNeed[end - classes];
        --rowNeed[start];
        for (int node = end; from[node] != -1;) {
            const int prev = from[node];
            if (node >= classes)
                ++up[prev * bands + (node - classes)];
            else
                --up[node * bands + (prev - classes)];
            node = prev;
        }
    }
    std::vector<int> target(classes * bands);
    for (int i = 0; i < classes * bands; ++i)
        target[i] = bounds.lo[i] + up[i];
    return target;
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
