#pragma once
// Rounding as the distribution table's running totals do it. The standard
// library only: the evening-out search (search/) rounds its class
// totals the same way and includes nothing else of the program.

#include <cmath>

namespace classdiv {

// Nearest whole number, an exact half going to the even neighbour.
inline double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

} // namespace classdiv
