#include "core/render/plot.h"

#include <cmath>
#include <cstdlib>
// x86 places both coordinates of a point at once in an SSE2 register pair; every
// other target, and an x86 build with VELMORA_PLOT_PORTABLE (to compare the two),
// in plain double code.
#if defined(__SSE2__) && !defined(VELMORA_PLOT_PORTABLE)
#define VELMORA_PLOT_SSE2 1
#include <emmintrin.h>
#else
#define VELMORA_PLOT_SSE2 0
#endif

uint8_t BaseLevel(int16_t brightness, int16_t bitsPerPixel)
{
    return static_cast<uint8_t>(bitsPerPixel == 32 ? brightness : brightness / 8);
}

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

// Without on3D both tables hold the base level, whose mean is the base level.
void ShadeTables::Prepare(int newBase, int newWidth, int newHeight, bool newShaded)
{
    if (newBase == base && newWidth == width && newHeight == height && newShaded == shaded) return;
    base = newBase;
    width = newWidth;
    height = newHeight;
    shaded = newShaded;
    for (int row = 0; row <= height; ++row) byRow[row] = static_cast<uint8_t>(shaded ? AxisShade(base, row, height) : base);
    for (int col = 0; col <= width; ++col) byCol[col] = static_cast<uint8_t>(shaded ? AxisShade(base, col, width) : base);
}

namespace {

// A product within this of a whole number may truncate differently from the
// exact quotient; anything farther cannot (the two differ by under 1e-10).
constexpr double kInsideMargin = 0.5 - 1.0 / 1048576.0;

// The column is trunc((dx / width) * frameWidth) with two roundings in double. The
// divider is the slowest unit on the way, so a point is first placed with one
// product, dx * (frameWidth / width), which lies within a few units in the last
// place of the exact value. When that product is more than 2^-20 away from every
// whole number and inside the frame, both truncate alike; the rare point near a
// pixel edge (and every odd value: zero width, infinities, NaN) takes the exact
// divisions. The row is frameHeight - s truncated, for the same s with height, so
// it is decided by the same test on s.
//
// The test: v = product, offset = v - trunc(v) - 0.5; decided when |offset| is
// below the margin and v is below the frame size.
inline ProductPlace PlacePortable(const ProductScale& scale, const PassPoint& point)
{
    const double vx = (static_cast<double>(point.x) - scale.minX) * scale.scaleX;
    const double vy = (static_cast<double>(point.y) - scale.minY) * scale.scaleY;
    // Converting a negative, huge or NaN v to int would be undefined, so v is first
    // held to 0..frame size, NaN to 0. Both ends are whole numbers, whose offset of
    // -0.5 fails the margin: a held v is never decided, as it should not be.
    const double lowX = vx > 0.0 ? vx : 0.0;
    const double lowY = vy > 0.0 ? vy : 0.0;
    const double heldX = lowX < scale.frameW ? lowX : scale.frameW;
    const double heldY = lowY < scale.frameH ? lowY : scale.frameH;
    const int32_t col = static_cast<int32_t>(heldX);
    const int32_t up = static_cast<int32_t>(heldY);
    const double offsetX = heldX - static_cast<double>(col) - 0.5;
    const double offsetY = heldY - static_cast<double>(up) - 0.5;
    const bool decided = (std::fabs(offsetX) < kInsideMargin) & (std::fabs(offsetY) < kInsideMargin);
    return {decided, col, up};
}

#if VELMORA_PLOT_SSE2
// The same test on both coordinates at once: x in the low lane, y in the high lane.
struct PackedScale {
    __m128d minXY, scaleXY, sizeXY;

    explicit PackedScale(const ProductScale& scale)
        : minXY(_mm_set_pd(scale.minY, scale.minX)), scaleXY(_mm_set_pd(scale.scaleY, scale.scaleX)),
          sizeXY(_mm_set_pd(scale.frameH, scale.frameW))
    {
    }
};

inline ProductPlace PlaceSse2(const PackedScale& scale, const PassPoint& point)
{
    const __m128 xy = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&point)));
    const __m128d v = _mm_mul_pd(_mm_sub_pd(_mm_cvtps_pd(xy), scale.minXY), scale.scaleXY);
    const __m128i whole = _mm_cvttpd_epi32(v);  // out of range gives INT_MIN, refused below
    const __m128d offset = _mm_sub_pd(_mm_sub_pd(v, _mm_cvtepi32_pd(whole)), _mm_set1_pd(0.5));
    // A negative, huge or NaN v fails the offset test already; so does v < 0.
    const __m128d inside = _mm_and_pd(_mm_cmplt_pd(v, scale.sizeXY),
                                      _mm_and_pd(_mm_cmplt_pd(offset, _mm_set1_pd(kInsideMargin)),
                                                 _mm_cmpgt_pd(offset, _mm_set1_pd(-kInsideMargin))));
    return {_mm_movemask_pd(inside) == 3, _mm_cvtsi128_si32(whole), _mm_cvtsi128_si32(_mm_srli_si128(whole, 4))};
}
#endif

