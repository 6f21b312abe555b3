#include <cmath>
#include <limits>
#include <vector>

#include "core_fixture.h"
#include "render/plot.h"

using PlotTest = CoreTest;

TEST_F(PlotTest, PixelWordsForLevelsAndTints)
{
    struct Row {
        int brightness;
        ChannelTint tint;
        uint32_t word32;
        uint16_t word16;
    };
    const Row rows[] = {
        {250, {1, 1, 1}, 0x00FAFAFA, 0xFFDF},   {250, {0, -1, 1}, 0x00FA0600, 0xF85F},
        {250, {0, 1, -1}, 0x0006FA00, 0x07A1},  {250, {1, -1, -1}, 0x000606FA, 0xF021},
        {100, {-1, 1, 1}, 0x0064649C, 0xA30C},  {10, {-1, -1, 1}, 0x000AF6F6, 0xF7C1},
        {250, {1, 1, -1}, 0x0006FAFA, 0xFFA1},  {250, {1, -1, 1}, 0x00FA06FA, 0xF05F},
        {250, {-1, 1, 1}, 0x00FAFA06, 0x0FDF},  {250, {-1, 1, -1}, 0x0006FA06, 0x0FA1},
        {250, {-1, -1, 1}, 0x00FA0606, 0x005F},
    };
    for (const Row& row : rows) {
        const int16_t b = static_cast<int16_t>(row.brightness);
        EXPECT_EQ(PackPixel32(BaseLevel32(b), row.tint), row.word32) << row.brightness;
        EXPECT_EQ(PackPixel16(BaseLevel16(b), row.tint), row.word16) << row.brightness;
    }
    EXPECT_EQ(PackPixel32(0, {-1, -1, -1}), 0u);  // an inverted level 0 is 0, not 256
    EXPECT_EQ(PackPixel16(0, {-1, -1, -1}), 0u);
}

TEST_F(PlotTest, StoredBrightnessOutsideTheRangeWraps)
{
    EXPECT_EQ(BaseLevel32(300), 44);
    EXPECT_EQ(BaseLevel16(300), 37);
    EXPECT_EQ(BaseLevel32(-8), 248);
    EXPECT_EQ(BaseLevel16(-8), 255);
    // Level 37 spills out of the 5-bit fields as one sum.
    EXPECT_EQ(PackPixel16(37, kGreyTint), static_cast<uint16_t>(37 * 2113));
}

TEST_F(PlotTest, ShadeFallsFromTheCentreToTheEdges)
{
    struct Row {
        int base, col, row, level;
    };
    const Row rows[] = {{250, 320, 240, 250}, {250, 0, 0, 0},     {250, 320, 120, 187},
                        {250, 0, 240, 125},   {250, 639, 479, 1}, {31, 80, 360, 11}};
    for (const Row& r : rows) EXPECT_EQ(ShadeLevel(r.base, r.col, r.row, 640, 480), r.level) << r.col;
    // Column 201 of a 201-wide frame wraps into the next row but keeps its own shade.
    EXPECT_EQ(ShadeLevel(250, 201, 40, 201, 150), 193);
    EXPECT_EQ(ShadeLevel(250, 0, 41, 201, 150), 68);
    // Frames under 2 pixels across would divide by zero: a half size of 0 counts as 1.
    EXPECT_EQ(ShadeLevel(250, 0, 0, 1, 1), 0);
    EXPECT_EQ(ShadeLevel(250, 1, 1, 1, 1), 250);
}

