#include "search/FreeSeats.h"

#include <algorithm>

namespace classdiv::evening {

FreeSeats::FreeSeats(const Problem& problem, const std::vector<int>& place, const std::vector<char>& isFree)
    : m_p(problem), m_place(place), m_free(isFree), m_base(problem.groups.size(), 0), m_words(problem.groups.size(), 0)
{
    int words = 0;
    for (size_t g = 0; g < m_p.groups.size(); ++g) {
        m_base[g] = words;
        m_words[g] = static_cast<int>((m_p.groups[g].students.size() + 63) / 64);
        words += m_words[g] * static_cast<int>(m_p.groups[g].classes.size());
    }
    m_bits.assign(static_cast<size_t>(words), 0);
}

void FreeSeats::recount(const Seats& seats)
{
    std::fill(m_bits.begin(), m_bits.end(), 0);
    for (size_t s = 0; s < m_p.students.size(); ++s) {
        if (!m_free[s])
            continue;
        const int g = m_p.students[s].group;
        const int word = m_base[g] + seats.local(static_cast<int>(s)) * m_words[g] + m_place[s] / 64;
        m_bits[static_cast<size_t>(word)] |= uint64_t(1) << (m_place[s] % 64);
    }
}

} // namespace classdiv::evening