// Everything one plotting pass needs, fixed before its first point.
template <class Pixel>
struct Plotter {
    double minX, minY, width, height, frameW, frameH;
    int32_t stride;
    int32_t lastRow;
    int64_t count;
    const ShadeTables& shades;
    const uint8_t* byRow;
    const uint8_t* byCol;
    Pixel wordOfLevel[256];
    Pixel* __restrict pixels;
#if VELMORA_PLOT_SSE2
    PackedScale scale;
#else
    ProductScale scale;
#endif

    Plotter(const FigureBounds& bounds, const PlotStyle& style, FrameBuffer& frame, ShadeTables& tables)
        : minX(bounds.minX), minY(bounds.minY), width(bounds.width), height(bounds.height), frameW(frame.frameWidth),
          frameH(frame.frameHeight), stride(frame.frameWidth), lastRow(frame.frameHeight - 1),
          count(frame.pixelCount), shades(tables), byRow(tables.byRow), byCol(tables.byCol), pixels(static_cast<Pixel*>(frame.pixels)),
          scale(ProductScale{minX, minY, frameW / width, frameH / height, frameW, frameH})
    {
        tables.Prepare(BaseLevel(style.brightness, sizeof(Pixel) == 4 ? 32 : 16), frame.frameWidth,
                       frame.frameHeight, style.on3D != 0);
        for (int level = 0; level < 256; ++level)
            wordOfLevel[level] = sizeof(Pixel) == 4 ? static_cast<Pixel>(PackPixel32(level, style.tint))
                                                    : static_cast<Pixel>(PackPixel16(level, style.tint));
    }

    // Writes the point's pixel through target, which the caller can declare
    // restrict; returns its index, or -1 when the point is dropped.
    int32_t Plot(const PassPoint& point, Pixel* __restrict target) const
    {
#if VELMORA_PLOT_SSE2
        const ProductPlace place = PlaceSse2(scale, point);
#else
        const ProductPlace place = PlacePortable(scale, point);
#endif
        if (!place.decided) [[unlikely]]
            return PlotExact(point.x, point.y);
        const int32_t row = lastRow - place.up;
        const int32_t index = place.col + stride * row;
        target[index] = wordOfLevel[(byRow[row] + byCol[place.col]) >> 1];
        return index;
    }

    int32_t PlotExact(float x, float y) const
    {
        const int32_t col = TruncateToInt(((static_cast<double>(x) - minX) / width) * frameW);
        const int32_t row = TruncateToInt(frameH - ((static_cast<double>(y) - minY) / height) * frameH);
        const int64_t index = col + static_cast<int64_t>(stride) * row;
        if (index < 0 || index >= count) return -1;
        pixels[index] = wordOfLevel[Level(col, row)];
        return static_cast<int32_t>(index);
    }

    int Level(int col, int row) const
    {
        if (static_cast<unsigned>(row) <= static_cast<unsigned>(shades.height) &&
            static_cast<unsigned>(col) <= static_cast<unsigned>(shades.width))
            return (shades.byRow[row] + shades.byCol[col]) / 2;
        return shades.shaded ? ShadeLevel(shades.base, col, row, shades.width, shades.height) : shades.base;
    }
};

// What the clear sets back to black for one point: its pixel, or pixel 0 for a
// dropped point. Clearing pixel 0 is harmless, since the whole frame is black after
// the clear, and it spares the loop a count of lit points.
inline int32_t LitOrFirst(int32_t index) { return index >= 0 ? index : 0; }

template <class Pixel>
void PlotPass(const IfsFigure& figure, int32_t steps, const FigureBounds& bounds, const PlotStyle& style,
              FrameBuffer& frame, PassTables& tables)
{
    const Plotter<Pixel> plotter(bounds, style, frame, tables.shades);
    Pixel* const target = static_cast<Pixel*>(frame.pixels);
    RunPass(figure, steps, tables.maps, [&](float x, float y) { plotter.Plot({x, y}, target); });
}

