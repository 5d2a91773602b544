#pragma once
// Random years in the search's own form (search/Search.h), from
// a seed: groups over overlapping classes, fair bands, marks, mixing, flag
// columns, together sets, fixed students and, for some seeds, half-point
// scores; and a start that keeps every group's head counts. Standard C++
// only, so that the same years can be evened by any version of the search.

#include "search/Search.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace classdiv::evening::testing {

class SmallRng {
public:
    explicit SmallRng(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    uint32_t below(uint32_t n)
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<uint32_t>(m_state % n);
    }

private:
    uint64_t m_state;
};

// Shares of the classes in each value of a column, as evenly as head counts allow.
inline std::vector<double> evenShares(const Problem& p, int values, const std::vector<int>& valueOf)
{
    std::vector<double> share(static_cast<size_t>(p.classCount) * values, 0.0);
    std::vector<int> holding(values, 0);
    for (int v : valueOf)
        if (v >= 0)
            ++holding[v];
    for (const Group& g : p.groups)
        for (size_t l = 0; l < g.classes.size(); ++l)
            for (int v = 0; v < values; ++v)
                share[static_cast<size_t>(g.classes[l]) * values + v] +=
                    double(g.headCounts[l]) * holding[v] / static_cast<double>(valueOf.size());
    return share;
}

inline Problem randomProblem(uint64_t seed, std::vector<int>& start)
{
    SmallRng rng(seed);
    Problem p;
    p.classCount = 3 + static_cast<int>(rng.below(4));
    p.bandCount = 6;
    const int groups = 2 + static_cast<int>(rng.below(4));
    const bool halves = rng.below(3) == 0;
    const bool rules = rng.below(2) == 0;
    std::vector<int> mixOf, flagOf;
    for (int g = 0; g < groups; ++g) {
        Group group;
        const int first = static_cast<int>(rng.below(static_cast<uint32_t>(p.classCount)));
        const int spread = 1 + static_cast<int>(rng.below(static_cast<uint32_t>(p.classCount)));
        for (int k = 0; k < spread; ++k) {
            group.classes.push_back((first + k) % p.classCount);
            group.headCounts.push_back(4 + static_cast<int>(rng.below(10)));
        }
        const double mean = 40 + rng.below(40);
        for (size_t l = 0; l < group.classes.size(); ++l)
            for (int h = 0; h < group.headCounts[l]; ++h) {
                const int s = static_cast<int>(p.students.size());
                Student st;
                st.group = g;
                st.score = std::clamp(mean + static_cast<double>(rng.below(41)) - 20, 0.0, 100.0) +
                           (halves && rng.below(4) == 0 ? 0.5 : 0);
                st.band = std::min(5, static_cast<int>((100 - st.score) / 17));
                st.mark = rules && rng.below(12) == 0 ? static_cast<int>(rng.below(3)) : -1;
                st.mix = static_cast<int>(rng.below(4));
                st.order = static_cast<int>(rng.below(100000)) * 1000 + s;
                p.markCount = std::max(p.markCount, st.mark + 1);
                group.students.push_back(s);
                p.students.push_back(st);
                start.push_back(group.classes[l]);
                mixOf.push_back(st.mix);
                flagOf.push_back(rules && rng.below(5) == 0 ? 0 : -1);
            }
        // Highest score first, as the search expects a group's students.
        std::sort(group.students.begin(), group.students.end(),
                  [&](int a, int b) { return p.students[a].score > p.students[b].score; });
        p.groups.push_back(group);
        p.wholeScores = p.wholeScores && !halves;
    }
    p.mixCount = 4;
    p.mixShare = evenShares(p, p.mixCount, mixOf);
    if (rules) {
        p.rules.resize(p.students.size());
        p.flagColumns = 1;
        p.flagValues[0] = 1;
        p.flagShare[0] = evenShares(p, 1, flagOf);
        for (size_t s = 0; s < p.students.size(); ++s)
            p.rules[s].flags[0] = flagOf[s];
        const int fixed = static_cast<int>(rng.below(static_cast<uint32_t>(p.students.size())));
        p.rules[static_cast<size_t>(fixed)].fixedClass = start[static_cast<size_t>(fixed)];
    }
    return p;
}

