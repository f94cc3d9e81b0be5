#pragma once

#include <cstdint>
#include <random>

namespace paceforge {

// Whole numbers for the parts of a workout the user does not type in; a test or a reproduced save
// hands in its own source.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    // Uniform over low..high, both included.
    virtual int Rand(int low, int high) = 0;
};

class SystemRandom final : public RandomSource
{
public:
    // Seeded once from the clock and the system's random device.
    SystemRandom();
    // The same seed gives the same draws.
    explicit SystemRandom(std::uint32_t seed);

    int Rand(int low, int high) override;

private:
    std::mt19937 m_engine;
};

} // namespace paceforge
