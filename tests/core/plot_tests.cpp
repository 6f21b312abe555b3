// Plotting: pixel words, shading, placement of points and the clear.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "test_support.h"

namespace {

// Pixels with a guard word on both sides, to catch a write outside them.
template <class Word>
struct Guarded {
    static constexpr Word kGuard = static_cast<Word>(0xDEADBEEF);
    std::vector<Word> words;
    explicit Guarded(int count) : words(count + 2, kGuard) { std::fill(words.begin() + 1, words.end() - 1, Word{0}); }
    Word* pixels() { return words.data() + 1; }
    bool Intact() const { return words.front() == kGuard && words.back() == kGuard; }
};

// Where the definition puts a point: the exact divisions, truncated.
struct Place {
    int32_t col, row;
    int64_t index;
};
Place ExactPlace(PassPoint p, const FigureBounds& b, int width, int height)
{
    const int32_t col = TruncateToInt(((static_cast<double>(p.x) - b.minX) / b.width) * width);
    const int32_t row = TruncateToInt(height - ((static_cast<double>(p.y) - b.minY) / b.height) * height);
    return {col, row, col + int64_t{width} * row};
}

// This build's shortcut (SSE2 on x86) and the portable one place the point alike.
void ExpectSamePlace(const ProductScale& scale, PassPoint p, const char* name)
{
    const ProductPlace fast = PlaceByProduct(scale, p), portable = PlaceByProductPortable(scale, p);
    EXPECT_EQ(fast.decided, portable.decided) << name << " at " << p.x << ", " << p.y;
    if (fast.decided && portable.decided) {
        EXPECT_EQ(std::pair(fast.col, fast.up), std::pair(portable.col, portable.up)) << name << " at " << p.x << ", " << p.y;
    }
}

// Plots the points with PlotKept and checks every pixel and every noted index
// against the exact divisions, then that the clear leaves the frame all black.
template <class Word>
void ExpectExactPlacement(const std::vector<PassPoint>& points, const FigureBounds& bounds, int width, int height,
                          const char* name)
{
    auto tables = std::make_unique<PassTables>();
    const int bits = sizeof(Word) * 8;
    const PlotStyle style = {250, 1, {1, -1, 1}};
    const int base = BaseLevel(style.brightness, bits);
    std::vector<PassPoint> kept(points);
    std::vector<int32_t> lit(points.size());
    KeptPoints keptPoints{kept.data(), lit.data(), static_cast<int32_t>(kept.size()), static_cast<int32_t>(kept.size())};
    Guarded<Word> fast(width * height), exact(width * height);
    FrameBuffer frame = FrameOver(fast.pixels(), width, height, bits);
    PlotKept(keptPoints, bounds, style, frame, *tables);
    for (size_t i = 0; i < points.size(); ++i) {
        const Place place = ExactPlace(points[i], bounds, width, height);
        const bool inside = place.index >= 0 && place.index < frame.pixelCount;
        EXPECT_EQ(lit[i], inside ? place.index : 0) << name << " point " << i;
        if (!inside) continue;
        const int level = ShadeLevel(base, place.col, place.row, width, height);
        exact.pixels()[place.index] = bits == 32 ? static_cast<Word>(PackPixel32(level, style.tint))
                                           : static_cast<Word>(PackPixel16(level, style.tint));
    }
    EXPECT_TRUE(fast.words == exact.words) << name << " at " << bits << " bits";
    ClearLitPixels(keptPoints, frame);
    EXPECT_EQ(std::count(fast.words.begin() + 1, fast.words.end() - 1, Word{0}), frame.pixelCount) << name;
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
// truncate differently, and points no product can place (NaN, infinities, far
// outside, products beyond 32 bits): the kept-point plot must light the pixels the
// divisions give, whatever its shortcut, and its clear must leave the frame black.
TEST(PlotTest, KeptPointsLandWhereTheDivisionsPutThemAndClearToBlack)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float denormal = std::numeric_limits<float>::denorm_min();
    const struct { const char* name; FigureBounds bounds; int width, height; } rows[] = {
        {"unit scale", {0.0f, 0.0f, 819.0f, 614.0f}, 819, 614},
        {"narrow", {-0.31f, 1.7f, 0.7f, 3.3f}, 819, 613},
        {"wide", {-2.5f, -7.0f, 5.25f, 10.01f}, 1023, 767},
        {"right edge one product short", {0.0f, 0.0f, 10.01f, 10.01f}, 819, 767},
        {"products beyond 1e80", {1.0f, -1.0f, denormal, denormal}, 37, 23},
        {"zero width", {0.5f, 0.5f, 0.0f, 2.0f}, 37, 23},
        {"zero height", {0.5f, 0.5f, 2.0f, 0.0f}, 37, 23},
        {"negative size", {1.0f, 1.0f, -2.0f, -3.0f}, 37, 23},
        {"one pixel", {0.0f, 0.0f, 1.0f, 1.0f}, 1, 1},
        {"one column", {-1.0f, -1.0f, 2.0f, 2.0f}, 1, 40},
        {"one row", {-1.0f, -1.0f, 2.0f, 2.0f}, 41, 1},
    };
    int straddling = 0;
    for (const auto& row : rows) {
        const FigureBounds& b = row.bounds;
        const auto at = [&b](double u, double v) {
            return PassPoint{static_cast<float>(b.minX + b.width * u), static_cast<float>(b.minY + b.height * v)};
        };
        // First a point of its own in the middle, then the pixel edges and a few ulps
        // either side, then every sixteenth (whole products at the even sizes).
        std::vector<PassPoint> points = {at(0.5013, 0.5)};
        const int across = std::max(row.width, row.height);
        for (int k = 0; k <= across; k += across < 60 ? 1 : 3)
            for (int ulps = -2; ulps <= 2; ++ulps) {
                PassPoint p = at(double(k % (row.width + 1)) / row.width, double(k % (row.height + 1)) / row.height);
                for (int u = 0; u < std::abs(ulps); ++u) {
                    p.x = std::nextafter(p.x, ulps < 0 ? -inf : inf);
                    p.y = std::nextafter(p.y, ulps < 0 ? inf : -inf);
                }
                points.push_back(p);
            }
        for (int j = -1; j <= 17; ++j) points.push_back(at(j / 16.0, (16 - j) / 16.0));
        const PassPoint middle = points.front();
        for (float odd : {nan, inf, -inf, 3.4e38f, -3.4e38f})
            points.insert(points.end(), {{odd, middle.y}, {middle.x, odd}, {odd, odd}});
        ExpectExactPlacement<uint32_t>(points, b, row.width, row.height, row.name);
        ExpectExactPlacement<uint16_t>(points, b, row.width, row.height, row.name);
        const ProductScale scale = {b.minX, b.minY, row.width / double(b.width), row.height / double(b.height),
                                    double(row.width), double(row.height)};
        for (const PassPoint& p : points) {
            ExpectSamePlace(scale, p, row.name);
            const double product = (static_cast<double>(p.x) - b.minX) * scale.scaleX;
            const double exact = ((static_cast<double>(p.x) - b.minX) / b.width) * row.width;
            straddling += std::isfinite(product) && std::trunc(product) != std::trunc(exact);
        }
    }
    EXPECT_GT(straddling, 0) << "no point tests the shortcut";
}

// The shortcut of this build (SSE2 on x86) and the plain double one of every other
// target decide alike, at the margin too and for values no int can hold.
TEST(PlotTest, BothShortcutsDecideAlike)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const double dinf = std::numeric_limits<double>::infinity();
    const float step = 1.0f / 1048576.0f;  // 2^-20, the margin from a whole number
    const ProductScale unit = {0.0, 0.0, 1.0, 1.0, 37.0, 23.0};
    const struct { const char* name; ProductScale scale; PassPoint p; bool decided; int32_t col = 0, up = 0; } rows[] = {
        {"middle of a pixel", unit, {10.25f, 5.5f}, true, 10, 5},
        {"whole product", unit, {5.0f, 5.5f}, false},
        {"2^-20 past whole", unit, {5.0f + step, 5.5f}, false},
        {"2^-19 past whole", unit, {5.0f + 2 * step, 5.5f}, true, 5, 5},
        {"2^-20 short of whole", unit, {6.0f - step, 5.5f}, false},
        {"2^-19 short of whole", unit, {6.0f - 2 * step, 5.5f}, true, 5, 5},
        {"row 2^-20 past whole", unit, {5.5f, 7.0f + step}, false},
        {"1e-9 past whole", {0.0, 0.0, 1.0 + 1e-10, 1.0, 37.0, 23.0}, {5.0f, 5.5f}, false},
        {"1e-9 short of whole", {0.0, 0.0, 1.0, 1.0 - 1e-10, 37.0, 23.0}, {5.5f, 5.0f}, false},
        {"last column, top row", unit, {36.5f, 22.5f}, true, 36, 22},
        {"right edge", unit, {37.0f, 5.5f}, false},
        {"past the right edge", unit, {37.5f, 5.5f}, false},
        {"past the top", unit, {5.5f, 23.5f}, false},
        {"just left of the frame", unit, {-0.25f, 5.5f}, false},
        {"left of the frame", unit, {-3.5f, 5.5f}, false},
        {"below the frame", unit, {5.5f, -3.5f}, false},
        {"NaN x", unit, {nan, 5.5f}, false},
        {"NaN y", unit, {5.5f, nan}, false},
        {"infinite x", unit, {inf, 5.5f}, false},
        {"minus infinite y", unit, {5.5f, -inf}, false},
        {"1e300", {0.0, 0.0, 1e300, 1.0, 37.0, 23.0}, {0.5f, 5.5f}, false},
        {"-1e300", {0.0, 0.0, 1.0, 1e300, 37.0, 23.0}, {5.5f, -0.5f}, false},
        {"-1e10", {0.0, 0.0, 1e10, 1.0, 37.0, 23.0}, {-1.0f, 5.5f}, false},
        {"zero-width bounds", {0.0, 0.0, dinf, 1.0, 37.0, 23.0}, {0.0f, 5.5f}, false},
        {"zero-height bounds", {0.0, 0.0, 1.0, dinf, 37.0, 23.0}, {5.5f, 1.0f}, false},
        {"negative scale", {1.0, 1.0, -18.5, -11.5, 37.0, 23.0}, {0.0f, 0.0f}, true, 18, 11},
        {"1x1 frame", {0.0, 0.0, 1.0, 1.0, 1.0, 1.0}, {0.5f, 0.5f}, true, 0, 0},
        {"1x1 frame, edge", {0.0, 0.0, 1.0, 1.0, 1.0, 1.0}, {1.0f, 0.5f}, false},
        {"no frame", {0.0, 0.0, 1.0, 1.0, 0.0, 0.0}, {0.5f, 0.5f}, false},
    };
    for (const auto& row : rows) {
        const ProductPlace place = PlaceByProduct(row.scale, row.p);
        EXPECT_EQ(place.decided, row.decided) << row.name;
        if (place.decided && row.decided) {
            EXPECT_EQ(std::pair(place.col, place.up), std::pair(row.col, row.up)) << row.name;
        }
        ExpectSamePlace(row.scale, row.p, row.name);
    }
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
                    Guarded<uint32_t> pixels(w * h);
                    FrameBuffer frame = FrameOver(pixels.pixels(), w, h, 32);
                    const PlotStyle style = {250, on3D, kGreyTint};
                    const FigureBounds own = MeasureBounds(figure, 8000, tables->maps);
                    PlotFigure32(figure, 8000, own, style, frame, *tables);
                    PlotFigure32(figure, 8000, stale, style, frame, *tables);  // points far outside the bounds
                    ASSERT_TRUE(pixels.Intact()) << "slot " << slot << " frame " << w << "x" << h;
                }
}
