#include "render/plot.h"

#include <cmath>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/frame_buffer.h"
#include "settings/settings.h"

int16_t frameWidth = 0;
int16_t frameHeight = 0;
int32_t pixelCount = 0;

uint8_t BaseLevel32(int16_t brightness) { return static_cast<uint8_t>(brightness); }

uint8_t BaseLevel16(int16_t brightness) { return static_cast<uint8_t>(brightness / 8); }

int32_t TruncateToInt(double value)
{
    // The comparisons are false for NaN, so it falls through to 0 as well.
    if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
    return 0;
}

namespace {

// Brightness falls linearly from the centre line to the edge along one axis. A half
// size of 0 (a frame 1 pixel across) is taken as 1 so the division stays defined.
int AxisShade(int base, int position, int size)
{
    int64_t half = size / 2;
    if (half == 0) half = 1;
    const int64_t offset = (static_cast<int64_t>(base) * position) / half - base;
    return static_cast<int>((base - std::llabs(offset)) & 0xFF);
}

}  // namespace

int ShadeLevel(int base, int col, int row, int width, int height)
{
    return (AxisShade(base, row, height) + AxisShade(base, col, width)) / 2;
}

uint32_t PackPixel32(int level, ChannelTint tint)
{
    const uint32_t blue = static_cast<uint32_t>(tint.factor0 * level) & 0xFFu;
    const uint32_t green = static_cast<uint32_t>(tint.factor1 * level) & 0xFFu;
    const uint32_t red = static_cast<uint32_t>(tint.factor2 * level) & 0xFFu;
    return blue | (green << 8) | (red << 16);
}

uint16_t PackPixel16(int level, ChannelTint tint)
{
    // One sum, so a negative factor borrows from the field above it.
    const int32_t multiplier = 2048 * tint.factor0 + 64 * tint.factor1 + tint.factor2;
    return static_cast<uint16_t>(static_cast<uint32_t>(level * multiplier));
}

namespace {

// Shade of every row 0..frameHeight and column 0..frameWidth, cached while the
// base level, the frame size and on3D stay the same (they change at most once a
// run). Without on3D both tables hold the base level, whose mean is the base level.
struct ShadeTables {
    int base = -1;
    int width = -1;
    int height = -1;
    bool shaded = false;
    uint8_t byRow[32769];
    uint8_t byCol[32769];

    void Prepare(int newBase, int newWidth, int newHeight, bool newShaded)
    {
        if (newBase == base && newWidth == width && newHeight == height && newShaded == shaded) return;
        base = newBase;
        width = newWidth;
        height = newHeight;
        shaded = newShaded;
        for (int row = 0; row <= height; ++row)
            byRow[row] = static_cast<uint8_t>(shaded ? AxisShade(base, row, height) : base);
        for (int col = 0; col <= width; ++col)
            byCol[col] = static_cast<uint8_t>(shaded ? AxisShade(base, col, width) : base);
    }

    int Level(int col, int row) const
    {
        if (static_cast<unsigned>(row) <= static_cast<unsigned>(height) &&
            static_cast<unsigned>(col) <= static_cast<unsigned>(width))
            return (byRow[row] + byCol[col]) / 2;
        return shaded ? ShadeLevel(base, col, row, width, height) : base;
    }
};

ShadeTables shadeTables;

// A product within this of a whole number may truncate differently from the
// exact quotient; anything farther cannot (the two differ by under 1e-10).
constexpr double kInsideMargin = 0.5 - 1.0 / 1048576.0;

// Everything one plotting pass needs, fixed before its first point.
//
// The column is trunc((dx / width) * frameWidth) with two roundings in double. The
// divider is the slowest unit on the way, so a point is first placed with one
// product, dx * (frameWidth / width), which lies within a few units in the last
// place of the exact value. When that product is more than 2^-20 away from every
// whole number and inside the frame, both truncate alike; the rare point near a
// pixel edge (and every odd value: zero width, infinities, NaN) takes the exact
// divisions. The row is frameHeight - s truncated, for the same s with height, so
// it is decided by the same test on s. With SSE2 both coordinates go through one
// register pair.
template <class Pixel>
struct Plotter {
    double minX, minY, width, height, frameW, frameH;
    double xScale, yScale;
    int32_t stride;
    int32_t lastRow;
    int64_t count;
    const uint8_t* byRow;
    const uint8_t* byCol;
    Pixel wordOfLevel[256];
    Pixel* __restrict pixels;
#if defined(__SSE2__)
    // x in the low lane, y in the high lane.
    __m128d minXY, scaleXY, sizeXY;
#endif

