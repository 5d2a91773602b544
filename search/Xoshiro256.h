#pragma once
// The search's random numbers, and the draw's beneath its seams.

#include <array>
#include <cstdint>

namespace classdiv::evening {

// xoshiro256**: 256 bits of state, a few nanoseconds a number.
class Xoshiro256 {
public:
    explicit Xoshiro256(uint64_t seed = 0) { fill(seed); }
    // Every word of the state from splitmix64 steps of seed.
    void fill(uint64_t seed);
    // XORs splitmix64 steps of value into the state: two different states
    // stay different, so repeated mixing cannot bring a state back.
    void mix(uint64_t value);
    // Inline: the evening-out search draws millions of numbers a use.
    uint64_t next()
    {
        // The multipliers, shifts and rotations are those of xoshiro256**
        // as Blackman and Vigna publish it: other numbers give other, worse bits.
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
    // 0 .. n - 1
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(((next() >> 32) * n) >> 32); }
    // 0 <= u < 1 in steps of 2^-53
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::array<uint64_t, 4> m_state{};
};

} // namespace classdiv::evening
