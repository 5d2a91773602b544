#include "search/ChainExchange.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>

namespace classdiv::evening {

namespace {

// Draws of a student of the class for each mend tried, before giving up.
constexpr int kDrawsPerMend = 4;

auto rulesOf(const Key& k)
{
    return std::tuple(k.pairs, k.flags, k.levels, k.mix, k.mixLevel);
}

// The same after a change, without weighing the averages.
auto rulesOf(const Key& k, const Change& ch)
{
    Key after = k;
    addRules(after, ch);
    return rulesOf(after);
}

// The exchanges of a chain as made, to be taken back in reverse.
class Chain {
public:
    Chain(Placement& placement, const Component& component) : m_p(placement), m_component(component) {}

    void make(int x, int y, const Change& ch, const Key& after)
    {
        m_p.apply(x, y, ch);
        m_made[m_count++] = {x, y};
        key = after;
    }
    void takeBack()
    {
        while (m_count > 0) {
            const auto [x, y] = m_made[--m_count];
            Change ch;
            m_p.change(x, y, ch, false);
            m_p.apply(x, y, ch);
        }
    }

    // Of `draws` random exchanges of another group than `group` between
    // class `through` and another class, the one after which the key is
    // best; made when it brings the rules closer to `aim`. True when made.
    bool mend(int through, int group, const Key& aim, Rng& rng, int draws)
    {
        const Problem& problem = m_p.problem();
        const uint32_t count = static_cast<uint32_t>(m_component.movable.size());
        int bestC = -1, bestD = -1;
        Change bestChange;
        Key best = key;
        for (int tries = 0; tries < draws * kDrawsPerMend && draws > 0; ++tries) {
            const int c = m_component.movable[rng.below(count)];
            if (m_p.classOf(c) != through || problem.students[c].group == group || !m_p.isFree(c))
                continue;
            --draws;
            const int d = m_p.partner(c, rng);
            Change ch;
            // One whose rules come out worse than the best's is never taken: its
            // averages are not weighed, nor its levels where the marks or a flag
            // range get worse.
            if (d < 0 || !m_p.isFree(d) || m_p.classOf(d) == through || !m_p.changeUnlessWorse(c, d, ch) ||
                ch.worseAtTop() || rulesOf(key, ch) > rulesOf(best))
                continue;
            const Key after = m_p.keyAfter(m_component, key, through, m_p.classOf(d), ch);
            if (rulesOf(after) < rulesOf(best) || (bestC >= 0 && rulesOf(after) == rulesOf(best) && better(after, best))) {
                best = after;
                bestC = c;
                bestD = d;
                bestChange = ch;
            }
        }
        if (bestC < 0 || !(rulesOf(best) < rulesOf(key)))
            return false;
        make(bestC, bestD, bestChange, best);
        return rulesOf(key) <= rulesOf(aim);
    }

    Key key;

private:
    Placement& m_p;
    const Component& m_component;
    std::array<std::pair<int, int>, 3> m_made{};
    int m_count = 0;
};

// A group over two or more classes of the component.
bool spreadIn(const Group& group, const Component& component)
{
    return group.classes.size() >= 2 &&
           std::find(component.classes.begin(), component.classes.end(), group.classes[0]) != component.classes.end();
}

bool isSmall(const Group& group, const Component& component)
{
    constexpr size_t kMost = 16, kShare = 10;
    return group.students.size() <= kMost && group.students.size() * kShare <= component.movable.size();
}

bool fewIn(const Group& group, int cls)
{
    for (size_t l = 0; l < group.classes.size(); ++l)
        if (group.classes[l] == cls)
            return group.headCounts[l] <= kFewSeats;
    return false;
}

} // namespace

bool smallIn(const Group& group, const Component& component)
{
    return spreadIn(group, component) && isSmall(group, component);
}

Pairs smallGroupPairs(const Problem& problem, const Component& component)
{
    Pairs pairs;
    for (const Group& group : problem.groups) {
        if (!smallIn(group, component))
            continue;
        for (size_t i = 0; i < group.students.size(); ++i)
            for (size_t j = i + 1; j < group.students.size(); ++j)
                pairs.emplace_back(group.students[i], group.students[j]);
    }
    return pairs;
}

std::vector<int> fewSeatGroups(const Problem& problem, const Component& component)
{
    std::vector<int> groups;
    for (size_t g = 0; g < problem.groups.size(); ++g) {
        const Group& group = problem.groups[g];
        if (spreadIn(group, component) && !isSmall(group, component) &&
            std::any_of(group.classes.begin(), group.classes.end(), [&](int cls) { return fewIn(group, cls); }))
            groups.push_back(static_cast<int>(g));
    }
    return groups;
}

SendsFew::SendsFew(const Problem& problem, int few)
    : m_p(problem), m_few(problem.groups.size() * static_cast<size_t>(problem.classCount), 0)
{
    for (size_t g = 0; g < problem.groups.size(); ++g) {
        const Group& group = problem.groups[g];
        for (size_t l = 0; l < group.classes.size(); ++l)
            if (group.headCounts[l] <= few)
                m_few[g * static_cast<size_t>(problem.classCount) + static_cast<size_t>(group.classes[l])] = 1;
    }
}

bool tryDoubleTrade(Placement& placement, const Component& component, int a, int b, Key& now, Rng& rng, int draws,
                    const TakesKey& takes)
{
    const Group& group = placement.problem().groups[placement.problem().students[a].group];
    const int ca = placement.classOf(a), cb = placement.classOf(b);
    const auto drawIn = [&](int cls, int other) {
        for (int tries = 0; tries < draws; ++tries)
            if (const int s = group.students[rng.below(static_cast<uint32_t>(group.students.size()))];
                s != other && placement.classOf(s) == cls && placement.isFree(s))
                return s;
        return -1;
    };
    const int c = drawIn(ca, a), d = drawIn(cb, b);
    if (c < 0 || d < 0)
        return false;
    const long bandsBefore = placement.bandsOutside(a) + placement.bandsOutside(b);
    Change first, second;
    placement.change(a, b, first, false);
    const Key between = placement.keyAfter(component, now, ca, cb, first);
    placement.apply(a, b, first);
    placement.change(c, d, second, false);
    const Key after = placement.keyAfter(component, between, ca, cb, second);
    if (rulesOf(after) <= rulesOf(now) && (rulesOf(after) < rulesOf(now) || takes(after))) {
        placement.apply(c, d, second);
        if (placement.bandsOutside(a) + placement.bandsOutside(b) <= bandsBefore) {
            now = after;
            return true;
        }
        placement.change(c, d, second, false);
        placement.apply(c, d, second);
    }
    placement.change(a, b, first, false);
    placement.apply(a, b, first);
    return false;
}

bool tryChain(Placement& placement, const Component& component, int a, int b, Key& now, Rng& rng, int draws,
              const TakesKey& takes)
{
    const int ca = placement.classOf(a), cb = placement.classOf(b);
    Change first;
    if (!placement.change(a, b, first))
        return false;
    Chain chain(placement, component);
    chain.make(a, b, first, placement.keyAfter(component, now, ca, cb, first));
    const int group = placement.problem().students[a].group;
    // b now sits in ca, a in cb: each class is mended through itself.
    const bool mended = chain.mend(ca, group, now, rng, draws) || chain.mend(cb, group, now, rng, draws);
    if (mended && (rulesOf(chain.key) < rulesOf(now) || takes(chain.key))) {
        now = chain.key;
        return true;
    }
    chain.takeBack();
    return false;
}

} // namespace classdiv::evening
