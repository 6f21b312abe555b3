#include <array>
#include <cstring>

#include "core_fixture.h"

namespace {

// Draws r = 0..32767 that ChooseMap sends to each map, for every table figure.
const std::array<std::array<int, 4>, kFigureCount> kDrawCounts = {{
    {328, 27852, 2294, 2294},     {1639, 13107, 13106, 4916},  {8192, 8192, 8192, 8192},
    {4260, 328, 24247, 3933},     {1967, 12123, 11796, 6882},  {13107, 4915, 14746, 0},
    {24505, 8262, 0, 1},          {8192, 8192, 8192, 8192},    {10814, 10813, 11141, 0},
    {10923, 10922, 10922, 1},     {25804, 6964, 0, 0},         {10923, 10922, 10922, 1},
    {6554, 9830, 9830, 6554},     {29348, 1710, 1709, 1},      {29906, 2862, 0, 0},
    {10814, 10813, 11141, 0},     {7537, 11796, 1966, 11469},  {29102, 3665, 0, 1},
    {10814, 10813, 11141, 0},     {10922, 10921, 10921, 4},    {10922, 10921, 10921, 4},
}};

double Exact(float f) { return static_cast<double>(f); }

}  // namespace

TEST(FigureTableTest, DrawCountsOfEveryFigureUnderBothChoosers)
{
    for (int f = 0; f < kFigureCount; ++f) {
        const MapChooser chooser = MakeMapChooser(FigureTable[f]);
        std::array<int, 4> counts{};
        for (int r = 0; r < 32768; ++r) {
            const int m = ChooseMap(FigureTable[f], r);
            ASSERT_EQ(ChooseMap(chooser, r), m) << "figure " << f << " draw " << r;
            ++counts[m];
        }
        EXPECT_EQ(counts, kDrawCounts[f]) << "figure " << f;
    }
}

TEST(FigureTableTest, StoredValuesAreTheNearestFloats)
{
    EXPECT_EQ(Exact(FigureTable[0].maps[1].f), 1.60000002384185791015625);
    EXPECT_EQ(Exact(FigureTable[9].maps[0].p), 0.3333329856395721435546875);
    EXPECT_EQ(FigureTable[9].maps[0].f, -0.000003f);
    EXPECT_EQ(FigureTable[9].maps[1].f, -0.000003f);
    EXPECT_EQ(FigureTable[6].maps[0].f, 10.310288f);
    EXPECT_EQ(FigureTable[13].maps[1].e, -6.721654f);
    EXPECT_EQ(FigureTable[19].maps[1].c, 1.0f);
}

TEST(FigureTableTest, UnusedMapsAreSevenZeros)
{
    const int mapsInUse[kFigureCount] = {4, 4, 4, 4, 4, 3, 2, 4, 3, 3, 2, 3, 4, 3, 2, 3, 4, 2, 3, 3, 3};
    for (int f = 0; f < kFigureCount; ++f) {
        for (int m = 0; m < 4; ++m) {
            const IfsMap& map = FigureTable[f].maps[m];
            const bool zero = map.a == 0 && map.b == 0 && map.c == 0 && map.d == 0 && map.e == 0 &&
                              map.f == 0 && map.p == 0;
            EXPECT_EQ(zero, m >= mapsInUse[f]) << "figure " << f << " map " << m;
        }
    }
}
