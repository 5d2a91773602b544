#include "search/Transfers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace classdiv::evening {

namespace {

// Guard: every transfer makes the key better, so the descent stops long before.
constexpr int kMostTransfers = 500;
// Paths are kept as sets of classes in one word.
constexpr size_t kMostClasses = 64;
// Exchanges between classes that trade through no path, tried each with a
// descent after it: the few whose totals come out best.
constexpr size_t kBridgeTries = 4;

// One exchange of a transfer: `from` gives up a student for one of `to`'s.
struct Hop {
    int from;
    int to;
};

class Transfers {
public:
    Transfers(Placement& placement, const Component& component)
        : m_placement(placement), m_component(component), m_p(placement.problem())
    {
        m_local.assign(m_p.classCount, -1);
        for (size_t l = 0; l < component.classes.size(); ++l)
            m_local[component.classes[l]] = static_cast<int>(l);
        // The students of each group and band who move one by one (neither
        // fixed nor in a together set); an exchange inside one keeps every band count.
        std::vector<int> cellOf(m_p.groups.size() * m_p.bandCount, -1);
        for (int s : component.movable) {
            if (!placement.isFree(s))
                continue;
            int& cell = cellOf[m_p.students[s].group * m_p.bandCount + m_p.students[s].band];
            if (cell < 0) {
                cell = static_cast<int>(m_cells.size());
                m_cells.emplace_back();
            }
            m_cells[cell].push_back(s);
        }
    }

    // The best transfer of the moment, if one makes the key better.
    bool step(Key& now)
    {
        const int classes = static_cast<int>(m_component.classes.size());
        if (classes < 2 || static_cast<size_t>(classes) > kMostClasses)
            return false;
        // More than this carried from one class to another overshoots the spread.
        const double most = now.spread * m_component.largestClass;
        mapExchanges(most);

        struct Candidate {
            Key key;
            int from, to;
            size_t amount;
        };
        std::vector<Candidate> candidates;
        for (int from : m_component.classes) {
            for (int to : m_component.classes) {
                if (m_placement.average(from) <= m_placement.average(to))
                    continue;
                for (size_t k = 0; k < m_amounts.size(); ++k) {
                    // Only the two ends of a path change: the key is known before the path is sought.
                    Change ends;
                    ends.averageA = m_placement.average(from) - m_amounts[k] * m_placement.inverseHead(from);
                    ends.averageB = m_placement.average(to) + m_amounts[k] * m_placement.inverseHead(to);
                    const Key key = m_placement.keyAfter(m_component, now, from, to, ends);
                    if (better(key, now))
                        candidates.push_back({key, from, to, k});
                }
            }
        }
        std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return a.key.spread != b.key.spread ? a.key.spread < b.key.spread : a.key.squares < b.key.squares;
        });
        for (const Candidate& c : candidates) {
            if (carry(c.from, c.to, c.amount, now))
                return true;
        }
        return false;
    }

    // Where small amounts travel between some classes only (two halves of
    // a year joined by a few students), the blocks they form can stand
    // apart as a whole. An exchange across two blocks that brings their
    // averages closer is tried, with the descent of transfers after it,
    // and kept when the key ends better.
    bool bridge(Key& now)
    {
        const size_t classes = m_component.classes.size();
        if (classes < 2 || classes > kMostClasses)
            return false;
        const Blocks blocks = gatherBlocks();
        std::vector<Crossing> crossings = crossingsOf(blocks);
        if (crossings.empty())
            return false;
        const size_t tries = std::min(kBridgeTries, crossings.size());
        std::partial_sort(crossings.begin(), crossings.begin() + tries, crossings.end(),
                          [](const Crossing& a, const Crossing& b) { return a.spread < b.spread; });
        std::vector<int> saved;
        for (int s : m_component.movable)
            saved.push_back(m_placement.classOf(s));
        for (size_t t = 0; t < tries; ++t) {
            if (cross(crossings[t], blocks, saved, now))
                return true;
        }
        mapExchanges(now.spread * m_component.largestClass);
        return false;
    }

