#include "search/JoinSeats.h"

#include "search/ChainExchange.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

namespace classdiv::evening {

namespace {

// The set of each class of the component once group `skip` is left out,
// numbered from 0 ([class], -1 outside the component); and how many sets.
int setsWithout(const Problem& p, const Component& component, int skip, std::vector<int>& setOf)
{
    std::vector<int> up(static_cast<size_t>(p.classCount));
    std::iota(up.begin(), up.end(), 0);
    const auto root = [&](int c) {
        while (up[c] != c)
            c = up[c] = up[up[c]];
        return c;
    };
    for (size_t g = 0; g < p.groups.size(); ++g) {
        const Group& group = p.groups[g];
        if (static_cast<int>(g) == skip || group.classes.empty() ||
            std::find(component.classes.begin(), component.classes.end(), group.classes[0]) == component.classes.end())
            continue;
        for (int c : group.classes)
            up[root(c)] = root(group.classes[0]);
    }
    setOf.assign(up.size(), -1);
    std::vector<int> number(up.size(), -1);
    int sets = 0;
    for (int c : component.classes) {
        int& n = number[root(c)];
        if (n < 0)
            n = sets++;
        setOf[c] = n;
    }
    return sets;
}

// The sets' totals, and how far apart their highest and lowest averages lie.
struct Sets {
    std::vector<double> sum;
    std::vector<int> head;
    double gap() const
    {
        double high = -INFINITY, low = INFINITY;
        for (size_t i = 0; i < sum.size(); ++i)
            if (head[i] > 0) {
                high = std::max(high, sum[i] / head[i]);
                low = std::min(low, sum[i] / head[i]);
            }
        return high - low;
    }
};

struct Pair {
    int x, y;           // x's set before y's
    int setX, setY;
    double move;        // y's score less x's: what x's set gains
};

// Every set of one to kMostJoinPairs of the pairs, in increasing order, that
// brings the sets' averages at least `least` nearer, each set of students once.
void choicesOf(const std::vector<Pair>& pairs, const Sets& sets, double least, std::set<std::vector<int>>& seen,
               std::vector<Replacement>& out)
{
    const double gapNow = sets.gap();
    std::vector<size_t> chosen;
    const auto weigh = [&] {
        Sets after = sets;
        std::vector<int> students;
        for (size_t i : chosen) {
            after.sum[pairs[i].setX] += pairs[i].move;
            after.sum[pairs[i].setY] -= pairs[i].move;
            students.push_back(pairs[i].x);
            students.push_back(pairs[i].y);
        }
        const double gap = after.gap();
        std::sort(students.begin(), students.end());
        if (gap + least > gapNow || std::adjacent_find(students.begin(), students.end()) != students.end() ||
            !seen.insert(students).second)
            return;
        Replacement r{{}, {}, -1, gap};
        for (size_t i : chosen) {
            r.out.push_back(pairs[i].x);
            r.in.push_back(pairs[i].y);
        }
        out.push_back(std::move(r));
    };
    const auto grow = [&](const auto& self, size_t from) -> void {
        for (size_t i = from; i < pairs.size(); ++i) {
            chosen.push_back(i);
            weigh();
            if (chosen.size() < kMostJoinPairs)
                self(self, i + 1);
            chosen.pop_back();
        }
    };
    grow(grow, 0);
}

} // namespace

std::vector<Replacement> joinReplacements(const Placement& placement, const Component& component, double least)
{
    const Problem& p = placement.problem();
    std::vector<Replacement> out;
    std::set<std::vector<int>> seen; // the students of each choice, sorted
    std::vector<int> setOf;
    for (size_t g = 0; g < p.groups.size(); ++g) {
        const Group& group = p.groups[g];
        if (!smallIn(group, component))
            continue;
        const int count = setsWithout(p, component, static_cast<int>(g), setOf);
        if (count < 2)
            continue;
        Sets sets{std::vector<double>(static_cast<size_t>(count), 0.0), std::vector<int>(static_cast<size_t>(count), 0)};
        for (int c : component.classes) {
            sets.sum[setOf[c]] += placement.sum(c);
            sets.head[setOf[c]] += placement.head(c);
        }
        std::vector<Pair> pairs;
        for (int x : group.students)
            for (int y : group.students) {
                const int sx = setOf[placement.classOf(x)], sy = setOf[placement.classOf(y)];
                if (sx < sy && placement.isFree(x) && placement.isFree(y) && p.rulesOf(x).flags == p.rulesOf(y).flags)
                    pairs.push_back({x, y, sx, sy, p.students[y].score - p.students[x].score});
            }
        choicesOf(pairs, sets, least, seen, out);
    }
    std::stable_sort(out.begin(), out.end(), [](const Replacement& a, const Replacement& b) { return a.gap < b.gap; });
    return out;
}

} // namespace classdiv::evening
