// The fractal engine: generator, figure table, map choice, passes, blend,
// deformation and tint.
#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "core/ifs/blend.h"
#include "test_support.h"

TEST(EngineTest, GeneratorFromSeedZero)
{
    RandomSource random;
    SeedRandomFromClock(random, 0);
    std::vector<int> drawn;
    for (int i = 0; i < 5; ++i) drawn.push_back(NextRandom(random));
    EXPECT_EQ(drawn, (std::vector<int>{38, 7719, 21238, 2437, 8855}));
    SeedRandomFromClock(random, 0x1'0000'0007);  // the low 32 bits of the clock
    EXPECT_EQ(random.state, 7u);
}

// The draws each map gets decide every picture: both choosers, every figure.
TEST(EngineTest, DrawCountsOfEveryFigureUnderBothChoosers)
{
    const std::array<std::array<int, 4>, kFigureCount> counts = {{
        {328, 27852, 2294, 2294},    {1639, 13107, 13106, 4916}, {8192, 8192, 8192, 8192},
        {4260, 328, 24247, 3933},    {1967, 12123, 11796, 6882}, {13107, 4915, 14746, 0},
        {24505, 8262, 0, 1},         {8192, 8192, 8192, 8192},   {10814, 10813, 11141, 0},
        {10923, 10922, 10922, 1},    {25804, 6964, 0, 0},        {10923, 10922, 10922, 1},
        {6554, 9830, 9830, 6554},    {29348, 1710, 1709, 1},     {29906, 2862, 0, 0},
        {10814, 10813, 11141, 0},    {7537, 11796, 1966, 11469}, {29102, 3665, 0, 1},
        {10814, 10813, 11141, 0},    {10922, 10921, 10921, 4},   {10922, 10921, 10921, 4},
    }};
    auto maps = std::make_unique<MapTable>();
    for (int f = 0; f < kFigureCount; ++f) {
        const uint8_t* table = maps->For(MakeMapChooser(FigureTable[f]));
        std::array<int, 4> got{};
        for (int r = 0; r < 32768; ++r) {
            ASSERT_EQ(table[r], ChooseMap(FigureTable[f], r)) << "figure " << f << " draw " << r;
            ++got[table[r]];
        }
        EXPECT_EQ(got, counts[f]) << "figure " << f;
    }
}

// The integer chooser must agree with the arithmetic one for any weights.
TEST(EngineTest, IntegerChooserMatchesArithmeticForOddWeights)
{
    const struct { const char* name; float w[3]; } rows[] = {
        {"negative", {0.5f, -0.2f, 0.3f}}, {"zeros", {0.0f, 0.0f, 0.0f}},   {"NaN first", {NAN, 0.5f, 0.5f}},
        {"NaN middle", {0.7f, NAN, 0.2f}}, {"over one", {1.5f, 0.1f, 0.1f}}, {"tie at u(32766)", {0.999969482421875f, 0, 1}},
    };
    auto maps = std::make_unique<MapTable>();
    for (const auto& row : rows) {
        IfsFigure figure{};
        for (int m = 0; m < 3; ++m) figure.maps[m].p = row.w[m];
        const uint8_t* table = maps->For(MakeMapChooser(figure));
        for (int r = 0; r < 32768; ++r) ASSERT_EQ(table[r], ChooseMap(figure, r)) << row.name << " " << r;
    }
}

TEST(EngineTest, PassesRepeatAndEmptyPassesKeepTheStartExtremes)
{
    auto maps = std::make_unique<MapTable>();
    const FigureBounds a = MeasureBounds(FigureTable[3], 8000, *maps);
    MeasureBounds(FigureTable[9], 8000, *maps);  // another figure in between refills the table
    const FigureBounds b = MeasureBounds(FigureTable[3], 8000, *maps);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    for (int16_t quality : {0, -7}) {
        const FigureBounds empty = MeasureBounds(FigureTable[0], PassLength(quality), *maps);
        EXPECT_TRUE(empty.minX == 1e10f && empty.minY == 1e10f && empty.width == -2e10f && empty.height == -2e10f);
    }
    // Figure 6 reaches its all-zero map 3 only with the draw 32767, first drawn as the 51,734th.
    auto originHits = [&](int16_t quality) {
        int hits = 0;
        RunPass(FigureTable[6], PassLength(quality), *maps, [&](float x, float y) { hits += x == 0.0f && y == 0.0f; });
        return hits;
    };
    EXPECT_EQ(originHits(258), 0);
    EXPECT_GE(originHits(259), 1);
}

