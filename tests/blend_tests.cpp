#include <cmath>
#include <cstring>
#include <set>

#include "core_fixture.h"
#include "ifs/blend.h"

namespace {

bool SameBits(const IfsFigure& a, const IfsFigure& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::set<int> ChangedIndices(const IfsFigure& before, const IfsFigure& after)
{
    std::set<int> changed;
    for (int i = 0; i < kFigureValues; ++i)
        if (FigureValues(before)[i] != FigureValues(after)[i]) changed.insert(i);
    return changed;
}

}  // namespace

using BlendTest = CoreTest;

TEST_F(BlendTest, EndsOfTheBlendAreTheFiguresThemselves)
{
    IfsFigure out;
    BlendFigures(out, FigureTable[6], FigureTable[13], 0.0f);
    EXPECT_TRUE(SameBits(out, FigureTable[6]));
    BlendFigures(out, FigureTable[6], FigureTable[13], 1.0f);
    EXPECT_TRUE(SameBits(out, FigureTable[13]));
}

TEST_F(BlendTest, HalfwayWeightIsExactlyHalfTheStoredValue)
{
    // Figure 15's map 0 weighs 0.33; figure 6's map 2 is all zero.
    IfsFigure zero{};
    IfsFigure out;
    BlendFigures(out, FigureTable[15], zero, 0.5f);
    EXPECT_EQ(out.maps[0].p, FigureTable[15].maps[0].p * 0.5f);
    BlendFigures(out, FigureTable[15], FigureTable[6], 0.5f);
    EXPECT_EQ(out.maps[2].p, FigureTable[15].maps[2].p * 0.5f);
}

TEST_F(BlendTest, WeightOfFromIsNotRoundedToFloat)
{
    // At t = 0.015f, 1 - t rounded to float first would change this value.
    IfsFigure from{};
    IfsFigure to{};
    from.maps[0].a = 10.310288f;
    const float t = 0.015f;
    IfsFigure out;
    BlendFigures(out, from, to, t);
    EXPECT_EQ(out.maps[0].a, static_cast<float>((1.0 - static_cast<double>(t)) * 10.310288f));
}

TEST_F(BlendTest, DivisorFollowsIntensityAndIsHeldToItsRange)
{
    const int expected[] = {6500, 6000, 5500, 5000, 4500, 4000, 3500, 3000, 2500, 2000};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(DeformationDivisor(i), expected[i - 1]);
    EXPECT_EQ(DeformationDivisor(14), 2000);
    EXPECT_EQ(DeformationDivisor(32767), 2000);
    EXPECT_EQ(DeformationDivisor(0), 6500);
    EXPECT_EQ(DeformationDivisor(-5), 6500);
}

TEST_F(BlendTest, DeformationChangesFewCoefficientsAndNeverAWeight)
{
    for (int64_t second = 0; second < 300; ++second) {
        SetClockTo(1'700'000'000 + second * 7);
        SeedRandomFromClock();
        const int n = NextRandom() % 10 + 3;
        for (int f = 0; f < kFigureCount; ++f) {
            IfsFigure target = FigureTable[f];
            DeformFigure(target, FigureTable[f]);
            const std::set<int> changed = ChangedIndices(FigureTable[f], target);
            EXPECT_GE(changed.size(), 1u);
            EXPECT_LE(static_cast<int>(changed.size()), n);
            for (int weight : {6, 13, 20, 27}) EXPECT_EQ(changed.count(weight), 0u) << f;
        }
    }
}

TEST_F(BlendTest, StepsHaveTheTabledMagnitudes)
{
    for (int intensity : {1, 5, 10, 14, 99}) {
        saverSettings.IntensityDeformation.value = static_cast<int16_t>(intensity);
        const double divisor = DeformationDivisor(intensity);
        for (int64_t second = 0; second < 40; ++second) {
            SetClockTo(second);
            IfsFigure target = FigureTable[7];
            DeformFigure(target, FigureTable[7]);
            for (int i = 0; i < kFigureValues; ++i) {
                const float before = FigureValues(FigureTable[7])[i];
                const float after = FigureValues(target)[i];
                if (before == after) continue;
                // after = before +- M with M one of the ten floats nearest q/D.
                bool found = false;
                for (int q = 1; q <= 10 && !found; ++q) {
                    const float m = static_cast<float>(q / divisor);
                    found = after == static_cast<float>(static_cast<double>(before) + m) ||
                            after == static_cast<float>(static_cast<double>(before) - m);
                }
                EXPECT_TRUE(found) << "intensity " << intensity << " index " << i;
            }
        }
    }
}

TEST_F(BlendTest, SameSecondGivesSameDeformation)
{
    IfsFigure first = FigureTable[4];
    IfsFigure second = FigureTable[4];
    DeformFigure(first, FigureTable[4]);
    DeformFigure(second, FigureTable[4]);
    EXPECT_TRUE(SameBits(first, second));
    SetClockTo(1'700'000'001);
    IfsFigure later = FigureTable[4];
    DeformFigure(later, FigureTable[4]);
    EXPECT_FALSE(SameBits(first, later));
}

TEST_F(BlendTest, LargeCoefficientsAreTurnedBackTowardsTheBand)
{
    // Chained as the saver does: each call's base is the previous target. Figure 6's
    // f of map 0 starts at 10.310288 and may only fall while it stays above 1.
    IfsFigure target = FigureTable[6];
    float previous = target.maps[0].f;
    for (int call = 0; call < 2000; ++call) {
        SetClockTo(1'700'000'000 + call);
        const IfsFigure base = target;
        DeformFigure(target, base);
        EXPECT_LE(target.maps[0].f, previous);
        previous = target.maps[0].f;
        EXPECT_EQ(target.maps[0].p, FigureTable[6].maps[0].p);
    }
    EXPECT_LT(previous, 10.310288f);

    // Coefficients starting inside -1..1 stay within one largest step of it.
    const double reach = 1.0 + 10.0 / DeformationDivisor(5);
    IfsFigure inside = FigureTable[19];
    for (int call = 0; call < 500; ++call) {
        SetClockTo(1'600'000'000 + call);
        const IfsFigure base = inside;
        DeformFigure(inside, base);
        for (int i = 0; i < 4; ++i) EXPECT_LE(std::abs(static_cast<double>(FigureValues(inside)[i])), reach);
    }
}
