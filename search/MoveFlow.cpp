// Successive shortest paths (Bellman-Ford with a queue) on a graph of a few
// hundred edges: a group of a few hundred students is solved in well under a
// millisecond, and the costs may be negative (a stay, a count below its range).

#include "search/MoveFlow.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>

namespace classdiv::evening {

namespace {

// More than every stay of a year together: a count outside its range is never traded for stays.
constexpr int64_t kOutside = 1'000'000;
constexpr int kUnbounded = 1 << 20;

struct Edge {
    int to;
    int rev;
    int cap;
    int64_t cost;
};

class Flow {
public:
    explicit Flow(int nodes) : m_edges(nodes) {}

    // The index of the edge in its node's list.
    int add(int from, int to, int cap, int64_t cost)
    {
        m_edges[from].push_back({to, static_cast<int>(m_edges[to].size()), cap, cost});
        m_edges[to].push_back({from, static_cast<int>(m_edges[from].size()) - 1, 0, -cost});
        return static_cast<int>(m_edges[from].size()) - 1;
    }
    int flowOn(int from, int index) const
    {
        const Edge& e = m_edges[from][index];
        return m_edges[e.to][e.rev].cap;
    }

    void run(int source, int sink)
    {
        const int n = static_cast<int>(m_edges.size());
        std::vector<int64_t> dist(n);
        std::vector<int> prevNode(n), prevEdge(n);
        std::vector<char> queued(n);
        for (;;) {
            std::fill(dist.begin(), dist.end(), std::numeric_limits<int64_t>::max());
            dist[source] = 0;
            std::deque<int> queue{source};
            queued.assign(n, 0);
            queued[source] = 1;
            while (!queue.empty()) {
                const int u = queue.front();
                queue.pop_front();
                queued[u] = 0;
                for (int i = 0; i < static_cast<int>(m_edges[u].size()); ++i) {
                    const Edge& e = m_edges[u][i];
                    if (e.cap > 0 && dist[u] + e.cost < dist[e.to]) {
                        dist[e.to] = dist[u] + e.cost;
                        prevNode[e.to] = u;
                        prevEdge[e.to] = i;
                        if (!queued[e.to]) {
                            queued[e.to] = 1;
                            queue.push_back(e.to);
                        }
                    }
                }
            }
            if (dist[sink] == std::numeric_limits<int64_t>::max())
                return;
            int push = kUnbounded;
            for (int v = sink; v != source; v = prevNode[v])
                push = std::min(push, m_edges[prevNode[v]][prevEdge[v]].cap);
            for (int v = sink; v != source; v = prevNode[v]) {
                Edge& e = m_edges[prevNode[v]][prevEdge[v]];
                e.cap -= push;
                m_edges[v][e.rev].cap += push;
            }
        }
    }

private:
    std::vector<std::vector<Edge>> m_edges;
};

} // namespace

BandFlow solveBandFlow(const BandFlowInput& in)
{
    const int cells = in.classes * in.bands;
    // source, bands, cells, classes, sink
    const int source = 0, firstBand = 1, firstCell = firstBand + in.bands, firstClass = firstCell + cells;
    const int sink = firstClass + in.classes;
    Flow flow(sink + 1);
    struct CellEdges {
        int low, within, over, stay;
    };
    std::vector<CellEdges> edges(cells);
    for (int b = 0; b < in.bands; ++b)
        flow.add(source, firstBand + b, in.supply[b], 0);
    for (int c = 0; c < in.classes; ++c) {
        for (int b = 0; b < in.bands; ++b) {
            const int i = c * in.bands + b;
            const int lo = std::max(0, in.lo[i]), hi = std::max(lo, in.hi[i]);
            CellEdges& e = edges[i];
            e.low = flow.add(firstBand + b, firstCell + i, lo, -kOutside);
            e.within = flow.add(firstBand + b, firstCell + i, hi - lo, 0);
            e.over = flow.add(firstBand + b, firstCell + i, kUnbounded, kOutside);
            e.stay = flow.add(firstCell + i, firstClass + c, in.stayers[i], -1);
            flow.add(firstCell + i, firstClass + c, kUnbounded, 0);
        }
        flow.add(firstClass + c, sink, std::max(0, in.room[c]), 0);
    }
    flow.run(source, sink);

    BandFlow out;
    out.placed.assign(cells, 0);
    out.stay.assign(cells, 0);
    for (int c = 0; c < in.classes; ++c) {
        for (int b = 0; b < in.bands; ++b) {
            const int i = c * in.bands + b;
            const int from = firstBand + b;
            out.placed[i] = flow.flowOn(from, edges[i].low) + flow.flowOn(from, edges[i].within) + flow.flowOn(from, edges[i].over);
            out.stay[i] = flow.flowOn(firstCell + i, edges[i].stay);
            out.outside += std::max(0, in.lo[i] - out.placed[i]) + std::max(0, out.placed[i] - in.hi[i]);
        }
    }
    return out;
}

bool placeByFlow(const BandFlow& flow, const std::vector<int>& classes, std::vector<std::vector<int>>& stayers,
                 std::vector<std::vector<int>>& pool, std::vector<int>& classOf)
{
    const int cells = static_cast<int>(stayers.size()), bands = static_cast<int>(pool.size());
    for (int i = 0; i < cells; ++i) {
        for (size_t k = 0; k < stayers[i].size(); ++k) {
            if (static_cast<int>(k) < flow.stay[i])
                classOf[stayers[i][k]] = classes[i / bands];
            else
                pool[i % bands].push_back(stayers[i][k]);
        }
    }
    for (int i = 0; i < cells; ++i) {
        std::vector<int>& from = pool[i % bands];
        for (int k = flow.stay[i]; k < flow.placed[i] && !from.empty(); ++k) {
            classOf[from.back()] = classes[i / bands];
            from.pop_back();
        }
    }
    return std::all_of(pool.begin(), pool.end(), [](const std::vector<int>& left) { return left.empty(); });
}

} // namespace classdiv::evening