private:
    // Blocks of classes that can carry small amounts to each other both
    // ways, and the score totals and head counts of each.
    struct Blocks {
        std::vector<int> root;     // [local class]: the lowest class of its block
        std::vector<double> total; // [root]
        std::vector<double> heads; // [root]

        // The spread of the blocks' averages with d carried from one block to another.
        double spread(int from, int to, double d) const
        {
            double high = -std::numeric_limits<double>::infinity(), low = std::numeric_limits<double>::infinity();
            for (size_t b = 0; b < total.size(); ++b) {
                if (heads[b] == 0)
                    continue;
                const double average =
                    (total[b] - (static_cast<int>(b) == from ? d : 0) + (static_cast<int>(b) == to ? d : 0)) / heads[b];
                high = std::max(high, average);
                low = std::min(low, average);
            }
            return high - low;
        }
    };

    // An exchange of x and y across two blocks, and the blocks' spread after it.
    struct Crossing {
        double spread;
        int x, y;
    };

    Blocks gatherBlocks() const
    {
        const size_t classes = m_component.classes.size();
        std::vector<uint64_t> reach(classes, 0);
        for (size_t l = 0; l < classes; ++l) {
            reach[l] = uint64_t{1} << l;
            for (size_t k = 0; k < m_amounts.size(); ++k)
                reach[l] |= m_gives[k * classes + l];
        }
        for (bool grown = true; grown;) {
            grown = false;
            for (size_t l = 0; l < classes; ++l) {
                uint64_t more = reach[l];
                for (uint64_t m = reach[l]; m != 0; m &= m - 1)
                    more |= reach[std::countr_zero(m)];
                grown = grown || more != reach[l];
                reach[l] = more;
            }
        }
        Blocks blocks{std::vector<int>(classes, 0), std::vector<double>(classes, 0), std::vector<double>(classes, 0)};
        for (size_t l = 0; l < classes; ++l) {
            int m = 0;
            while (!((reach[l] >> m & 1) && (reach[m] >> l & 1)))
                ++m;
            blocks.root[l] = m;
            const int c = m_component.classes[l];
            blocks.total[m] += m_placement.average(c) * m_placement.head(c);
            blocks.heads[m] += m_placement.head(c);
        }
        return blocks;
    }

    // Every exchange inside a cell across two blocks that narrows their spread.
    std::vector<Crossing> crossingsOf(const Blocks& blocks) const
    {
        const double apart = blocks.spread(-1, -1, 0);
        std::vector<Crossing> crossings;
        for (const std::vector<int>& cell : m_cells) {
            for (int x : cell) {
                for (int y : cell) {
                    const int from = blocks.root[m_local[m_placement.classOf(x)]];
                    const int to = blocks.root[m_local[m_placement.classOf(y)]];
                    const double d = score(x) - score(y);
                    if (from != to && d > kTiny && blocks.spread(from, to, d) < apart - kTiny)
                        crossings.push_back({blocks.spread(from, to, d), x, y});
                }
            }
        }
        return crossings;
    }

    // Makes the crossing and lets each block settle on its own: carried back
    // across, an amount would only undo the exchange. True when the key
    // ended better than now (now is then that key); else the movable
    // students are back in their saved classes.
    bool cross(const Crossing& crossing, const Blocks& blocks, const std::vector<int>& saved, Key& now)
    {
        Key key = now;
        Change ch;
        if (!m_placement.change(crossing.x, crossing.y, ch))
            return false;
        key = m_placement.keyAfter(m_component, key, m_placement.classOf(crossing.x), m_placement.classOf(crossing.y), ch);
        m_placement.apply(crossing.x, crossing.y, ch);
        m_blockOf = blocks.root;
        for (int i = 0; i < kMostTransfers && step(key); ++i) {
        }
        m_blockOf.clear();
        if (better(key, now)) {
            now = key;
            return true;
        }
        m_placement.restore(m_component, saved);
        return false;
    }

    // Which class can carry each amount to which: m_gives[amount * classes + from] holds the classes `to`.
    void mapExchanges(double most)
    {
        std::vector<double> all;
        for (const std::vector<int>& cell : m_cells) {
            for (size_t i = 0; i < cell.size(); ++i) {
                for (size_t j = 0; j < i; ++j) {
                    const double d = std::abs(score(cell[i]) - score(cell[j]));
                    if (d > kTiny && d <= most)
                        all.push_back(d);
                }
            }
        }
        std::sort(all.begin(), all.end());
        m_amounts.clear();
        for (double d : all) {
            if (m_amounts.empty() || d > m_amounts.back() + kTiny)
                m_amounts.push_back(d);
        }
        const size_t classes = m_component.classes.size();
        m_gives.assign(m_amounts.size() * classes, 0);
        for (const std::vector<int>& cell : m_cells) {
            for (int x : cell) {
                for (int y : cell) {
                    const double d = score(x) - score(y);
                    const int from = m_local[m_placement.classOf(x)], to = m_local[m_placement.classOf(y)];
                    if (d > kTiny && d <= most && from != to && (m_blockOf.empty() || m_blockOf[from] == m_blockOf[to]))
                        m_gives[amountIndex(d) * classes + from] |= uint64_t{1} << to;
                }
            }
        }
    }

    size_t amountIndex(double d) const
    {
        return static_cast<size_t>(std::lower_bound(m_amounts.begin(), m_amounts.end(), d - kTiny) - m_amounts.begin());
    }

    // The shortest path of classes from `from` to `to` that each give the amount to the next.
    std::vector<Hop> path(int from, int to, size_t amount) const
    {
        const size_t classes = m_component.classes.size();
        const int start = m_local[from], end = m_local[to];
        std::vector<int> previous(classes, -1);
        std::vector<int> queue{start};
        uint64_t seen = uint64_t{1} << start;
        for (size_t q = 0; q < queue.size(); ++q) {
            uint64_t next = m_gives[amount * classes + queue[q]] & ~seen;
            seen |= next;
            while (next != 0) {
                const int l = std::countr_zero(next);
                next &= next - 1;
                previous[l] = queue[q];
                queue.push_back(l);
            }
            if (seen >> end & 1)
                break;
        }
        std::vector<Hop> hops;
        if (!(seen >> end & 1))
            return hops;
        for (int l = end; l != start; l = previous[l])
            hops.push_back({m_component.classes[previous[l]], m_component.classes[l]});
        std::reverse(hops.begin(), hops.end());
        return hops;
    }

    // Carries the amount along the shortest path and keeps it when the key gets better.
    bool carry(int from, int to, size_t amount, Key& now)
    {
        const std::vector<Hop> hops = path(from, to, amount);
        if (hops.empty())
            return false;
        std::vector<std::pair<int, int>> done;
        Key key = now;
        for (const Hop& hop : hops) {
            const auto [x, y] = exchangeFor(hop, m_amounts[amount]);
            Change ch;
            if (x < 0 || !m_placement.change(x, y, ch)) {
                undo(done);
                return false;
            }
            key = m_placement.keyAfter(m_component, key, hop.from, hop.to, ch);
            m_placement.apply(x, y, ch);
            done.emplace_back(x, y);
        }
        if (!better(key, now)) {
            undo(done);
            return false;
        }
        now = key;
        return true;
    }

    // Two students of one cell, in the classes of the hop, whose scores differ by the amount.
    std::pair<int, int> exchangeFor(const Hop& hop, double amount) const
    {
        for (const std::vector<int>& cell : m_cells) {
            for (int x : cell) {
                if (m_placement.classOf(x) != hop.from)
                    continue;
                for (int y : cell) {
                    if (m_placement.classOf(y) == hop.to && std::abs(score(x) - score(y) - amount) <= kTiny)
                        return {x, y};
                }
            }
        }
        return {-1, -1};
    }

    void undo(const std::vector<std::pair<int, int>>& done)
    {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            Change ch;
            m_placement.change(it->first, it->second, ch, false);
            m_placement.apply(it->first, it->second, ch);
        }
    }

    double score(int s) const { return m_p.students[s].score; }

    Placement& m_placement;
    const Component& m_component;
    const Problem& m_p;
    std::vector<int> m_local;              // [class]: index into the linked classes
    std::vector<std::vector<int>> m_cells; // the movable students of each group and band
    std::vector<double> m_amounts;         // every difference of scores inside a cell, once
    std::vector<uint64_t> m_gives;
    std::vector<int> m_blockOf; // [local class], while only transfers inside blocks are sought
};

} // namespace

void transferAlongPaths(Placement& placement, const Component& component, Key& now)
{
    Transfers transfers(placement, component);
    do {
        for (int i = 0; i < kMostTransfers && transfers.step(now); ++i) {
        }
    } while (transfers.bridge(now));
}

} // namespace classdiv::evening
