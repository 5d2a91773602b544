#pragma once
// Compound steps of the annealing, for years with flag columns. The first
// trades two pairs of a small group between the same two classes at once.
// The second carries points between classes joined only
// through a small group: two of its students trade across the join, and
// what that trade does to a flag or mixing count is mended by an exchange
// of another group through one of the two classes (and, if need be, a
// second through the other). Alone, the trade of the small group would
// put a class past its range of boys or of a mixed value, and the mend
// alone would change nothing the rules ask for, so neither is ever taken
// by itself; together they keep every rule above the averages.

#include "search/Placement.h"

#include <functional>
#include <utility>
#include <vector>

namespace classdiv::evening {

// What the chain is judged by besides the rules: whether the annealing takes
// a key of the component, as it takes any step that makes only the averages
// change.
using TakesKey = std::function<bool(const Key&)>;

using Pairs = std::vector<std::pair<int, int>>;

// A small group: over two or more classes of the component, at most 16
// students, and at most a tenth of its movable students.
bool smallIn(const Group& group, const Component& component);

// Every pair of students of each small group of the component, over two or
// more of its classes: at most 16 students, and at most a tenth of its
// movable students.
Pairs smallGroupPairs(const Problem& problem, const Component& component);

// The larger groups (not small as above) that send at most kFewSeats
// students to one of their classes in the component (FewSeats.h).
constexpr int kFewSeats = 3;
std::vector<int> fewSeatGroups(const Problem& problem, const Component& component);

// Whether a's group sends at most `few` students to class ca or cb: a table
// by group and class, as the annealing asks it of every exchange that
// breaks a rule.
class SendsFew {
public:
    SendsFew(const Problem& problem, int few);
    bool operator()(int a, int ca, int cb) const
    {
        const size_t row = static_cast<size_t>(m_p.students[a].group) * m_p.classCount;
        return m_few[row + ca] || m_few[row + cb];
    }

private:
    const Problem& m_p;
    std::vector<char> m_few; // [group * classes + class]
};

// a and b, of a group that sends only a few students to one of their
// classes, may not trade alone for the rules; a second pair of the group
// between the same classes, drawn `draws` times at most, trades with them
// when the four together keep the rules, leave the band counts of the two
// classes no further outside their ranges and `takes` takes it. True when
// taken; `now` is then the component's key.
bool tryDoubleTrade(Placement& placement, const Component& component, int a, int b, Key& now, Rng& rng, int draws,
                    const TakesKey& takes);

// a and b, of one group in two classes, may not trade alone. Tries their
// trade with, for each of the two classes, the best mend of `draws` random
// exchanges of another group through it; keeps the chain when its rules are
// no worse than now's, no band count leaves its range and `takes` takes it.
// True when kept; `now` is then the component's key.
bool tryChain(Placement& placement, const Component& component, int a, int b, Key& now, Rng& rng, int draws,
              const TakesKey& takes);

} // namespace classdiv::evening
