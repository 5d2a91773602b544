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

// Production: a 256-bit xoshiro generator whose re-seed mixes the clock into
// its state instead of replacing it, so blocks drawn within one clock reading
// never repeat a permutation, and a re-seed costs a few nanoseconds.
class ClockRandomSource final : public RandomSource {
public:
    ClockRandomSource();
    float next() override;
    void reseed() override;

private:
    uint64_t nextBits();

    std::array<uint64_t, 4> m_state{};
};

} // namespace classdiv