// Shares pool by pool, as the program gives them: the groups that open the
// same classes are one pool, whose students of a value each of its classes
// shares by its head count.
inline std::vector<double> poolShares(const Problem& p, int values, const std::vector<int>& valueOf)
{
    std::vector<double> share(static_cast<size_t>(p.classCount) * values, 0.0);
    std::vector<char> done(p.groups.size(), 0);
    for (size_t g = 0; g < p.groups.size(); ++g) {
        if (done[g])
            continue;
        std::vector<int> heads(p.classCount, 0), holding(values, 0);
        int size = 0;
        for (size_t h = g; h < p.groups.size(); ++h) {
            if (p.groups[h].classes != p.groups[g].classes)
                continue;
            done[h] = 1;
            for (size_t l = 0; l < p.groups[h].classes.size(); ++l)
                heads[p.groups[h].classes[l]] += p.groups[h].headCounts[l];
            for (int s : p.groups[h].students) {
                ++size;
                if (valueOf[s] >= 0)
                    ++holding[valueOf[s]];
            }
        }
        for (int c = 0; c < p.classCount; ++c)
            for (int v = 0; v < values; ++v)
                share[static_cast<size_t>(c) * values + v] += double(heads[c]) * holding[v] / size;
    }
    return share;
}

// A random year with the rules and two flag columns: a sex of every
// student, boys a little more or fewer than girls, and a leader flag on
// about one in six; the mixing column as randomProblem gives it.
inline Problem randomFlagYear(uint64_t seed, std::vector<int>& start)
{
    Problem p;
    do {
        start.clear();
        p = randomProblem(seed, start);
        seed += 1000;
    } while (p.rules.empty());
    SmallRng rng(seed);
    std::vector<int> sex(p.students.size()), leader(p.students.size());
    const uint32_t boys = 40 + rng.below(21); // per cent
    for (size_t s = 0; s < p.students.size(); ++s) {
        sex[s] = rng.below(100) < boys ? 0 : 1;
        leader[s] = rng.below(6) == 0 ? 0 : -1;
        p.rules[s].flags = {sex[s], leader[s], -1, -1};
    }
    p.flagColumns = 2;
    p.flagValues = {2, 1, 0, 0};
    p.flagShare[0] = poolShares(p, 2, sex);
    p.flagShare[1] = poolShares(p, 1, leader);
    p.mixShare = poolShares(p, p.mixCount, [&] {
        std::vector<int> mix;
        for (const Student& s : p.students)
            mix.push_back(s.mix);
        return mix;
    }());
    return p;
}

inline uint64_t fingerprint(const std::vector<int>& classOf)
{
    uint64_t hash = 1469598103934665603ULL;
    for (int c : classOf)
        hash = (hash ^ static_cast<uint64_t>(c + 1)) * 1099511628211ULL;
    return hash;
}

// Every placement that keeps the head counts, group by group: each group's
// students take every order of its planned seats.
inline void everyHeadCountPlacement(const Problem& p, const std::function<void(const std::vector<int>&)>& visit)
{
    std::vector<int> classOf(p.students.size(), -1);
    std::function<void(size_t)> place = [&](size_t g) {
        if (g == p.groups.size())
            return visit(classOf);
        const Group& group = p.groups[g];
        std::vector<int> order;
        for (size_t l = 0; l < group.classes.size(); ++l)
            order.insert(order.end(), group.headCounts[l], group.classes[l]);
        std::sort(order.begin(), order.end()); // next_permutation starts from the first order
        do {
            for (size_t i = 0; i < group.students.size(); ++i)
                classOf[group.students[i]] = order[i];
            place(g + 1);
        } while (std::next_permutation(order.begin(), order.end()));
    };
    place(0);
}

} // namespace classdiv::evening::testing
