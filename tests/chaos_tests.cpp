#include <cmath>

#include "core_fixture.h"

using ChaosTest = CoreTest;

TEST_F(ChaosTest, TiesSelectTheLowerMapAndAZeroMapTwoPassesToThree)
{
    // u for r = 32766 is exactly 0.999969482421875; a weight of that value takes it.
    IfsFigure figure{};
    figure.maps[0].p = 0.999969482421875f;
    figure.maps[2].p = 1.0f;
    EXPECT_EQ(ChooseMap(figure, 0), 0);
    EXPECT_EQ(ChooseMap(figure, 32766), 0);
    EXPECT_EQ(ChooseMap(figure, 32767), 2);
    figure.maps[2].p = 0.0f;
    EXPECT_EQ(ChooseMap(figure, 32767), 3);
    EXPECT_EQ(ChooseMap(MakeMapChooser(figure), 32767), 3);
}

// The integer chooser must agree with the arithmetic one for any weights, including
// negative and NaN ones, or the pictures would differ.
TEST_F(ChaosTest, IntegerChooserMatchesArithmeticForOddWeights)
{
    const float weights[][3] = {{0.5f, -0.2f, 0.3f}, {0.0f, 0.0f, 0.0f}, {NAN, 0.5f, 0.5f},
                                {0.7f, NAN, 0.2f},   {1.5f, 0.1f, 0.1f}, {-1.0f, 2.0f, -3.0f}};
    for (const auto& w : weights) {
        IfsFigure figure{};
        for (int m = 0; m < 3; ++m) figure.maps[m].p = w[m];
        const MapChooser chooser = MakeMapChooser(figure);
        for (int r = 0; r < 32768; ++r) ASSERT_EQ(ChooseMap(chooser, r), ChooseMap(figure, r)) << r;
    }
}

TEST_F(ChaosTest, PassLengthFollowsQualityAndLeavesTheSourceAfterNDraws)
{
    saverSettings.Quality.value = 300;
    SeedRandom(0);
    for (int i = 0; i < 60000; ++i) NextRandom();
    const uint32_t expected = randomSource.state;
    MeasureBounds(FigureTable[3]);
    EXPECT_EQ(randomSource.state, expected);

    // No step at all: the start extremes are stored, and the source is still seeded.
    for (int quality : {0, -7}) {
        saverSettings.Quality.value = static_cast<int16_t>(quality);
        randomSource.state = 99;
        MeasureBounds(FigureTable[0]);
        EXPECT_EQ(figureBounds.minX, 1e10f);
        EXPECT_EQ(figureBounds.minY, 1e10f);
        EXPECT_EQ(figureBounds.width, -2e10f);
        EXPECT_EQ(figureBounds.height, -2e10f);
        EXPECT_EQ(randomSource.state, 0u);
    }
}

TEST_F(ChaosTest, CloudOnOneVerticalLineHasZeroWidth)
{
    IfsFigure figure{};  // x' = 0.25 for every point while y wanders between two maps
    figure.maps[0] = {0.0f, 0.0f, 0.0f, 0.5f, 0.25f, 0.0f, 0.5f};
    figure.maps[1] = {0.0f, 0.0f, 0.0f, 0.5f, 0.25f, 0.5f, 0.5f};
    MeasureBounds(figure);
    EXPECT_EQ(figureBounds.width, 0.0f);
    EXPECT_EQ(figureBounds.minX, 0.25f);
    EXPECT_GT(figureBounds.height, 0.0f);
}

TEST_F(ChaosTest, FiguresWithShortWeightsJumpToTheOrigin)
{
    // With the default 8,000 steps, two steps of figures 19 and 20 choose the
    // all-zero map 3 (in figure 20, map 0 then keeps the point on the origin);
    // figure 6 needs the draw 32767, which first comes as the 51,734th.
    auto originHits = [](int f) {
        int hits = 0;
        RunPass(FigureTable[f], PassLength(), [&](float x, float y) { hits += x == 0.0f && y == 0.0f; });
        return hits;
    };
    EXPECT_EQ(originHits(19), 2);
    EXPECT_GE(originHits(20), 2);
    EXPECT_EQ(originHits(6), 0);
    saverSettings.Quality.value = 258;
    EXPECT_EQ(originHits(6), 0);
    saverSettings.Quality.value = 259;
    EXPECT_GE(originHits(6), 1);
}

TEST_F(ChaosTest, PassThatDoesNotFitTheRecordIsMarkedNotKept)
{
    PassPoint points[10];
    int32_t lit[10];
    PassRecord record{points, lit, 10, 0, 0, 0};
    MeasureBounds(FigureTable[2], record);  // 8,000 points do not fit
    EXPECT_EQ(record.count, -1);
}
