// The saver run without a screen: frame geometry, the figure schedule, the
// no-repeat rule, and frames of the fast path against the plain passes.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/saver_run.h"
#include "core_fixture.h"

namespace {

using RunTest = CoreTest;
constexpr int64_t kStart = 1'700'000'000;
constexpr float kTransitionStep = 0.015f;
int allocations = 0;

bool SameFigure(const IfsFigure& a, const IfsFigure& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The figure a run starting at this clock second shows first.
int FirstFigureAt(int64_t clock)
{
    fixedClockValue = clock;
    StartFirstFigure();
    return FigureHistory[21];
}

struct Shown { float t, step; IfsFigure figure; std::vector<unsigned char> pixels; };

// A run from kStart that ends frame k with the clock at kStart + k / framesPerSecond.
std::vector<Shown> RunFrames(DisplayMode mode, int frames, int framesPerSecond)
{
    SetUpFrameGeometry(mode);
    FirstFigureAt(kStart);
    EXPECT_TRUE(AllocateFrameBuffer());
    std::vector<Shown> shown;
    const auto* pixels = static_cast<const unsigned char*>(framePixels);
    for (int k = 0; pixels && k < frames; ++k) {
        DrawFrame();
        shown.push_back({blendT, blendStep, blendedFigure, {pixels, pixels + frameBytes}});
        fixedClockValue = kStart + k / framesPerSecond;
        EndFrame();
    }
    ReleaseFrameBuffer();
    return shown;
}

TEST_F(RunTest, FrameGeometryAndBuffersThatCannotBeMade)
{
    // Stored Zoom 500 and -7 run as 100 and 10. Width, height, x, y, pixels, bytes.
    struct Row { DisplayMode mode; int16_t zoom; std::vector<int> expected; };
    const Row rows[] = {
        {{32767, 32767, 32}, 100, {32767, 32767, 0, 0, 1'073'676'289, -1}},  // too large to address
        {{1024, 768, 32}, 80, {819, 614, 102, 77, 502'866, 2'011'464}},
        {{1024, 768, 16}, 80, {819, 614, 102, 77, 502'866, 1'005'732}},
        {{1024, 768, 32}, 500, {1024, 768, 0, 0, 786'432, 3'145'728}},
        {{320, 240, 16}, 10, {32, 24, 144, 108, 768, 1'536}}, {{320, 240, 32}, -7, {32, 24, 144, 108, 768, 3'072}},
    };
    for (const Row& row : rows) {
        saverSettings.Zoom.value = row.zoom;
        SetUpFrameGeometry(row.mode);
        const std::vector<int> got = {frameWidth, frameHeight, frameOffsetX, frameOffsetY, pixelCount, frameBytes};
        EXPECT_EQ(got, row.expected) << row.zoom;
        EXPECT_EQ(saverSettings.Zoom.value, row.zoom) << "the stored value stays as stored";
        EXPECT_EQ(AllocateFrameBuffer(), frameBytes >= 0) << row.zoom;
    }
    SetFrameAllocator([](size_t) -> void* { return nullptr; });
    EXPECT_FALSE(AllocateFrameBuffer());  // pixels that cannot be allocated fail cleanly
    SetFrameAllocator(nullptr);
}

TEST_F(RunTest, FiguresDeformThenSwitchAfterLifeTimeAndBlendOverSixtySevenFrames)
{
    saverSettings.Quality.value = 10;  // LifeTimeOneFig stays at its default 300
    const std::vector<Shown> shown = RunFrames({160, 120, 16}, 910, 60);
    const int chosen = FigureHistory[1];  // at the first of the three switches
    const int first = FirstFigureAt(kStart);
    EXPECT_TRUE(SameFigure(shown[0].figure, FigureTable[first]) && !SameFigure(toFigure, FigureTable[first]));
    EXPECT_TRUE(SameFigure(shown[1].figure, toFigure) && SameFigure(shown[2].figure, toFigure));
    // Switches at the end of frames 301, 602 and 903: the next frame starts a blend at the step 0.015.
    for (int k = 0; k < 910; ++k)
        EXPECT_EQ(shown[k].t == 0.0f && shown[k].step == kTransitionStep, k == 302 || k == 603 || k == 904) << k;
    // The blend starts from the shape on screen and takes 67 frames; then the chosen
    // table figure itself is shown.
    EXPECT_TRUE(SameFigure(shown[302].figure, shown[301].figure));
    float t = 0.0f;
    for (int k = 302; k < 369; ++k, t = static_cast<float>(double{t} + kTransitionStep)) EXPECT_EQ(shown[k].t, t) << k;
    EXPECT_TRUE(shown[369].t == 0.0f && SameFigure(shown[369].figure, FigureTable[chosen]));
    // An age equal to LifeTimeOneFig does not switch yet: at 101 the figure is deformed
    // once more (the end of frame 101), and it switches at 103.
    saverSettings.LifeTimeOneFig.value = 101;
    EXPECT_EQ(RunFrames({16, 12, 16}, 103, 60)[102].step, 1.0f);
}

TEST_F(RunTest, NoRepeatRule)
{
    // A switch in the second the run started draws the first figure first. At the first
    // switch entries 0..20 all hold it: any count from 1 excludes it alone; 0 (or a
    // stored -3) lets it back, and a second switch in that second draws it again.
    for (int16_t count : {0, 1, 20, -3}) {
        saverSettings.CountNotReplay.value = count;
        const int first = FirstFigureAt(kStart);
        ChooseNextFigure();
        if (count <= 0) ChooseNextFigure();
        EXPECT_EQ(FigureHistory[21] == first, count <= 0) << count;
    }
    // Entries 0..19 hold figures 1..20 and entry 21 figure 0: after the shift the last
    // 20 exclude all but figure 20. A count above 20 is held there.
    for (int16_t count : {20, 21, 30000}) {
        saverSettings.CountNotReplay.value = count;
        FirstFigureAt(kStart);
        for (int i = 0; i < 22; ++i) FigureHistory[i] = static_cast<uint8_t>((i + 1) % 22);
        ChooseNextFigure();
        EXPECT_EQ(FigureHistory[21], 20) << count;
    }
}

// Without room for the kept points (the pixels are allocated first) every frame
// walks the plain MeasureBounds and PlotFigure32/16 passes and clears the whole
// frame. The fast path must show the same frames, across deformations and switches
// (LifeTimeOneFig 0 switches at the end of frames 1, 68 and 135); a pixel its clear
// missed would show in the next frame.
TEST_F(RunTest, FastFramesEqualThoseOfThePlainPasses)
{
    struct Row { DisplayMode mode; int16_t quality, lifeTime; uint8_t on3D, onColor; int framesPerSecond; };
    const Row rows[] = {{{200, 150, 32}, 40, 0, 1, 1, 7}, {{200, 150, 16}, 40, 0, 1, 1, 1},
                        {{64, 48, 32}, 0, 0, 1, 0, 5}, {{320, 240, 16}, 30, 3, 0, 1, 4}};
    for (const Row& row : rows) {
        saverSettings.Quality.value = row.quality;
        saverSettings.LifeTimeOneFig.value = row.lifeTime;
        saverSettings.on3D = row.on3D;
        saverSettings.onColor = row.onColor;
        allocations = 0;
        SetFrameAllocator([](size_t bytes) -> void* { return ++allocations == 1 ? std::malloc(bytes) : nullptr; });
        const std::vector<Shown> plain = RunFrames(row.mode, 150, row.framesPerSecond);
        SetFrameAllocator(nullptr);
        const std::vector<Shown> fast = RunFrames(row.mode, 150, row.framesPerSecond);
        for (size_t k = 0; k < plain.size(); ++k)
            ASSERT_TRUE(k < fast.size() && fast[k].pixels == plain[k].pixels) << row.mode.width << " frame " << k;
    }
}

}  // namespace
