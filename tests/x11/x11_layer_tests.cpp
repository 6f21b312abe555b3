// The X11 layer's own logic, without a server: frames grouped into points by
// colour and shown as points or through the image (the Xlib calls that draw are
// played onto a simulated screen), and the choice between the two.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "x11/image.h"
#include "x11/points.h"

namespace {

using Screen = std::map<std::pair<int, int>, unsigned long>;  // lit pixels only
Screen screen;
unsigned long foreground = 0;

}  // namespace

// The drawing calls, linked in place of Xlib's (--wrap): onto the simulated screen.
extern "C" int __wrap_XSetForeground(Display*, GC, unsigned long pixel)
{
    foreground = pixel;
    return 1;
}
extern "C" int __wrap_XDrawPoints(Display*, Drawable, GC, XPoint* points, int count, int)
{
    for (int i = 0; i < count; ++i) screen[{points[i].x, points[i].y}] = foreground;
    return 1;
}
extern "C" int __wrap_XPutImage(Display*, Drawable, GC, XImage* image, int fromX, int fromY, int x, int y,
                                unsigned width, unsigned height)
{
    const int bytes = image->bits_per_pixel / 8;
    for (int row = 0; row < static_cast<int>(height); ++row)
        for (int column = 0; column < static_cast<int>(width); ++column) {
            uint32_t word = 0;
            std::memcpy(&word, image->data + (fromY + row) * image->bytes_per_line + (fromX + column) * bytes, bytes);
            screen[{x + column, y + row}] = word;
        }
    return 0;
}

