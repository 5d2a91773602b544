#pragma once
// Where the draw takes its random numbers from.

#include <cstdint>
#include <random>

namespace classdiv {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniformly distributed single-precision number r, 0 <= r < 1.
    virtual float next() = 0;
    // Seed anew from the clock (called at the start of every block).
    virtual void reseed() = 0;
};

// Production: a 64-bit generator whose re-seed mixes the clock into its
// state, so blocks drawn within one clock reading never repeat a permutation.
class ClockRandomSource final : public RandomSource {
public:
    ClockRandomSource();
    float next() override;
    void reseed() override;

private:
    std::mt19937_64 m_engine;
};

} // namespace classdiv
