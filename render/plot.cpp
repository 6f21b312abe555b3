#include "render/plot.h"

#include <cstdlib>

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
// base level and the frame size stay the same (they change at most once a run).
struct ShadeTables {
    int base = -1;
    int width = -1;
    int height = -1;
    uint8_t byRow[32769];
    uint8_t byCol[32769];

    void Prepare(int newBase, int newWidth, int newHeight)
    {
        if (newBase == base && newWidth == width && newHeight == height) return;
        base = newBase;
        width = newWidth;
        height = newHeight;
        for (int row = 0; row <= height; ++row) byRow[row] = static_cast<uint8_t>(AxisShade(base, row, height));
        for (int col = 0; col <= width; ++col) byCol[col] = static_cast<uint8_t>(AxisShade(base, col, width));
    }

    int Level(int col, int row) const
    {
        if (static_cast<unsigned>(row) <= static_cast<unsigned>(height) &&
            static_cast<unsigned>(col) <= static_cast<unsigned>(width))
            return (byRow[row] + byCol[col]) / 2;
        return ShadeLevel(base, col, row, width, height);
    }
};

ShadeTables shadeTables;

// Everything one plotting pass needs, fixed before its first point.
template <class Pixel>
struct Plotter {
    double minX, minY, width, height, frameW, frameH;
    int32_t stride;
    int64_t count;
    bool shaded;
    Pixel flatWord;
    Pixel wordOfLevel[256];
    Pixel* pixels;

    Plotter(uint8_t base, Pixel* target, Pixel (*pack)(int, ChannelTint))
        : minX(figureBounds.minX), minY(figureBounds.minY), width(figureBounds.width),
          height(figureBounds.height), frameW(frameWidth), frameH(frameHeight), stride(frameWidth),
          count(pixelCount), shaded(saverSettings.on3D != 0), flatWord(pack(base, channelTint)), pixels(target)
    {
        if (!shaded) return;
        shadeTables.Prepare(base, frameWidth, frameHeight);
        for (int level = 0; level < 256; ++level) wordOfLevel[level] = pack(level, channelTint);
    }

    // Writes the point's pixel; returns its index, or -1 when the point is dropped.
    int32_t Plot(float x, float y) const
    {
        const int32_t col = TruncateToInt(((static_cast<double>(x) - minX) / width) * frameW);
        const int32_t row = TruncateToInt(frameH - ((static_cast<double>(y) - minY) / height) * frameH);
        const int64_t index = col + static_cast<int64_t>(stride) * row;
        if (index < 0 || index >= count) return -1;
        pixels[index] = shaded ? wordOfLevel[shadeTables.Level(col, row)] : flatWord;
        return static_cast<int32_t>(index);
    }
};

template <class Pixel>
void PlotPass(const IfsFigure& figure, Pixel* pixels, uint8_t base, Pixel (*pack)(int, ChannelTint))
{
    const Plotter<Pixel> plotter(base, pixels, pack);
    RunPass(figure, PassLength(), [&](float x, float y) { plotter.Plot(x, y); });
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
    int32_t lit = 0;
    for (int32_t i = 0; i < record.count; ++i) {
        const int32_t index = plotter.Plot(record.points[i].x, record.points[i].y);
        record.litIndex[lit] = index;
        lit += index >= 0;
    }
    record.litCount = lit;
    randomSource.state = record.endState;
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

void ClearLitPixels(PassRecord& record, uint32_t* pixels) { ClearLit(record, pixels); }

void ClearLitPixels(PassRecord& record, uint16_t* pixels) { ClearLit(record, pixels); }
