#pragma once
// A part of the search's Placement (Placement.h): the students of each
// group's classes that may be exchanged one for one (Placement::isFree), as
// bits by their place in the group. A together set moved whole draws a
// partner for each member among the free students of its group in the new
// class; with these bits the draw counts and picks them in a few words
// instead of looking through the whole group at every step.

#include "search/Problem.h"
#include "search/Seats.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace classdiv::evening {

class FreeSeats {
public:
    // place: each student's index in its group's students; isFree: [student].
    FreeSeats(const Problem& problem, const std::vector<int>& place, const std::vector<char>& isFree);

    void recount(const Seats& seats);
    // Before the seats change: a, in its group's local'th class la, trades with b in lb.
    void exchange(int a, int b, int la, int lb)
    {
        flip(a, la, lb);
        flip(b, lb, la);
    }
    // The free students of group g in its local'th class.
    int count(int g, int local) const
    {
        const uint64_t* row = rowOf(g, local);
        int n = 0;
        for (int w = 0; w < m_words[g]; ++w)
            n += std::popcount(row[w]);
        return n;
    }
    // The k'th of them (from 0), in the order of the group's students.
    int nth(int g, int local, int k) const
    {
        const uint64_t* row = rowOf(g, local);
        for (int w = 0;; ++w) {
            uint64_t bits = row[w];
            const int here = std::popcount(bits);
            if (k >= here) {
                k -= here;
                continue;
            }
            for (; k > 0; --k)
                bits &= bits - 1;
            return m_p.groups[g].students[w * 64 + std::countr_zero(bits)];
        }
    }

private:
    const uint64_t* rowOf(int g, int local) const { return m_bits.data() + m_base[g] + local * m_words[g]; }
    void flip(int s, int from, int to)
    {
        if (!m_free[s])
            return;
        const int g = m_p.students[s].group;
        const uint64_t bit = uint64_t(1) << (m_place[s] % 64);
        const int word = m_base[g] + m_place[s] / 64;
        m_bits[word + from * m_words[g]] ^= bit;
        m_bits[word + to * m_words[g]] ^= bit;
    }

    const Problem& m_p;
    const std::vector<int>& m_place;
    const std::vector<char>& m_free;
    std::vector<int> m_base;  // [group]: where its rows start
    std::vector<int> m_words; // [group]: the words of one of its rows
    std::vector<uint64_t> m_bits;
};

} // namespace classdiv::evening
