#pragma once
// A random source for tests: hands out fixed numbers in order, over and over, and counts re-seeds.

#include "division/draw/RandomSource.h"

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace classdiv::testing {

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> numbers) : m_numbers(std::move(numbers)) {}

    float next() override
    {
        if (m_numbers.empty())
            throw std::logic_error("ScriptedRandom has no numbers");
        if (m_next >= m_numbers.size())
            m_next = 0;
        ++m_taken;
        return m_numbers[m_next++];
    }
    void reseed() override { ++m_reseeds; }

    std::size_t taken() const { return m_taken; }
    std::size_t reseeds() const { return m_reseeds; }

private:
    std::vector<float> m_numbers;
    std::size_t m_next = 0;
    std::size_t m_taken = 0;
    std::size_t m_reseeds = 0;
};

} // namespace classdiv::testing
