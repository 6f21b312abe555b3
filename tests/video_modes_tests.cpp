// Resolving a video-mode index and checking it against the adapter's list, with
// an adapter whose desktop and mode list the tests set.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "display/video_modes.h"

static bool operator==(const DisplayMode& a, const DisplayMode& b)
{
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel;
}

namespace {

struct FakeAdapter {
    int bits = 32, width = 1024, height = 768;
    std::vector<DisplayMode> listed;
    std::vector<int> asked;  // mode numbers asked for, in order
};

FakeAdapter* adapter = nullptr;

void FakeDesktop(int& bits, int& width, int& height)
{
    bits = adapter->bits;
    width = adapter->width;
    height = adapter->height;
}

bool FakeListed(int number, int& bits, int& width, int& height)
{
    adapter->asked.push_back(number);
    if (number < 0 || number >= static_cast<int>(adapter->listed.size())) return false;
    bits = adapter->listed[number].bitsPerPixel;
    width = adapter->listed[number].width;
    height = adapter->listed[number].height;
    return true;
}

const DisplayAdapter fakeAdapter = {FakeDesktop, FakeListed};

class VideoModeTest : public ::testing::Test {
protected:
    FakeAdapter fake;
    void SetUp() override
    {
        adapter = &fake;
        SetDisplayAdapter(&fakeAdapter);
        currentDisplayMode = {0, 0, 0};
        // What Xvfb at 24 bits offers: one resolution at three depths.
        fake.listed = {{1024, 768, 32}, {1024, 768, 16}, {1024, 768, 8}};
    }
    void TearDown() override
    {
        SetDisplayAdapter(nullptr);
        currentDisplayMode = {0, 0, 0};
    }
};

}  // namespace

TEST_F(VideoModeTest, TheDesktopModeTakes24BitsAs32AndKeepsOtherDepths)
{
    fake.bits = 24;
    EXPECT_TRUE(SelectDisplayMode(0));
    EXPECT_EQ(currentDisplayMode, (DisplayMode{1024, 768, 32}));

    fake.bits = 8;
    EXPECT_TRUE(SelectDisplayMode(0));
    EXPECT_EQ(currentDisplayMode, (DisplayMode{1024, 768, 8}));

    fake.bits = 15;
    EXPECT_FALSE(SelectDisplayMode(0));
    EXPECT_EQ(currentDisplayMode, (DisplayMode{1024, 768, 15}));
}

TEST_F(VideoModeTest, TableModesAreResolvedEvenWhenNotOffered)
{
    EXPECT_TRUE(SelectDisplayMode(8));
    EXPECT_EQ(currentDisplayMode, (DisplayMode{1024, 768, 16}));

    EXPECT_FALSE(SelectDisplayMode(5));
    EXPECT_EQ(currentDisplayMode, (DisplayMode{320, 240, 16}));

    fake.listed = {{320, 240, 8}};
    EXPECT_FALSE(SelectDisplayMode(5)) << "the depth must match as well";
}

TEST_F(VideoModeTest, AnIndexOutsideTheTableLeavesTheModeAsItWas)
{
    for (int16_t index : {int16_t{9}, int16_t{-1}, int16_t{32767}}) {
        EXPECT_FALSE(SelectDisplayMode(index));
        EXPECT_EQ(currentDisplayMode, (DisplayMode{0, 0, 0}));
    }
    ASSERT_TRUE(SelectDisplayMode(4));
    EXPECT_TRUE(SelectDisplayMode(-1)) << "an earlier call's mode stays and is checked again";
    EXPECT_EQ(currentDisplayMode, (DisplayMode{1024, 768, 32}));
}

TEST_F(VideoModeTest, TheWholeListIsScannedFromModeZero)
{
    fake.listed = {{1024, 768, 32}, {1024, 768, 32}, {800, 600, 32}, {640, 480, 16}};
    EXPECT_TRUE(SelectDisplayMode(4));
    EXPECT_EQ(fake.asked, (std::vector<int>{0, 1, 2, 3, 4}));

    fake.asked.clear();
    EXPECT_TRUE(SelectDisplayMode(6)) << "a match at the end of the list counts";
    EXPECT_EQ(fake.asked.size(), 5u);

    fake.listed.clear();
    EXPECT_FALSE(SelectDisplayMode(4)) << "an empty list offers nothing";
}

TEST(VideoModeTableTest, LabelsMatchTheirModes)
{
    EXPECT_STREQ(VideoModeTable[1].label, "320 x 240 x 32");
    EXPECT_STREQ(VideoModeTable[8].label, "1024 x 768 x 16");
    for (int i = 1; i < kVideoModeCount; ++i) {
        const DisplayMode& m = VideoModeTable[i].mode;
        char text[32];
        std::snprintf(text, sizeof text, "%d x %d x %d", m.width, m.height, m.bitsPerPixel);
        EXPECT_STREQ(VideoModeTable[i].label, text);
    }
}

TEST(VideoModeTableTest, NoAdapterOffersNothing)
{
    SetDisplayAdapter(nullptr);
    currentDisplayMode = {0, 0, 0};
    EXPECT_FALSE(SelectDisplayMode(4));
    EXPECT_EQ(currentDisplayMode, (DisplayMode{1024, 768, 32}));
    currentDisplayMode = {0, 0, 0};
}
