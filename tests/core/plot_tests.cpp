// Plotting: pixel words, shading, placement of points and the clear.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "test_support.h"

namespace {

constexpr uint32_t kGuard = 0xDEADBEEF;

// 32-bit pixels with a guard word on both sides, to catch a write outside them.
struct Guarded {
    std::vector<uint32_t> words;
    explicit Guarded(int count) : words(count + 2, 0) { words.front() = words.back() = kGuard; }
    uint32_t* pixels() { return words.data() + 1; }
    bool Intact() const { return words.front() == kGuard && words.back() == kGuard; }
};

// Where the definition puts a point: the exact divisions, truncated.
int64_t ExactIndex(PassPoint p, const FigureBounds& b, int width, int height)
{
    const int32_t col = TruncateToInt(((static_cast<double>(p.x) - b.minX) / b.width) * width);
    const int32_t row = TruncateToInt(height - ((static_cast<double>(p.y) - b.minY) / b.height) * height);
    return col + int64_t{width} * row;
}

}  // namespace

TEST(PlotTest, PixelWordsForLevelsAndTints)
{
    const struct { int16_t brightness; ChannelTint tint; uint32_t word32; uint16_t word16; } rows[] = {
        {250, {1, 1, 1}, 0x00FAFAFA, 0xFFDF},   {250, {0, -1, 1}, 0x00FA0600, 0xF85F},
        {250, {0, 1, -1}, 0x0006FA00, 0x07A1},  {100, {-1, 1, 1}, 0x0064649C, 0xA30C},
        // Stored brightness beyond the range wraps: levels 44 and 37 (spilling out of
        // the 5-bit fields as one sum), and for -8 levels 248 and 255.
        {300, {1, 1, 1}, 0x002C2C2C, static_cast<uint16_t>(37 * 2113)}, {-8, {1, 1, 1}, 0x00F8F8F8, static_cast<uint16_t>(255 * 2113)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PackPixel32(BaseLevel(row.brightness, 32), row.tint), row.word32) << row.brightness;
        EXPECT_EQ(PackPixel16(BaseLevel(row.brightness, 16), row.tint), row.word16) << row.brightness;
    }
    EXPECT_EQ(PackPixel32(0, {-1, -1, -1}), 0u);  // an inverted level 0 is 0, not 256
}

TEST(PlotTest, ShadeFallsFromTheCentreToTheEdges)
{
    const struct { int base, col, row, width, height, level; } rows[] = {
        {250, 320, 240, 640, 480, 250}, {250, 0, 0, 640, 480, 0},     {250, 320, 120, 640, 480, 187},
        {250, 639, 479, 640, 480, 1},   {31, 80, 360, 640, 480, 11},
        {250, 201, 40, 201, 150, 193},  // column 201 of a 201-wide frame keeps its own shade
        {250, 0, 0, 1, 1, 0},           {250, 1, 1, 1, 1, 250},  // a half size of 0 counts as 1
    };
    for (const auto& r : rows) EXPECT_EQ(ShadeLevel(r.base, r.col, r.row, r.width, r.height), r.level) << r.col;
    const double inf = std::numeric_limits<double>::infinity();
    const struct { double in; int32_t out; } truncations[] = {
        {2.9, 2}, {-2.9, -2}, {std::nan(""), 0}, {inf, 0}, {-inf, 0}, {3e9, 0}, {2147483647.5, 2147483647}};
    for (const auto& t : truncations) EXPECT_EQ(TruncateToInt(t.in), t.out) << t.in;
}