TEST(EngineTest, BlendEndsAreExactAndTheFromWeightStaysDouble)
{
    IfsFigure out;
    BlendFigures(out, FigureTable[6], FigureTable[13], 0.0f);
    EXPECT_TRUE(SameFigure(out, FigureTable[6]));
    BlendFigures(out, FigureTable[6], FigureTable[13], 1.0f);
    EXPECT_TRUE(SameFigure(out, FigureTable[13]));
    IfsFigure from{};
    const IfsFigure zero{};
    from.maps[0].a = 10.310288f;
    BlendFigures(out, from, zero, 0.015f);  // 1 - t rounded to float first would differ
    EXPECT_EQ(out.maps[0].a, static_cast<float>((1.0 - static_cast<double>(0.015f)) * 10.310288f));
}

// Every change is base +- q / ((14 - intensity) * 500) for q in 1..10, never on a
// weight, at most first draw % 10 + 3 of them; the same second repeats them.
TEST(EngineTest, DeformationMakesFewTabledStepsAndNeverTouchesAWeight)
{
    RandomSource random;
    for (int16_t intensity : {1, 5, 10}) {
        const double divisor = (14 - intensity) * 500;
        for (int64_t second = kStart; second < kStart + 40; ++second) {
            SeedRandomFromClock(random, second);
            const size_t most = static_cast<size_t>(NextRandom(random) % 10 + 3);
            IfsFigure target = FigureTable[7], again = FigureTable[7];
            DeformFigure(target, FigureTable[7], intensity, random, second);
            DeformFigure(again, FigureTable[7], intensity, random, second);
            EXPECT_TRUE(SameFigure(target, again));
            std::set<int> changed;
            for (int i = 0; i < kFigureValues; ++i) {
                const float before = FigureValues(FigureTable[7])[i], after = FigureValues(target)[i];
                if (before == after) continue;
                changed.insert(i);
                bool tabled = false;
                for (int q = 1; q <= 10; ++q) {
                    const double m = static_cast<float>(q / divisor);
                    tabled |= after == static_cast<float>(before + m) || after == static_cast<float>(before - m);
                }
                EXPECT_TRUE(tabled) << "intensity " << intensity << " index " << i;
            }
            EXPECT_TRUE(!changed.empty() && changed.size() <= most);
            for (int weight : {6, 13, 20, 27}) EXPECT_EQ(changed.count(weight), 0u);
        }
    }
}

TEST(EngineTest, DeformationTurnsBackTowardsTheBand)
{
    // Figure 6's f of map 0 starts at 10.310288 and may only fall while above 1.
    RandomSource random;
    IfsFigure target = FigureTable[6];
    for (int call = 0; call < 2000; ++call) {
        const float before = target.maps[0].f;
        const IfsFigure base = target;
        DeformFigure(target, base, 5, random, kStart + call);
        ASSERT_LE(target.maps[0].f, before);
    }
    EXPECT_LT(target.maps[0].f, 10.310288f);
}

TEST(EngineTest, EveryParityOfTheThreeDrawsGivesItsTint)
{
    // parities of the three draws (1 = odd), binary -> tint
    const int expected[8][3] = {{0, 1, -1}, {1, 1, -1},   {1, -1, 1},  {1, -1, -1},
                                {-1, 1, 1}, {-1, 1, -1}, {-1, -1, 1}, {0, -1, 1}};
    std::set<int> seen;
    RandomSource random;
    for (int64_t second = kStart; seen.size() < 8; ++second) {
        SeedRandomFromClock(random, second);
        int parity = 0;
        for (int i = 0; i < 3; ++i) parity = parity * 2 + NextRandom(random) % 2;
        const ChannelTint tint = PickTint(random, second);
        EXPECT_EQ((std::array<int, 3>{tint.factor0, tint.factor1, tint.factor2}),
                  (std::array<int, 3>{expected[parity][0], expected[parity][1], expected[parity][2]}))
            << "parities " << parity;
        seen.insert(parity);
    }
}
