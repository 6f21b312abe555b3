// Resolving a video-mode index and checking it against the adapter's list, with
// an adapter whose desktop depth and mode list the tests set.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "windows/rules/video_modes.h"

static int desktopBits = 32, modesAsked = 0;
static std::vector<DisplayMode> listed;

static void FakeDesktop(int& bits, int& width, int& height) { bits = desktopBits, width = 1024, height = 768; }

static bool FakeListed(int number, int& bits, int& width, int& height)
{
    EXPECT_EQ(number, modesAsked++) << "the list is read from mode 0 on";
    if (number >= static_cast<int>(listed.size())) return false;
    bits = listed[number].bitsPerPixel, width = listed[number].width, height = listed[number].height;
    return true;
}

static auto Fields(const DisplayMode& m) { return std::tuple(m.width, m.height, m.bitsPerPixel); }

TEST(VideoModeTest, IndexResolvesToAModeThatTheWholeListIsCheckedFor)
{
    // What Xvfb at 24 bits offers, with the 32-bit mode listed twice (as at two refresh rates).
    const std::vector<DisplayMode> xvfb = {{1024, 768, 32}, {1024, 768, 32}, {1024, 768, 16}, {1024, 768, 8}};
    struct Case {
        int16_t index; int bits; std::vector<DisplayMode> listed; DisplayMode mode; bool offered; DisplayMode before{};
    };
    // Index 5 needs the depth to match too; after an earlier call (the last row) -1 keeps that mode and checks it.
    const Case cases[] = {
        {0, 24, xvfb, {1024, 768, 32}, true}, {0, 8, xvfb, {1024, 768, 8}, true}, {0, 15, xvfb, {1024, 768, 15}, false},
        {8, 32, xvfb, {1024, 768, 16}, true}, {5, 32, {{320, 240, 8}}, {320, 240, 16}, false}, {9, 32, xvfb, {}, false},
        {-1, 32, xvfb, {}, false}, {4, 32, xvfb, {1024, 768, 32}, true}, {6, 32, xvfb, {640, 480, 16}, false},
        {4, 32, {}, {1024, 768, 32}, false}, {-1, 32, xvfb, {1024, 768, 32}, true, {1024, 768, 32}},
    };
    const DisplayAdapter adapter = {FakeDesktop, FakeListed};
    for (const Case& c : cases) {
        DisplayMode mode = c.before;
        desktopBits = c.bits, listed = c.listed, modesAsked = 0;
        const bool offered = SelectDisplayMode(adapter, c.index, mode);
        EXPECT_EQ(std::tuple(offered, Fields(mode), modesAsked),
                  std::tuple(c.offered, Fields(c.mode), static_cast<int>(c.listed.size()) + 1))
            << "case " << &c - cases;
    }
}
