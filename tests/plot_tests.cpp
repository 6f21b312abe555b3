#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core_fixture.h"
#include "render/plot.h"

using PlotTest = CoreTest;

namespace {

constexpr uint32_t kGuard = 0xDEADBEEF;

// A 32-bit frame with guard words on both sides, to catch a write outside it.
struct GuardedFrame {
    std::vector<uint32_t> words;
    explicit GuardedFrame(int count) : words(count + 2, 0) { words.front() = words.back() = kGuard; }
    uint32_t* pixels() { return words.data() + 1; }
    bool GuardsIntact() const { return words.front() == kGuard && words.back() == kGuard; }
    int Lit() const { return static_cast<int>(words.size()) - 2 - static_cast<int>(std::count(words.begin() + 1, words.end() - 1, 0u)); }
};

}  // namespace

TEST_F(PlotTest, PixelWordsForLevelsAndTints)
{
    struct Row {
        int brightness;
        ChannelTint tint;
        uint32_t word32;
        uint16_t word16;
    };
    const Row rows[] = {
        {250, {1, 1, 1}, 0x00FAFAFA, 0xFFDF},  {250, {0, -1, 1}, 0x00FA0600, 0xF85F},
        {250, {0, 1, -1}, 0x0006FA00, 0x07A1}, {250, {1, -1, -1}, 0x000606FA, 0xF021},
        {100, {-1, 1, 1}, 0x0064649C, 0xA30C}, {10, {-1, -1, 1}, 0x000AF6F6, 0xF7C1},
        // Stored brightness beyond the range wraps: levels 44 and 37 (spilling out of
        // the 5-bit fields as one sum), and for -8 levels 248 and 255.
        {300, {1, 1, 1}, 0x002C2C2C, static_cast<uint16_t>(37 * 2113)},
        {-8, {1, 1, 1}, 0x00F8F8F8, static_cast<uint16_t>(255 * 2113)},
    };
    for (const Row& row : rows) {
        const int16_t b = static_cast<int16_t>(row.brightness);
        EXPECT_EQ(PackPixel32(BaseLevel32(b), row.tint), row.word32) << row.brightness;
        EXPECT_EQ(PackPixel16(BaseLevel16(b), row.tint), row.word16) << row.brightness;
    }
    EXPECT_EQ(PackPixel32(0, {-1, -1, -1}), 0u);  // an inverted level 0 is 0, not 256
}

TEST_F(PlotTest, ShadeFallsFromTheCentreToTheEdges)
{
    struct Row {
        int base, col, row, width, height, level;
    };
    const Row rows[] = {
        {250, 320, 240, 640, 480, 250}, {250, 0, 0, 640, 480, 0},   {250, 320, 120, 640, 480, 187},
        {250, 0, 240, 640, 480, 125},   {250, 639, 479, 640, 480, 1}, {31, 80, 360, 640, 480, 11},
        // Column 201 of a 201-wide frame wraps into the next row but keeps its own
        // shade (sX = 254 by the byte wrap); a real column 0 of that row gets 68.
        {250, 201, 40, 201, 150, 193},  {250, 0, 41, 201, 150, 68},
        // Frames under 2 pixels across: a half size of 0 counts as 1.
        {250, 0, 0, 1, 1, 0},           {250, 1, 1, 1, 1, 250},
    };
    for (const Row& r : rows) EXPECT_EQ(ShadeLevel(r.base, r.col, r.row, r.width, r.height), r.level) << r.col;
}

TEST_F(PlotTest, TruncationIsDefinedForEveryDouble)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(TruncateToInt(2.9), 2);
    EXPECT_EQ(TruncateToInt(-2.9), -2);
    EXPECT_EQ(TruncateToInt(std::nan("")), 0);
    EXPECT_EQ(TruncateToInt(inf), 0);
    EXPECT_EQ(TruncateToInt(-inf), 0);
    EXPECT_EQ(TruncateToInt(3e9), 0);
    EXPECT_EQ(TruncateToInt(2147483647.5), 2147483647);
}

TEST_F(PlotTest, FlatLevelLightsOneValueAndEmptyPassOnlySeeds)
{
    SetFrame(201, 150);
    saverSettings.on3D = 0;
    GuardedFrame frame(pixelCount);
    std::vector<uint16_t> frame16(pixelCount, 0);
    MeasureBounds(FigureTable[0]);
    PlotFigure32(FigureTable[0], frame.pixels());
    PlotFigure16(FigureTable[0], frame16.data());
    for (int i = 0; i < pixelCount; ++i) {
        ASSERT_TRUE(frame.pixels()[i] == 0 || frame.pixels()[i] == 0x00FAFAFAu);
        ASSERT_TRUE(frame16[i] == 0 || frame16[i] == 0xFFDF);
    }
    EXPECT_GT(frame.Lit(), 1000);

    GuardedFrame empty(pixelCount);
    saverSettings.Quality.value = 0;
    randomSource.state = 1234;
    PlotFigure32(FigureTable[0], empty.pixels());
    EXPECT_EQ(empty.Lit(), 0);
    EXPECT_EQ(randomSource.state, 0u);
}

TEST_F(PlotTest, LowestPointIsDroppedAndGreatestXWrapsToTheNextRow)
{
    // Map 0 sends everything to (0, 0), map 3 to (1, 1): the bounds are the unit
    // square, so (1, 1) lands at column frameWidth of row 0, and (0, 0) at row
    // frameHeight, whose index is past the frame.
    SetFrame(10, 5);
    saverSettings.on3D = 0;
    IfsFigure figure{};
    figure.maps[0].p = 0.5f;
    figure.maps[3] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f};
    GuardedFrame frame(pixelCount);
    MeasureBounds(figure);
    PlotFigure32(figure, frame.pixels());
    EXPECT_EQ(frame.Lit(), 1);
    EXPECT_EQ(frame.pixels()[10], 0x00FAFAFAu);  // column 0 of row 1
    EXPECT_TRUE(frame.GuardsIntact());
}

TEST_F(PlotTest, RunawayCoefficientsAndTinyFramesNeverWriteOutside)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const IfsMap maps[] = {
        {1.9f, 0.3f, -0.4f, 2.1f, 0.5f, 0.5f, 0.5f},  // expands until it overflows
        {nan, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.5f},
        {0.5f, 0.0f, 0.0f, 0.5f, -inf, inf, 0.5f},
        {3e38f, 3e38f, -3e38f, 3e38f, 1.0f, 1.0f, 0.5f},
    };
    const std::pair<int, int> frames[] = {{37, 23}, {1, 1}, {1, 40}, {40, 1}};
    for (int on3D : {0, 1}) {
        saverSettings.on3D = static_cast<uint8_t>(on3D);
        for (const IfsMap& bad : maps) {
            for (int slot = 0; slot < 4; ++slot) {
                for (auto [w, h] : frames) {
                    IfsFigure figure = FigureTable[16];
                    figure.maps[slot] = bad;
                    SetFrame(w, h);
                    GuardedFrame frame(pixelCount);
                    MeasureBounds(figure);
                    PlotFigure32(figure, frame.pixels());
                    MeasureBounds(FigureTable[15]);  // stale bounds: points far outside them
                    PlotFigure32(figure, frame.pixels());
                    ASSERT_TRUE(frame.GuardsIntact()) << "slot " << slot << " frame " << w << "x" << h;
                }
            }
        }
    }
}