namespace {

struct Case {
    const char* name;
    int bits;
    int width, height, offsetX, offsetY;
    unsigned long alpha;
    int colours;  // distinct words per frame
};

// Frames lighting different bands of rows, shown as the loop shows them: through
// the image painted afresh, then holding the frame before (only the rows either
// frame lights are sent), as points, afresh again; each screen must be its frame.
template <class Word>
void PlayFrames(const Case& c)
{
    SCOPED_TRACE(c.name);
    ShownPoints points;
    screen.clear();
    std::vector<Word> pixels(static_cast<size_t>(c.width) * c.height);
    std::vector<Word> imageWords(pixels.size());
    XImage image = {};
    image.width = c.width;
    image.height = c.height;
    image.bits_per_pixel = c.bits;
    image.bytes_per_line = c.width * c.bits / 8;
    image.data = reinterpret_cast<char*>(imageWords.data());
    XFrameImage frameImage;
    frameImage.image = &image;
    bool imageHoldsShown = false;
    const int32_t count = static_cast<int32_t>(pixels.size());
    const struct { int32_t from, to; bool asPoints; } frames[] = {  // eighths of the area
        {0, 8, false}, {0, 4, false}, {3, 5, false}, {0, 8, true}, {4, 8, false}, {1, 7, true}};
    for (int frame = 0; frame < 6; ++frame) {
        // A different set each frame: pixels that stay, change colour, go, come;
        // repeats, a black word, the band's first and last pixel.
        const int32_t from = count * frames[frame].from / 8;
        const int32_t span = count * frames[frame].to / 8 - from;
        std::vector<int32_t> lit;
        std::fill(pixels.begin(), pixels.end(), Word{0});
        for (int32_t k = 0; k < 4 * c.colours; ++k) {
            const int32_t index = from + static_cast<int32_t>((int64_t{k} * 7919 + frame * (k % 3) * 13) % span);
            const auto shade = static_cast<uint32_t>(k % c.colours + 1);
            const auto change = static_cast<uint32_t>(frame * (k % 2));  // half of them change colour
            const auto word = static_cast<Word>(c.bits == 32 ? (((shade * 2654435761u) & 0xFFFFFFu) | 1u) + change
                                                             : 0xF800u + shade + change * 0x20u);
            pixels[static_cast<size_t>(index)] = word;
            lit.push_back(index);
            if (k % 5 == 0) lit.push_back(index);  // lit again
        }
        pixels[static_cast<size_t>(from + span - 1)] = 1;  // the last pixel (the last column's row is the hardest)
        lit.push_back(from + span - 1);
        lit.push_back(from);
        pixels[static_cast<size_t>(from + 1)] = 0;  // noted but black
        lit.push_back(from + 1);
        DrawnFrame drawn;
        drawn.pixels = pixels.data(), drawn.width = c.width, drawn.height = c.height, drawn.offsetX = c.offsetX;
        drawn.offsetY = c.offsetY, drawn.bitsPerPixel = c.bits, drawn.lit = lit;
        GroupFrame(drawn, c.alpha, points);

        const FramePoints& next = points.next;
        ASSERT_EQ(next.colours.size(), next.groupEnds.size());
        for (size_t g = 0; g < next.colours.size(); ++g)
            for (size_t h = g + 1; h < next.colours.size(); ++h) EXPECT_NE(next.colours[g], next.colours[h]);
        Screen expected;
        for (const int32_t index : lit)
            if (pixels[static_cast<size_t>(index)] != 0) {
                const int row = index / c.width;
                EXPECT_LE(next.firstRow, row);
                EXPECT_GE(next.lastRow, row);
                expected[{c.offsetX + index % c.width, c.offsetY + row}] = pixels[static_cast<size_t>(index)] | c.alpha;
            }
        if (frames[frame].asPoints)
            ShowAsPoints(nullptr, 0, nullptr, points, c.alpha);
        else
            ShowThroughImage(nullptr, 0, nullptr, frameImage, points, imageHoldsShown, c.offsetX, c.offsetY, c.alpha);
        imageHoldsShown = !frames[frame].asPoints;
        NextShown(points);
        std::erase_if(screen, [&](const auto& pixel) { return pixel.second == c.alpha; });
        ASSERT_EQ(screen, expected) << "frame " << frame;
    }
}

TEST(X11Points, ShowEachFrameExactly)
{
    const Case cases[] = {
        {"32 bits", 32, 37, 11, 5, 3, 0, 12},
        {"32 bits with alpha", 32, 16, 16, 0, 0, 0xFF000000ul, 12},
        {"16 bits, red and blue apart", 16, 23, 9, 100, 7, 0, 12},
        {"more colours than the first table holds", 32, 64, 64, 0, 0, 0, 700},
        {"rows as long as a window may be", 32, 32767, 5, 0, 2, 0, 40},
        {"one column", 16, 1, 500, 9, 1, 0, 20},
    };
    for (const Case& c : cases) c.bits == 32 ? PlayFrames<uint32_t>(c) : PlayFrames<uint16_t>(c);
}

TEST(X11Points, NothingLitLeavesAnEmptyBand)
{
    ShownPoints points;
    const uint32_t pixels[4] = {};
    const int32_t lit[] = {1, 2};
    DrawnFrame drawn;
    drawn.pixels = pixels, drawn.width = 2, drawn.height = 2, drawn.lit = lit;
    GroupFrame(drawn, 0, points);
    EXPECT_TRUE(points.next.points.empty());
    EXPECT_LT(points.next.lastRow, points.next.firstRow);
}

TEST(X11Points, PointsWhileTheyCostLessThanTheImage)
{
    const struct {
        int64_t changed;
        int32_t width, height;
        bool asPoints;
    } cases[] = {
        {0, 100, 100, true},
        {499, 100, 100, true},  // 499 * 20 < 10000
        {500, 100, 100, false},
        {0, 0, 0, false},  // an empty area shows nothing either way
        {int64_t{1} << 40, 32767, 32767, false},
        {1'000'000, 32767, 32767, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SendAsPoints(c.changed, c.width, c.height), c.asPoints) << c.changed << " in " << c.width << "x" << c.height;
}

}  // namespace
