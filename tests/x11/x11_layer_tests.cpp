// The X11 layer's own logic, without a server: frames grouped into points by
// colour (played onto a simulated screen) and the choice between points and the
// image.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "x11/points.h"

namespace {

using Screen = std::map<std::pair<int, int>, unsigned long>;  // lit pixels only

// Plays what the loop sends for one frame onto the screen: the points on it go
// black, then the new ones take their group's colour.
void Show(Screen& screen, ShownPoints& points, unsigned long black)
{
    for (const XPoint& point : points.shown.points) screen[{point.x, point.y}] = black;
    int32_t begin = 0;
    for (size_t group = 0; group < points.next.colours.size(); ++group) {
        for (int32_t i = begin; i < points.next.groupEnds[group]; ++i)
            screen[{points.next.points[i].x, points.next.points[i].y}] = points.next.colours[group];
        begin = points.next.groupEnds[group];
    }
    std::erase_if(screen, [&](const auto& pixel) { return pixel.second == black; });
    NextShown(points);
}

struct Case {
    const char* name;
    int bits;
    int width, height, offsetX, offsetY;
    unsigned long alpha;
    int colours;  // distinct words per frame
};

template <class Word>
void PlayFrames(const Case& c)
{
    SCOPED_TRACE(c.name);
    ShownPoints points;
    Screen screen;
    std::vector<Word> pixels(static_cast<size_t>(c.width) * c.height);
    for (int frame = 0; frame < 3; ++frame) {
        // A different set each frame: pixels that stay, change colour, go, come;
        // repeats, a black word, the first and the last pixel.
        std::vector<int32_t> lit;
        std::fill(pixels.begin(), pixels.end(), Word{0});
        const int32_t count = static_cast<int32_t>(pixels.size());
        for (int32_t k = 0; k < 4 * c.colours; ++k) {
            const int32_t index = static_cast<int32_t>((int64_t{k} * 7919 + frame * (k % 3) * 13) % count);
            const auto shade = static_cast<uint32_t>(k % c.colours + 1);
            const auto change = static_cast<uint32_t>(frame * (k % 2));  // half of them change colour
            const auto word = static_cast<Word>(c.bits == 32 ? (((shade * 2654435761u) & 0xFFFFFFu) | 1u) + change
                                                             : 0xF800u + shade + change * 0x20u);
            pixels[static_cast<size_t>(index)] = word;
            lit.push_back(index);
            if (k % 5 == 0) lit.push_back(index);  // lit again
        }
        pixels[static_cast<size_t>(count - 1)] = 1;  // the last pixel (the last column's row is the hardest)
        lit.push_back(count - 1);
        lit.push_back(0);
        pixels[1] = 0;  // noted but black
        lit.push_back(1);
        const DrawnFrame drawn = {pixels.data(), c.width, c.height, c.offsetX, c.offsetY, c.bits, lit, false};
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
        Show(screen, points, c.alpha);
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
    GroupFrame({pixels, 2, 2, 0, 0, 32, lit, false}, 0, points);
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