    Plotter(uint8_t base, Pixel* target, Pixel (*pack)(int, ChannelTint))
        : minX(figureBounds.minX), minY(figureBounds.minY), width(figureBounds.width),
          height(figureBounds.height), frameW(frameWidth), frameH(frameHeight), xScale(frameW / width),
          yScale(frameH / height), stride(frameWidth), lastRow(frameHeight - 1), count(pixelCount),
          byRow(shadeTables.byRow), byCol(shadeTables.byCol), pixels(target)
    {
        shadeTables.Prepare(base, frameWidth, frameHeight, saverSettings.on3D != 0);
        for (int level = 0; level < 256; ++level) wordOfLevel[level] = pack(level, channelTint);
#if defined(__SSE2__)
        minXY = _mm_set_pd(minY, minX);
        scaleXY = _mm_set_pd(yScale, xScale);
        sizeXY = _mm_set_pd(frameH, frameW);
#endif
    }

    // Writes the point's pixel; returns its index, or -1 when the point is dropped.
    int32_t Plot(const PassPoint& point) const { return Plot(point, pixels); }

    // The same through a pointer of the caller's, which the caller can declare
    // restrict: then no pixel store is thought to reach the random source.
    int32_t Plot(const PassPoint& point, Pixel* __restrict target) const
    {
        int32_t col, below;
        if (!PlaceFast(point, col, below)) return PlotExact(point.x, point.y);
        const int32_t row = lastRow - below;
        const int32_t index = col + stride * row;
        target[index] = wordOfLevel[(byRow[row] + byCol[col]) >> 1];
        return index;
    }

#if defined(__SSE2__)
    bool PlaceFast(const PassPoint& point, int32_t& col, int32_t& below) const
    {
        const __m128 xy = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&point)));
        const __m128d v = _mm_mul_pd(_mm_sub_pd(_mm_cvtps_pd(xy), minXY), scaleXY);
        const __m128i whole = _mm_cvttpd_epi32(v);  // out of range gives INT_MIN, refused below
        const __m128d offset = _mm_sub_pd(_mm_sub_pd(v, _mm_cvtepi32_pd(whole)), _mm_set1_pd(0.5));
        // A negative, huge or NaN v fails the offset test already; so does v < 0.
        const __m128d inside = _mm_and_pd(_mm_cmplt_pd(v, sizeXY),
                                          _mm_and_pd(_mm_cmplt_pd(offset, _mm_set1_pd(kInsideMargin)),
                                                     _mm_cmpgt_pd(offset, _mm_set1_pd(-kInsideMargin))));
        col = _mm_cvtsi128_si32(whole);
        below = _mm_cvtsi128_si32(_mm_srli_si128(whole, 4));
        return _mm_movemask_pd(inside) == 3;
    }
#else
    bool PlaceFast(const PassPoint& point, int32_t& col, int32_t& below) const
    {
        const double c = (static_cast<double>(point.x) - minX) * xScale;
        const double s = (static_cast<double>(point.y) - minY) * yScale;
        if (!(c >= 0.0 && c < frameW && s >= 0.0 && s < frameH)) return false;
        col = static_cast<int32_t>(c);
        below = static_cast<int32_t>(s);
        return std::fabs(c - col - 0.5) < kInsideMargin && std::fabs(s - below - 0.5) < kInsideMargin;
    }
#endif

    int32_t PlotExact(float x, float y) const
    {
        const int32_t col = TruncateToInt(((static_cast<double>(x) - minX) / width) * frameW);
        const int32_t row = TruncateToInt(frameH - ((static_cast<double>(y) - minY) / height) * frameH);
        const int64_t index = col + static_cast<int64_t>(stride) * row;
        if (index < 0 || index >= count) return -1;
        pixels[index] = wordOfLevel[shadeTables.Level(col, row)];
        return static_cast<int32_t>(index);
    }
};

