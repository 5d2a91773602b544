#pragma once
// Where the draw takes its random numbers from.

#include "search/Xoshiro256.h"

#include <cstdint>

namespace classdiv {

using evening::Xoshiro256;

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniformly distributed single-precision number r, 0 <= r < 1.
    virtual float next() = 0;
    // Seed anew from the clock (called at the start of every block).
    virtual void reseed() = 0;
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