template <class Pixel>
void PlotPoints(KeptPoints& kept, const FigureBounds& bounds, const PlotStyle& style, FrameBuffer& frame,
                PassTables& tables)
{
    const Plotter<Pixel> plotter(bounds, style, frame, tables.shades);
    Pixel* const target = static_cast<Pixel*>(frame.pixels);
    for (int32_t i = 0; i < kept.count; ++i) kept.litIndex[i] = LitOrFirst(plotter.Plot(kept.points[i], target));
    kept.litCount = frame.pixelCount > 0 ? kept.count : 0;
}

template <class Pixel>
FigureBounds PlotPointsMeasuringNext(KeptPoints& kept, const FigureBounds& bounds, const PlotStyle& style,
                                     FrameBuffer& frame, PassTables& tables, const IfsFigure& next, int32_t steps,
                                     KeptPoints& nextKept)
{
    const Plotter<Pixel> plotter(bounds, style, frame, tables.shades);
    const PassPoint* __restrict points = kept.points;
    int32_t* __restrict litIndex = kept.litIndex;
    Pixel* __restrict target = static_cast<Pixel*>(frame.pixels);
    // The pointers by value: a reference to them would be reloaded at every step.
    const FigureBounds nextBounds =
        MeasureKept(next, steps, tables.maps, nextKept, [points, litIndex, target, &plotter](int32_t i) {
            litIndex[i] = LitOrFirst(plotter.Plot(points[i], target));
        });
    kept.litCount = frame.pixelCount > 0 ? kept.count : 0;
    return nextBounds;
}

template <class Pixel>
void ClearLit(KeptPoints& kept, Pixel* pixels, int32_t pixelCount)
{
    if (kept.count < 0) {  // nothing noted: clear the whole frame
        for (int32_t i = 0; i < pixelCount; ++i) pixels[i] = 0;
        return;
    }
    for (int32_t i = 0; i < kept.litCount; ++i) pixels[kept.litIndex[i]] = 0;
    kept.litCount = 0;
}

}  // namespace

ProductPlace PlaceByProductPortable(const ProductScale& scale, PassPoint point) { return PlacePortable(scale, point); }

ProductPlace PlaceByProduct(const ProductScale& scale, PassPoint point)
{
#if VELMORA_PLOT_SSE2
    return PlaceSse2(PackedScale(scale), point);
#else
    return PlacePortable(scale, point);
#endif
}

void PlotFigure32(const IfsFigure& figure, int32_t steps, const FigureBounds& bounds, const PlotStyle& style,
                  FrameBuffer& frame, PassTables& tables)
{
    PlotPass<uint32_t>(figure, steps, bounds, style, frame, tables);
}

void PlotFigure16(const IfsFigure& figure, int32_t steps, const FigureBounds& bounds, const PlotStyle& style,
                  FrameBuffer& frame, PassTables& tables)
{
    PlotPass<uint16_t>(figure, steps, bounds, style, frame, tables);
}

void PlotFigure(const IfsFigure& figure, int32_t steps, const FigureBounds& bounds, const PlotStyle& style,
                FrameBuffer& frame, PassTables& tables)
{
    if (frame.bitsPerPixel == 32)
        PlotFigure32(figure, steps, bounds, style, frame, tables);
    else
        PlotFigure16(figure, steps, bounds, style, frame, tables);
}

void PlotKept(KeptPoints& kept, const FigureBounds& bounds, const PlotStyle& style, FrameBuffer& frame,
              PassTables& tables)
{
    if (frame.bitsPerPixel == 32)
        PlotPoints<uint32_t>(kept, bounds, style, frame, tables);
    else
        PlotPoints<uint16_t>(kept, bounds, style, frame, tables);
}

FigureBounds PlotKeptMeasuringNext(KeptPoints& kept, const FigureBounds& bounds, const PlotStyle& style,
                                   FrameBuffer& frame, PassTables& tables, const IfsFigure& next, int32_t steps,
                                   KeptPoints& nextKept)
{
    if (frame.bitsPerPixel == 32)
        return PlotPointsMeasuringNext<uint32_t>(kept, bounds, style, frame, tables, next, steps, nextKept);
    return PlotPointsMeasuringNext<uint16_t>(kept, bounds, style, frame, tables, next, steps, nextKept);
}

void ClearLitPixels(KeptPoints& kept, FrameBuffer& frame)
{
    if (frame.bitsPerPixel == 32)
        ClearLit(kept, static_cast<uint32_t*>(frame.pixels), frame.pixelCount);
    else
        ClearLit(kept, static_cast<uint16_t*>(frame.pixels), frame.pixelCount);
}
