#include "compose/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <vector>

using namespace paceforge;

namespace {

TEST(RandomTest, StaysInsideAndReachesBothBounds)
{
    const std::pair<int, int> ranges[] = {{10, 100}, {15, 599}, {200, 1200}, {7, 7}, {-3, 2}, {INT_MIN, INT_MAX}};
    SystemRandom random;
    for (const auto& [low, high] : ranges) {
        SCOPED_TRACE(testing::Message() << low << ".." << high);
        int lowest = INT_MAX, highest = INT_MIN;
        for (int i = 0; i < 200'000; ++i) {
            const int r = random.Rand(low, high);
            lowest = std::min(lowest, r);
            highest = std::max(highest, r);
        }
        EXPECT_GE(lowest, low);
        EXPECT_LE(highest, high);
        const bool wide = high - static_cast<long long>(low) >= 2000;
        EXPECT_TRUE(wide || (lowest == low && highest == high)) << lowest << ".." << highest;
    }
}

TEST(RandomTest, UniformAndReproducibleFromASeed)
{
    SystemRandom random(42);
    std::map<int, int> counts;
    for (int i = 0; i < 60'000; ++i)
        ++counts[random.Rand(1, 6)];
    for (int face = 1; face <= 6; ++face)
        EXPECT_NEAR(counts[face], 10'000, 500) << face;

    const auto draws = [](RandomSource&& source) {
        std::vector<int> values;
        for (int i = 0; i < 20; ++i)
            values.push_back(source.Rand(0, 1'000'000'000));
        return values;
    };
    EXPECT_EQ(draws(SystemRandom(7)), draws(SystemRandom(7)));
    EXPECT_NE(draws(SystemRandom()), draws(SystemRandom()));
}

} // namespace
