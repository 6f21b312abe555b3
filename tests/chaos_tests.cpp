#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core_fixture.h"

namespace {

std::vector<PassPoint> PassPoints(const IfsFigure& figure)
{
    std::vector<PassPoint> points;
    RunPass(figure, PassLength(), [&](float x, float y) { points.push_back({x, y}); });
    return points;
}

}  // namespace

using ChaosTest = CoreTest;

TEST_F(ChaosTest, DrawValueTiesSelectTheLowerMap)
{
    // u for r = 32766 is exactly 0.999969482421875; a weight of that value takes it.
    IfsFigure figure{};
    figure.maps[0].p = 0.999969482421875f;
    figure.maps[1].p = 0.0f;
    figure.maps[2].p = 1.0f;
    EXPECT_EQ(ChooseMap(figure, 32766), 0);
    EXPECT_EQ(ChooseMap(figure, 32767), 2);
    EXPECT_EQ(ChooseMap(figure, 0), 0);
    // An all-zero map 2 adds nothing, so a draw map 1 rejects passes it for map 3.
    figure.maps[2].p = 0.0f;
    EXPECT_EQ(ChooseMap(figure, 32767), 3);
    EXPECT_EQ(ChooseMap(MakeMapChooser(figure), 32767), 3);
}

// The integer chooser must agree with the arithmetic one for any weights, including
// blends, negative weights and NaN, or the pictures would differ.
TEST_F(ChaosTest, IntegerChooserMatchesArithmeticForOddWeights)
{
    const float weights[][3] = {{0.5f, -0.2f, 0.3f}, {0.0f, 0.0f, 0.0f}, {NAN, 0.5f, 0.5f},
                                {0.7f, NAN, 0.2f},   {1.5f, 0.1f, 0.1f}, {-1.0f, 2.0f, -3.0f},
                                {0.165f, 0.425f, 0.205f}};
    for (const auto& w : weights) {
        IfsFigure figure{};
        for (int m = 0; m < 3; ++m) figure.maps[m].p = w[m];
        const MapChooser chooser = MakeMapChooser(figure);
        for (int r = 0; r < 32768; ++r) ASSERT_EQ(ChooseMap(chooser, r), ChooseMap(figure, r)) << r;
    }
}

TEST_F(ChaosTest, WarmUpAppliesMapZeroOnlyAHundredTimes)
{
    const IfsFigure figure = FigureTable[15];  // map 0 halves towards (0, 0)
    const PassPoint start = WarmUpPoint(figure);
    float x = 1.0f;
    float y = 1.0f;
    for (int i = 0; i < 100; ++i) ApplyMap(x, y, figure.maps[0]);
    EXPECT_EQ(start.x, x);
    EXPECT_EQ(start.y, y);
    EXPECT_EQ(start.x, std::ldexp(1.0f, -100));
}

TEST_F(ChaosTest, PassLengthAndDrawsFollowQuality)
{
    saverSettings.Quality.value = 10;
    EXPECT_EQ(PassPoints(FigureTable[0]).size(), 2000u);
    saverSettings.Quality.value = 300;
    MeasureBounds(FigureTable[0]);
    SeedRandom(0);
    for (int i = 0; i < 60000; ++i) NextRandom();
    const uint32_t expected = randomSource.state;
    MeasureBounds(FigureTable[3]);
    EXPECT_EQ(randomSource.state, expected);
}

TEST_F(ChaosTest, EmptyPassStoresTheStartExtremes)
{
    saverSettings.Quality.value = 0;
    randomSource.state = 99;
    MeasureBounds(FigureTable[0]);
    EXPECT_EQ(figureBounds.minX, 1e10f);
    EXPECT_EQ(figureBounds.minY, 1e10f);
    EXPECT_EQ(figureBounds.width, -2e10f);
    EXPECT_EQ(figureBounds.height, -2e10f);
    EXPECT_EQ(randomSource.state, 0u);  // seeded all the same
    saverSettings.Quality.value = -7;
    MeasureBounds(FigureTable[0]);
    EXPECT_EQ(figureBounds.width, -2e10f);
}

TEST_F(ChaosTest, CloudOnOneVerticalLineHasZeroWidth)
{
    // x' = 0.25 for every point while y wanders between two maps.
    IfsFigure figure{};
    figure.maps[0] = {0.0f, 0.0f, 0.0f, 0.5f, 0.25f, 0.0f, 0.5f};
    figure.maps[1] = {0.0f, 0.0f, 0.0f, 0.5f, 0.25f, 0.5f, 0.5f};
    MeasureBounds(figure);
    EXPECT_EQ(figureBounds.width, 0.0f);
    EXPECT_EQ(figureBounds.minX, 0.25f);
    EXPECT_GT(figureBounds.height, 0.0f);
}

TEST_F(ChaosTest, BoundsEncloseEveryPointAndTheFirstPointCounts)
{
    for (int f : {0, 6, 13, 19}) {
        const std::vector<PassPoint> points = PassPoints(FigureTable[f]);
        MeasureBounds(FigureTable[f]);
        float maxX = -1e10f, maxY = -1e10f, minX = 1e10f, minY = 1e10f;
        for (const PassPoint& p : points) {
            maxX = std::max(maxX, p.x);
            maxY = std::max(maxY, p.y);
            minX = std::min(minX, p.x);
            minY = std::min(minY, p.y);
        }
        EXPECT_EQ(figureBounds.minX, minX);
        EXPECT_EQ(figureBounds.minY, minY);
        EXPECT_EQ(figureBounds.width, static_cast<float>(static_cast<double>(maxX) - minX));
        EXPECT_EQ(figureBounds.height, static_cast<float>(static_cast<double>(maxY) - minY));
    }
}

TEST_F(ChaosTest, FiguresWithShortWeightsJumpToTheOrigin)
{
    // With the default 8,000 steps, two steps of figures 19 and 20 choose the
    // all-zero map 3 (in figure 20, map 0 then keeps the point on the origin);
    // figure 6 needs the draw 32767, which first comes after 51,733 others.
    auto originHits = [](int f) {
        int hits = 0;
        RunPass(FigureTable[f], PassLength(), [&](float x, float y) { hits += x == 0.0f && y == 0.0f; });
        return hits;
    };
    EXPECT_EQ(originHits(19), 2);
    EXPECT_GE(originHits(20), 2);
    EXPECT_EQ(originHits(6), 0);
    saverSettings.Quality.value = 259;
    EXPECT_GE(originHits(6), 1);
    saverSettings.Quality.value = 258;
    EXPECT_EQ(originHits(6), 0);
}

TEST_F(ChaosTest, KeptPointsAreThePassPointsAndOverflowFallsBack)
{
    std::vector<PassPoint> points(8000);
    std::vector<int32_t> lit(8000);
    PassRecord record{points.data(), lit.data(), 8000, 0, 0, 0};
    MeasureBounds(FigureTable[2], record);
    const FigureBounds kept = figureBounds;
    const uint32_t keptState = randomSource.state;
    MeasureBounds(FigureTable[2]);
    EXPECT_EQ(std::memcmp(&kept, &figureBounds, sizeof kept), 0);
    EXPECT_EQ(record.endState, keptState);
    ASSERT_EQ(record.count, 8000);
    const std::vector<PassPoint> expected = PassPoints(FigureTable[2]);
    EXPECT_EQ(std::memcmp(points.data(), expected.data(), 8000 * sizeof(PassPoint)), 0);

    saverSettings.Quality.value = 41;  // 8,200 points do not fit
    MeasureBounds(FigureTable[2], record);
    EXPECT_EQ(record.count, -1);
}
