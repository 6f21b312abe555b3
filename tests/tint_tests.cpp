#include <map>
#include <tuple>

#include "core_fixture.h"
#include "render/plot.h"

using TintTest = CoreTest;

TEST_F(TintTest, EveryParityGivesItsTabledTint)
{
    // parities of the three draws (1 = odd) -> tint
    const std::map<std::tuple<int, int, int>, std::tuple<int, int, int>> expected = {
        {{0, 0, 0}, {0, 1, -1}},  {{0, 0, 1}, {1, 1, -1}},   {{0, 1, 0}, {1, -1, 1}},
        {{0, 1, 1}, {1, -1, -1}}, {{1, 0, 0}, {-1, 1, 1}},   {{1, 0, 1}, {-1, 1, -1}},
        {{1, 1, 0}, {-1, -1, 1}}, {{1, 1, 1}, {0, -1, 1}},
    };
    std::map<std::tuple<int, int, int>, int> seen;
    for (int64_t second = 1'700'000'000; seen.size() < 8; ++second) {
        SetClockTo(second);
        SeedRandomFromClock();
        const auto parity = std::tuple{NextRandom() % 2, NextRandom() % 2, NextRandom() % 2};
        PickTint();
        const auto tint = std::tuple<int, int, int>{channelTint.factor0, channelTint.factor1, channelTint.factor2};
        EXPECT_EQ(tint, expected.at(parity));
        ++seen[parity];
    }
}

TEST_F(TintTest, SameSecondSameTintAndNeverThreeEqualFactors)
{
    PickTint();
    const ChannelTint first = channelTint;
    PickTint();
    EXPECT_EQ(channelTint.factor0, first.factor0);
    EXPECT_EQ(channelTint.factor1, first.factor1);
    EXPECT_EQ(channelTint.factor2, first.factor2);
    for (int64_t second = 0; second < 2000; ++second) {
        SetClockTo(second);
        PickTint();
        EXPECT_FALSE(channelTint.factor0 == channelTint.factor1 && channelTint.factor1 == channelTint.factor2);
    }
}
