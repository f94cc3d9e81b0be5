#include "Random.h"

#include <chrono>
#include <utility>

namespace paceforge {
namespace {

std::mt19937 SeededFromClockAndDevice()
{
    // Either source alone can be weak: some random devices are deterministic, and two programs
    // started in the same clock tick would share a clock seed.
    std::random_device device;
    const auto ticks = static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::seed_seq seed{device(), device(), device(), device(), static_cast<std::uint32_t>(ticks),
        static_cast<std::uint32_t>(ticks >> 32)};
    return std::mt19937(seed);
}

} // namespace

SystemRandom::SystemRandom() : m_engine(SeededFromClockAndDevice()) { }

SystemRandom::SystemRandom(std::uint32_t seed) : m_engine(seed) { }

int SystemRandom::Rand(int low, int high)
{
    if (low > high)
        std::swap(low, high);
    return std::uniform_int_distribution<int>(low, high)(m_engine);
}

} // namespace paceforge
