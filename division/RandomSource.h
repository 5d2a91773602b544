#pragma once
// Where the draw takes its random numbers from.

#include <array>
#include <cstdint>

namespace classdiv {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniformly distributed single-precision number r, 0 <= r < 1.
    virtual float next() = 0;
    // Seed anew from the clock (called at the start of every block).
    virtual void reseed() = 0;
};

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

// Production: a 256-bit xoshiro generator whose re-seed mixes the clock into
// its state instead of replacing it, so blocks drawn within one clock reading
// never repeat a permutation, and a re-seed costs a few nanoseconds.
class ClockRandomSource final : public RandomSource {
public:
    ClockRandomSource();
    float next() override;
    void reseed() override;

private:
    Xoshiro256 m_bits;
};

// Draw numbers: every press draws from one, and the same number with the same
// conditions gives the same classes on every platform.
inline constexpr uint32_t kLargestDrawNumber = 999'999'999;

// A fresh draw number, 1 .. kLargestDrawNumber, taken from the program's source.
uint32_t freshDrawNumber(RandomSource& random);

// The numbers of one draw number: xoshiro256** filled from the number, and a
// re-seed mixes in the count of re-seeds instead of the clock. Only integer
// arithmetic and one exact conversion to float, so Linux and Windows builds
// hand out the same numbers.
class NumberedRandomSource final : public RandomSource {
public:
    explicit NumberedRandomSource(uint32_t drawNumber);
    float next() override;
    void reseed() override;

private:
    Xoshiro256 m_bits;
    uint64_t m_reseeds = 0;
};

} // namespace classdiv
