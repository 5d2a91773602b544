#pragma once
// A random source for tests: hands out fixed numbers in order and counts re-seeds.

#include "division/RandomSource.h"

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace classdiv::testing {

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> numbers, bool repeat = true)
        : m_numbers(std::move(numbers)), m_repeat(repeat) {}

    float next() override
    {
        if (m_numbers.empty())
            throw std::logic_error("ScriptedRandom has no numbers");
        if (m_next >= m_numbers.size()) {
            if (!m_repeat)
                throw std::logic_error("ScriptedRandom ran out of numbers");
            m_next = 0;
        }
        ++m_taken;
        return m_numbers[m_next++];
    }
    void reseed() override { ++m_reseeds; }

    std::size_t taken() const { return m_taken; }
    std::size_t reseeds() const { return m_reseeds; }

private:
    std::vector<float> m_numbers;
    bool m_repeat;
    std::size_t m_next = 0;
    std::size_t m_taken = 0;
    std::size_t m_reseeds = 0;
};

} // namespace classdiv::testing
