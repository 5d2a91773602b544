#include "division/RandomSource.h"

#include <chrono>
#include <random>

namespace classdiv {

namespace {

uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

uint64_t splitMix64(uint64_t& x)
{
    uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

uint64_t clockReading()
{
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

} // namespace

ClockRandomSource::ClockRandomSource()
{
    // Two programs started within one clock tick still differ.
    std::random_device device;
    uint64_t seed = clockReading() ^ (uint64_t(device()) << 32 | device());
    for (uint64_t& word : m_state)
        word = splitMix64(seed);
}

uint64_t ClockRandomSource::nextBits()
{
    const uint64_t result = rotl(m_state[1] * 5, 7) * 9;
    const uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
}

float ClockRandomSource::next()
{
    // The top 24 bits fill a float's mantissa exactly: multiples of 2^-24,
    // the largest 1 - 2^-24, never 1.
    return static_cast<float>(nextBits() >> 40) * 0x1.0p-24f;
}

void ClockRandomSource::reseed()
{
    // XOR the same clock reading into two different states and they stay
    // different, so a tight loop of re-seeds cannot bring a state back.
    uint64_t mix = clockReading();
    for (uint64_t& word : m_state)
        word ^= splitMix64(mix);
    if ((m_state[0] | m_state[1] | m_state[2] | m_state[3]) == 0)
        m_state[0] = 1; // the one state xoshiro never leaves
    nextBits();
}

} // namespace classdiv
