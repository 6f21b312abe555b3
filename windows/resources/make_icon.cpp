// Draws the program icon: one figure of the table, plotted by the saver's own
// passes into a 32 x 32 frame and written as an icon with one 16-colour image.
//   make_icon OUTPUT.ico [FIGURE]
// Black pixels are transparent. The output depends on nothing but the figure
// table and the plotting rules, so the icon is made the same way every time.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/ifs/chaos.h"
#include "core/ifs/figures.h"
#include "core/render/frame_buffer.h"
#include "core/render/plot.h"

namespace {

constexpr int kSize = 32;

// The standard 16-colour palette, as blue, green, red, 0.
constexpr uint8_t kPalette[16][4] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},     {0, 128, 0, 0},     {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0},   {128, 128, 0, 0},   {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},     {0, 255, 0, 0},     {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0},   {255, 255, 0, 0},   {255, 255, 255, 0},
};
constexpr int kDarkGreen = 2;
constexpr int kGreen = 10;

// The figure plotted green with the edge shading; pixel levels 0..255.
std::vector<uint8_t> FigureLevels(int figure)
{
    std::vector<uint32_t> pixels(kSize * kSize, 0);
    FrameBuffer frame;
    frame.frameWidth = kSize;
    frame.frameHeight = kSize;
    frame.pixelCount = kSize * kSize;
    frame.pixels = pixels.data();
    const auto tables = std::make_unique<PassTables>();
    const int32_t steps = PassLength(100);
    const FigureBounds bounds = MeasureBounds(FigureTable[figure], steps, tables->maps);
    PlotFigure32(FigureTable[figure], steps, bounds, {250, 1, {0, 1, 0}}, frame, *tables);
    std::vector<uint8_t> levels(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) levels[i] = static_cast<uint8_t>(pixels[i] >> 8);
    return levels;
}

int PaletteIndex(uint8_t level) { return level == 0 ? 0 : level < 160 ? kDarkGreen : kGreen; }

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, unsigned v)
{
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

std::vector<uint8_t> IconFile(const std::vector<uint8_t>& levels)
{
    constexpr unsigned kColourBytes = kSize * kSize / 2;  // 4 bits a pixel, rows of 16 bytes
    constexpr unsigned kMaskBytes = kSize * 4;            // 1 bit a pixel, rows of 4 bytes
    constexpr unsigned kImageBytes = 40 + 16 * 4 + kColourBytes + kMaskBytes;
    std::vector<uint8_t> out;
    Put16(out, 0);  // icon directory: reserved, type 1 (icon), one image
    Put16(out, 1);
    Put16(out, 1);
    out.push_back(kSize);  // directory entry
    out.push_back(kSize);
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, kImageBytes);
    Put32(out, 6 + 16);
    Put32(out, 40);  // BITMAPINFOHEADER; the height counts colour and mask rows
    Put32(out, kSize);
    Put32(out, 2 * kSize);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);
    Put32(out, kColourBytes + kMaskBytes);
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (const auto& colour : kPalette) out.insert(out.end(), colour, colour + 4);
    for (int row = kSize - 1; row >= 0; --row)  // bottom row first
        for (int col = 0; col < kSize; col += 2)
            out.push_back(static_cast<uint8_t>(PaletteIndex(levels[row * kSize + col]) << 4 |
                                               PaletteIndex(levels[row * kSize + col + 1])));
    for (int row = kSize - 1; row >= 0; --row)
        for (int byte = 0; byte < 4; ++byte) {
            uint8_t mask = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (levels[row * kSize + byte * 8 + bit] == 0) mask |= static_cast<uint8_t>(0x80 >> bit);
            out.push_back(mask);
        }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.ico [FIGURE]\n", argv[0]);
        return 2;
    }
    const int figure = argc == 3 ? std::atoi(argv[2]) : 5;  // the spiral
    if (figure < 0 || figure >= kFigureCount) {
        std::fprintf(stderr, "figure must be 0..%d\n", kFigureCount - 1);
        return 2;
    }
    const std::vector<uint8_t> icon = IconFile(FigureLevels(figure));
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(icon.data(), 1, icon.size(), file) != icon.size() || std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
