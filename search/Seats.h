#pragma once
// The narrow view the parts of the search's Placement (PlacementParts.h)
// count from: where every student sits, and each exchange as it is made.
// And the set of linked classes whose key the parts make up together.

#include "search/Problem.h"

#include <array>
#include <utility>
#include <vector>

namespace classdiv::evening {

// A set of linked classes, and the students who can move within it.
struct Component {
    std::vector<int> classes;
    std::vector<int> movable; // students of its groups that have a choice and are not fixed
    double mean = 0;          // the average of all its students: fixed by the head counts
    int largestClass = 1;
    std::array<double, kScoreColumns> extraMean{}; // of the counted students, column by column
};

// Where every student sits: its class, and that class as an index into its
// group's classes. The class of every student is the caller's array.
class Seats {
public:
    Seats(const Problem& problem, std::vector<int>& classOf);

    int classOf(int s) const { return m_class[s]; }
    int local(int s) const { return m_local[s]; }
    const std::vector<int>& classes() const { return m_class; }
    void exchange(int a, int b)
    {
        std::swap(m_class[a], m_class[b]);
        std::swap(m_local[a], m_local[b]);
    }
    // s into class c, one of its group's.
    void seat(int s, int c);

    // Every seat, to be put back whole.
    struct Saved {
        std::vector<int> classes, locals;
    };
    Saved save() const { return {m_class, m_local}; }
    void load(const Saved& saved)
    {
        m_class = saved.classes;
        m_local = saved.locals;
    }

private:
    const Problem& m_p;
    std::vector<int>& m_class;
    std::vector<int> m_local;
};

// An exchange of two students of one group, as the parts are told of it: a
// leaves class ca for cb, b the other way; the students are looked up once.
struct Exchange {
    Exchange(const Problem& p, const Seats& seats, int first, int second)
        : a(first), b(second), ca(seats.classOf(first)), cb(seats.classOf(second)), sa(p.students[first]),
          sb(p.students[second])
    {
    }
    const int a, b;
    const int ca, cb;
    const Student& sa;
    const Student& sb;
};

} // namespace classdiv::evening
