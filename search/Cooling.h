#pragma once
// The cooling of one round of the evening-out annealing: the temperature
// falls geometrically from hot to cold over the round's steps, and a step
// that makes things worse by `rise` passes with the chance exp(-rise / T).

#include "search/Xoshiro256.h"

#include <algorithm>
#include <cmath>

namespace classdiv::evening {

class CoolingSchedule {
public:
    // The first round starts at half the typical change of a random exchange:
    // warm enough to leave the arrangement of the press. Later rounds start
    // from the best found and only search near it.
    static constexpr double kFirstRoundStart = 0.5;
    static constexpr double kLaterRoundStart = 0.1;
    // Every round ends at a small share of the finest step an average can
    // take (a point over the largest class), where only improvements pass.
    static constexpr double kEndShareOfFinestStep = 0.02;

    CoolingSchedule(int round, double typicalChange, double finestStep, long steps)
        : m_temperature(std::max(typicalChange * (round == 0 ? kFirstRoundStart : kLaterRoundStart), finestStep)),
          m_cooling(std::pow(finestStep * kEndShareOfFinestStep / m_temperature,
                             1.0 / static_cast<double>(std::max(1L, steps))))
    {
    }

    // Whether a step that changes the energy by `rise` is taken now. A
    // random number is drawn only for a step that makes things worse.
    bool takes(double rise, Xoshiro256& rng) const
    {
        if (rise <= 0)
            return true;
        const double u = rng.unit();
        const double power = -rise / m_temperature;
        // Below e^-40 (4e-18) only u = 0 passes: every other u is at least
        // 2^-53. Most steps of a cold round end here, without the exp.
        if (power < -40)
            return u == 0 && std::exp(power) > 0;
        return u < std::exp(power);
    }
    // The next step of the round.
    void cool() { m_temperature *= m_cooling; }

private:
    double m_temperature;
    double m_cooling;
};

} // namespace classdiv::evening
