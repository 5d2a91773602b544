#include "search/Xoshiro256.h"

namespace classdiv::evening {

namespace {

// splitmix64 with its published constants (the golden ratio step and
// the two multipliers of its finaliser): any seed, even 0, spreads over
// every bit of a word.
uint64_t splitMix64(uint64_t& x)
{
    uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

} // namespace

void Xoshiro256::fill(uint64_t seed)
{
    for (uint64_t& word : m_state)
        word = splitMix64(seed);
}

void Xoshiro256::mix(uint64_t value)
{
    for (uint64_t& word : m_state)
        word ^= splitMix64(value);
    if ((m_state[0] | m_state[1] | m_state[2] | m_state[3]) == 0)
        m_state[0] = 1; // the one state xoshiro never leaves
}

} // namespace classdiv::evening