// What the clear sets back to black for one point: its pixel, or pixel 0 for a
// dropped point. Clearing pixel 0 is harmless, since the whole frame is black after
// the clear, and it spares the loop a count of lit points.
inline int32_t LitOrFirst(int32_t index) { return index >= 0 ? index : 0; }

template <class Pixel>
void PlotPass(const IfsFigure& figure, Pixel* pixels, uint8_t base, Pixel (*pack)(int, ChannelTint))
{
    const Plotter<Pixel> plotter(base, pixels, pack);
    RunPass(figure, PassLength(), [&](float x, float y) { plotter.Plot({x, y}); });
}

template <class Pixel>
void PlotKept(const IfsFigure& figure, PassRecord& record, Pixel* pixels, uint8_t base,
              Pixel (*pack)(int, ChannelTint))
{
    if (record.count < 0) {  // the bounds pass could not keep its points
        PlotPass(figure, pixels, base, pack);
        record.litCount = 0;
        return;
    }
    const Plotter<Pixel> plotter(base, pixels, pack);
    for (int32_t i = 0; i < record.count; ++i) record.litIndex[i] = LitOrFirst(plotter.Plot(record.points[i]));
    record.litCount = pixelCount > 0 ? record.count : 0;
    randomSource.state = record.endState;
}

template <class Pixel>
void PlotKeptMeasuringNext(PassRecord& shown, Pixel* pixels, uint8_t base, Pixel (*pack)(int, ChannelTint),
                           const IfsFigure& next, PassRecord& nextRecord, FigureBounds& nextBounds)
{
    const Plotter<Pixel> plotter(base, pixels, pack);
    const PassPoint* __restrict points = shown.points;
    int32_t* __restrict litIndex = shown.litIndex;
    Pixel* __restrict target = pixels;
    // The pointers by value: a reference to them would be reloaded at every step.
    MeasureKept(next, PassLength(), nextRecord, nextBounds, [points, litIndex, target, &plotter](int32_t i) {
        litIndex[i] = LitOrFirst(plotter.Plot(points[i], target));
    });
    shown.litCount = pixelCount > 0 ? shown.count : 0;
    randomSource.state = shown.endState;
}

template <class Pixel>
void ClearLit(PassRecord& record, Pixel* pixels)
{
    if (record.count < 0) {  // nothing recorded: clear the whole frame
        for (int32_t i = 0; i < pixelCount; ++i) pixels[i] = 0;
        return;
    }
    for (int32_t i = 0; i < record.litCount; ++i) pixels[record.litIndex[i]] = 0;
    record.litCount = 0;
}

}  // namespace

void PlotFigure32(const IfsFigure& figure, uint32_t* pixels)
{
    PlotPass(figure, pixels, BaseLevel32(saverSettings.Brightness.value), PackPixel32);
}

void PlotFigure16(const IfsFigure& figure, uint16_t* pixels)
{
    PlotPass(figure, pixels, BaseLevel16(saverSettings.Brightness.value), PackPixel16);
}

void PlotRecord32(const IfsFigure& figure, PassRecord& record, uint32_t* pixels)
{
    PlotKept(figure, record, pixels, BaseLevel32(saverSettings.Brightness.value), PackPixel32);
}

void PlotRecord16(const IfsFigure& figure, PassRecord& record, uint16_t* pixels)
{
    PlotKept(figure, record, pixels, BaseLevel16(saverSettings.Brightness.value), PackPixel16);
}

void PlotRecordMeasuringNext32(PassRecord& shown, uint32_t* pixels, const IfsFigure& next, PassRecord& nextRecord,
                               FigureBounds& nextBounds)
{
    PlotKeptMeasuringNext(shown, pixels, BaseLevel32(saverSettings.Brightness.value), PackPixel32, next, nextRecord,
                          nextBounds);
}

void PlotRecordMeasuringNext16(PassRecord& shown, uint16_t* pixels, const IfsFigure& next, PassRecord& nextRecord,
                               FigureBounds& nextBounds)
{
    PlotKeptMeasuringNext(shown, pixels, BaseLevel16(saverSettings.Brightness.value), PackPixel16, next, nextRecord,
                          nextBounds);
}

void ClearLitPixels(PassRecord& record, uint32_t* pixels) { ClearLit(record, pixels); }

void ClearLitPixels(PassRecord& record, uint16_t* pixels) { ClearLit(record, pixels); }