// Points on and next to pixel edges, where one product and two divisions may
// truncate differently: the kept-point plot must light the pixels the divisions
// give, whatever its shortcut, and its clear must leave the frame all black.
TEST(PlotTest, KeptPointsLandWhereTheDivisionsPutThemAndClearToBlack)
{
    auto tables = std::make_unique<PassTables>();
    const PlotStyle style = {250, 0, kGreyTint};
    const struct { const char* name; FigureBounds bounds; int width, height; } rows[] = {
        {"unit scale", {0.0f, 0.0f, 819.0f, 614.0f}, 819, 614},
        {"narrow", {-0.31f, 1.7f, 0.7f, 3.3f}, 819, 613},
        {"wide", {-2.5f, -7.0f, 5.25f, 10.01f}, 1023, 767},
        {"right edge one product short", {0.0f, 0.0f, 10.01f, 10.01f}, 819, 767},
    };
    int straddling = 0;
    for (const auto& row : rows) {
        // First a point of its own in the middle, then the edges.
        std::vector<PassPoint> points = {{row.bounds.minX + row.bounds.width * 0.5013f, row.bounds.minY + row.bounds.height * 0.5f}};
        for (int k = 0; k <= row.width; k += 3)
            for (int ulps = -2; ulps <= 2; ++ulps) {
                float x = static_cast<float>(row.bounds.minX + row.bounds.width * (static_cast<double>(k) / row.width));
                float y = static_cast<float>(row.bounds.minY + row.bounds.height * ((k % row.height) / double(row.height)));
                for (int u = 0; u < std::abs(ulps); ++u) {
                    x = std::nextafter(x, ulps < 0 ? -1e30f : 1e30f);
                    y = std::nextafter(y, ulps < 0 ? 1e30f : -1e30f);
                }
                points.push_back({x, y});
            }
        std::vector<int32_t> lit(points.size());
        KeptPoints kept{points.data(), lit.data(), static_cast<int32_t>(points.size()), static_cast<int32_t>(points.size())};
        Guarded fast(row.width * row.height), exact(row.width * row.height);
        FrameBuffer frame = FrameOver(fast.pixels(), row.width, row.height, 32);
        PlotKept(kept, row.bounds, style, frame, *tables);
        for (const PassPoint& p : points) {
            const int64_t index = ExactIndex(p, row.bounds, row.width, row.height);
            if (index >= 0 && index < frame.pixelCount) exact.pixels()[index] = 0x00FAFAFA;
            const double product = (static_cast<double>(p.x) - row.bounds.minX) * (row.width / double(row.bounds.width));
            straddling += std::trunc(product) != std::trunc(((static_cast<double>(p.x) - row.bounds.minX) / row.bounds.width) * row.width);
        }
        EXPECT_TRUE(fast.words == exact.words) << row.name;
        ClearLitPixels(kept, frame);
        EXPECT_EQ(std::count(fast.words.begin() + 1, fast.words.end() - 1, 0u), frame.pixelCount) << row.name;
    }
    EXPECT_GT(straddling, 0) << "no point tests the shortcut";
}

TEST(PlotTest, RunawayCoefficientsAndTinyFramesNeverWriteOutside)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const IfsMap maps[] = {
        {1.9f, 0.3f, -0.4f, 2.1f, 0.5f, 0.5f, 0.5f},  // expands until it overflows
        {nan, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.5f},
        {0.5f, 0.0f, 0.0f, 0.5f, -inf, inf, 0.5f},
        {3e38f, 3e38f, -3e38f, 3e38f, 1.0f, 1.0f, 0.5f},
    };
    const std::pair<int, int> sizes[] = {{37, 23}, {1, 1}, {1, 40}, {40, 1}};
    auto tables = std::make_unique<PassTables>();
    const FigureBounds stale = MeasureBounds(FigureTable[15], 8000, tables->maps);
    for (uint8_t on3D : {0, 1})
        for (const IfsMap& bad : maps)
            for (int slot = 0; slot < 4; ++slot)
                for (auto [w, h] : sizes) {
                    IfsFigure figure = FigureTable[16];
                    figure.maps[slot] = bad;
                    Guarded pixels(w * h);
                    FrameBuffer frame = FrameOver(pixels.pixels(), w, h, 32);
                    const PlotStyle style = {250, on3D, kGreyTint};
                    const FigureBounds own = MeasureBounds(figure, 8000, tables->maps);
                    PlotFigure32(figure, 8000, own, style, frame, *tables);
                    PlotFigure32(figure, 8000, stale, style, frame, *tables);  // points far outside the bounds
                    ASSERT_TRUE(pixels.Intact()) << "slot " << slot << " frame " << w << "x" << h;
                }
}
