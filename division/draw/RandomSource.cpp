#include "division/draw/RandomSource.h"

#include <algorithm>
#include <chrono>
#include <random>

namespace classdiv {

namespace {

uint64_t clockReading()
{
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

} // namespace

ClockRandomSource::ClockRandomSource()
{
    // Two programs started within one clock tick still differ.
    std::random_device device;
    m_bits.fill(clockReading() ^ (uint64_t(device()) << 32 | device()));
}

float ClockRandomSource::next()
{
    // The top 24 bits fill a float's mantissa exactly: multiples of 2^-24,
    // the largest 1 - 2^-24, never 1.
    return static_cast<float>(m_bits.next() >> 40) * 0x1.0p-24f;
}

void ClockRandomSource::reseed()
{
    // The clock is mixed into the state instead of replacing it, so a tight
    // loop of re-seeds within one clock reading cannot repeat a permutation.
    m_bits.mix(clockReading());
    m_bits.next();
}

uint32_t freshDrawNumber(RandomSource& random)
{
    random.reseed();
    // Three numbers, each taken to 0 .. 999 (a float below 1 times 1000 stays below 1000).
    uint32_t number = 0;
    for (int i = 0; i < 3; ++i)
        number = number * 1000 + std::min(999u, static_cast<uint32_t>(random.next() * 1000.0f));
    return number % kLargestDrawNumber + 1;
}

NumberedRandomSource::NumberedRandomSource(uint32_t drawNumber)
{
    // A constant beside the number keeps draw number 0's state away from the seed 0 of other uses.
    m_bits.fill(0x636c617373646976ULL ^ drawNumber);
}

float NumberedRandomSource::next()
{
    return static_cast<float>(m_bits.next() >> 40) * 0x1.0p-24f;
}

void NumberedRandomSource::reseed()
{
    m_bits.mix(++m_reseeds);
    m_bits.next();
}

} // namespace classdiv