TEST_F(PlotTest, TruncationIsDefinedForEveryDouble)
{
    EXPECT_EQ(TruncateToInt(2.9), 2);
    EXPECT_EQ(TruncateToInt(-2.9), -2);
    EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(TruncateToInt(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(TruncateToInt(3e9), 0);
    EXPECT_EQ(TruncateToInt(2147483647.5), 2147483647);
    EXPECT_EQ(TruncateToInt(-2147483648.5), -2147483647 - 1);
}

namespace {

// A frame with guard words on both sides, to catch a write outside the buffer.
struct GuardedFrame32 {
    static constexpr uint32_t kGuard = 0xDEADBEEF;
    std::vector<uint32_t> words;
    explicit GuardedFrame32(int count) : words(count + 64, 0)
    {
        for (int i = 0; i < 32; ++i) words[i] = words[words.size() - 1 - i] = kGuard;
    }
    uint32_t* pixels() { return words.data() + 32; }
    bool GuardsIntact() const
    {
        for (int i = 0; i < 32; ++i)
            if (words[i] != kGuard || words[words.size() - 1 - i] != kGuard) return false;
        return true;
    }
    int Lit() const
    {
        int lit = 0;
        for (size_t i = 32; i + 32 < words.size(); ++i) lit += words[i] != 0;
        return lit;
    }
};

}  // namespace

TEST_F(PlotTest, FlatLevelLightsOnlyOneValue)
{
    SetFrame(201, 150);
    saverSettings.on3D = 0;
    GuardedFrame32 frame(pixelCount);
    MeasureBounds(FigureTable[0]);
    PlotFigure32(FigureTable[0], frame.pixels());
    for (int i = 0; i < pixelCount; ++i) ASSERT_TRUE(frame.pixels()[i] == 0 || frame.pixels()[i] == 0x00FAFAFAu);
    EXPECT_GT(frame.Lit(), 1000);

    std::vector<uint16_t> frame16(pixelCount, 0);
    PlotFigure16(FigureTable[0], frame16.data());
    for (uint16_t word : frame16) ASSERT_TRUE(word == 0 || word == 0xFFDF);
}

TEST_F(PlotTest, EmptyPassPlotsNothingButSeedsTheSource)
{
    SetFrame(64, 48);
    GuardedFrame32 frame(pixelCount);
    MeasureBounds(FigureTable[1]);
    saverSettings.Quality.value = 0;
    randomSource.state = 1234;
    PlotFigure32(FigureTable[1], frame.pixels());
    EXPECT_EQ(frame.Lit(), 0);
    EXPECT_EQ(randomSource.state, 0u);
}

TEST_F(PlotTest, LowestPointIsDroppedAndGreatestXWrapsToTheNextRow)
{
    // A two-point cloud: map 0 sends everything to (0, 0), map 3 to (1, 1); the
    // bounds are the unit square, so (1, 1) lands at column frameWidth, row 0.
    SetFrame(10, 5);
    saverSettings.on3D = 0;
    IfsFigure figure{};
    figure.maps[0].p = 0.5f;
    figure.maps[3] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f};
    GuardedFrame32 frame(pixelCount);
    MeasureBounds(figure);
    ASSERT_EQ(figureBounds.width, 1.0f);
    PlotFigure32(figure, frame.pixels());
    EXPECT_EQ(frame.Lit(), 1);  // (0, 0) has row = frameHeight: dropped
    EXPECT_EQ(frame.pixels()[10], 0x00FAFAFAu);  // column 0 of row 1
    EXPECT_TRUE(frame.GuardsIntact());
}

TEST_F(PlotTest, RunawayCoefficientsNeverWriteOutsideTheFrame)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const IfsMap maps[] = {
        {1.9f, 0.3f, -0.4f, 2.1f, 0.5f, 0.5f, 0.5f},  // expands until it overflows
        {nan, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.5f},
        {0.5f, 0.0f, 0.0f, 0.5f, inf, 0.0f, 0.5f},
        {0.5f, 0.0f, 0.0f, 0.5f, -inf, inf, 0.5f},
        {3e38f, 3e38f, -3e38f, 3e38f, 1.0f, 1.0f, 0.5f},
    };
    for (int on3D : {0, 1}) {
        for (const IfsMap& bad : maps) {
            for (int slot = 0; slot < 4; ++slot) {
                IfsFigure figure = FigureTable[16];
                figure.maps[slot] = bad;
                saverSettings.on3D = static_cast<uint8_t>(on3D);
                SetFrame(37, 23);
                GuardedFrame32 frame(pixelCount);
                MeasureBounds(figure);
                PlotFigure32(figure, frame.pixels());
                EXPECT_TRUE(frame.GuardsIntact()) << "slot " << slot;
                // Stale bounds from another figure: points far outside them.
                MeasureBounds(FigureTable[15]);
                PlotFigure32(figure, frame.pixels());
                EXPECT_TRUE(frame.GuardsIntact()) << "slot " << slot;
            }
        }
    }
}

TEST_F(PlotTest, TinyFramesWithLightingDoNotDivideByZero)
{
    for (auto [w, h] : {std::pair{1, 1}, {1, 40}, {40, 1}, {2, 2}}) {
        SetFrame(w, h);
        GuardedFrame32 frame(pixelCount);
        MeasureBounds(FigureTable[0]);
        PlotFigure32(FigureTable[0], frame.pixels());
        EXPECT_TRUE(frame.GuardsIntact());
    }
}

TEST_F(PlotTest, KeptPointsGiveTheSamePictureAndClearRestoresBlack)
{
    for (int on3D : {0, 1}) {
        saverSettings.on3D = static_cast<uint8_t>(on3D);
        channelTint = {1, -1, -1};
        SetFrame(300, 200);
        std::vector<PassPoint> points(8000);
        std::vector<int32_t> lit(8000);
        PassRecord record{points.data(), lit.data(), 8000, 0, 0, 0};
        for (int f : {0, 8, 19}) {
            std::vector<uint32_t> replayed(pixelCount, 0), kept(pixelCount, 0);
            std::vector<uint16_t> replayed16(pixelCount, 0), kept16(pixelCount, 0);
            MeasureBounds(FigureTable[f]);
            PlotFigure32(FigureTable[f], replayed.data());
            PlotFigure16(FigureTable[f], replayed16.data());
            const uint32_t state = randomSource.state;

            MeasureBounds(FigureTable[f], record);
            PlotRecord32(FigureTable[f], record, kept.data());
            EXPECT_EQ(randomSource.state, state);
            EXPECT_EQ(kept, replayed) << f;
            ClearLitPixels(record, kept.data());
            EXPECT_EQ(kept, std::vector<uint32_t>(pixelCount, 0));

            PlotRecord16(FigureTable[f], record, kept16.data());
            EXPECT_EQ(kept16, replayed16) << f;
            ClearLitPixels(record, kept16.data());
            EXPECT_EQ(kept16, std::vector<uint16_t>(pixelCount, 0));
        }
    }
}
