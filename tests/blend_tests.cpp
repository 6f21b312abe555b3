#include <cmath>
#include <cstring>
#include <set>

#include "core_fixture.h"
#include "ifs/blend.h"

namespace {

bool SameBits(const IfsFigure& a, const IfsFigure& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

using BlendTest = CoreTest;

TEST_F(BlendTest, BlendEndsAreExactAndTheFromWeightStaysDouble)
{
    IfsFigure out;
    BlendFigures(out, FigureTable[6], FigureTable[13], 0.0f);
    EXPECT_TRUE(SameBits(out, FigureTable[6]));
    BlendFigures(out, FigureTable[6], FigureTable[13], 1.0f);
    EXPECT_TRUE(SameBits(out, FigureTable[13]));

    // Halfway between 0.33 (figure 15, map 0) and 0 is exactly half the stored value.
    const IfsFigure zero{};
    BlendFigures(out, FigureTable[15], zero, 0.5f);
    EXPECT_EQ(out.maps[0].p, FigureTable[15].maps[0].p * 0.5f);

    // 1 - t rounded to float first would change this value.
    IfsFigure from{};
    from.maps[0].a = 10.310288f;
    BlendFigures(out, from, zero, 0.015f);
    EXPECT_EQ(out.maps[0].a, static_cast<float>((1.0 - static_cast<double>(0.015f)) * 10.310288f));
}

TEST_F(BlendTest, DivisorFollowsIntensityHeldToItsRange)
{
    const int expected[] = {6500, 6000, 5500, 5000, 4500, 4000, 3500, 3000, 2500, 2000};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(DeformationDivisor(i), expected[i - 1]);
    EXPECT_EQ(DeformationDivisor(14), 2000);  // stored 14 or more would divide by <= 0
    EXPECT_EQ(DeformationDivisor(32767), 2000);
    EXPECT_EQ(DeformationDivisor(-5), 6500);
}

// Every change is base + one of the ten steps +-q/D, never on a weight, and a call
// changes at most its n = first draw % 10 + 3 indices.
TEST_F(BlendTest, DeformationMakesFewTabledStepsAndNeverTouchesAWeight)
{
    for (int intensity : {1, 5, 10, 99}) {
        saverSettings.IntensityDeformation.value = static_cast<int16_t>(intensity);
        const double divisor = DeformationDivisor(intensity);
        for (int64_t second = 0; second < 60; ++second) {
            SetClockTo(1'700'000'000 + second * 7);
            SeedRandomFromClock();
            const size_t n = static_cast<size_t>(NextRandom() % 10 + 3);
            for (int f : {0, 7, 19}) {
                IfsFigure target = FigureTable[f];
                DeformFigure(target, FigureTable[f]);
                std::set<int> changed;
                for (int i = 0; i < kFigureValues; ++i) {
                    const float before = FigureValues(FigureTable[f])[i];
                    const float after = FigureValues(target)[i];
                    if (before == after) continue;
                    changed.insert(i);
                    bool tabled = false;
                    for (int q = 1; q <= 10; ++q) {
                        const double m = static_cast<float>(q / divisor);
                        tabled |= after == static_cast<float>(before + m) || after == static_cast<float>(before - m);
                    }
                    EXPECT_TRUE(tabled) << "intensity " << intensity << " index " << i;
                }
                EXPECT_GE(changed.size(), 1u);
                EXPECT_LE(changed.size(), n);
                for (int weight : {6, 13, 20, 27}) EXPECT_EQ(changed.count(weight), 0u);
            }
        }
    }
}

TEST_F(BlendTest, SameSecondGivesTheSameDeformation)
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

TEST_F(BlendTest, ChainedDeformationsTurnBackTowardsTheBand)
{
    // Figure 6's f of map 0 starts at 10.310288 and may only fall while above 1.
    IfsFigure target = FigureTable[6];
    for (int call = 0; call < 2000; ++call) {
        SetClockTo(1'700'000'000 + call);
        const float before = target.maps[0].f;
        const IfsFigure base = target;
        DeformFigure(target, base);
        ASSERT_LE(target.maps[0].f, before);
    }
    EXPECT_LT(target.maps[0].f, 10.310288f);

    // Coefficients starting within -1..1 (figure 19's c of map 1 is exactly 1) stay
    // within one largest step of it.
    const double reach = 1.0 + 10.0 / DeformationDivisor(5);
    IfsFigure inside = FigureTable[19];
    for (int call = 0; call < 500; ++call) {
        SetClockTo(1'600'000'000 + call);
        const IfsFigure base = inside;
        DeformFigure(inside, base);
        for (int i : {0, 1, 2, 3, 7, 8, 9, 10}) ASSERT_LE(std::abs(static_cast<double>(FigureValues(inside)[i])), reach);
    }
}
