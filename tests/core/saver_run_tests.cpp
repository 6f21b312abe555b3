// The saver run without a screen: settings held for the run, frame geometry, the
// figure schedule, the no-repeat rule, and fast frames against the plain passes.
#include <cstdlib>
#include <vector>

#include "test_support.h"

namespace {

constexpr float kTransitionStep = 0.015f;

struct Shown {
    float t, step;
    IfsFigure figure;
    std::vector<unsigned char> pixels;
};

// A run from kStart whose clock reads kStart + k / framesPerSecond while frame k ends.
std::vector<Shown> RunFrames(SaverRun& run, DisplayMode mode, int frames, int framesPerSecond, int64_t& now)
{
    now = kStart;
    SetUpFrameGeometry(run, mode);
    StartFirstFigure(run);
    EXPECT_TRUE(AllocateFrameBuffer(run));
    std::vector<Shown> shown;
    for (int k = 0; run.frame.pixels && k < frames; ++k) {
        DrawFrame(run);
        const auto* pixels = static_cast<const unsigned char*>(run.frame.pixels);
        shown.push_back({run.blendT, run.blendStep, run.blendedFigure, {pixels, pixels + run.frame.frameBytes}});
        now = kStart + k / framesPerSecond;
        EndFrame(run);
    }
    ReleaseFrameBuffer(run);
    return shown;
}

SaverSettings With(int16_t quality, int16_t lifeTime, uint8_t on3D = 1, uint8_t onColor = 0)
{
    SaverSettings settings = kDefaultSettings;
    settings.Quality.value = quality;
    settings.LifeTimeOneFig.value = lifeTime;
    settings.on3D = on3D;
    settings.onColor = onColor;
    return settings;
}

}  // namespace

TEST(RunTest, StoredValuesAreHeldToWhatARunCanUse)
{
    const struct { const char* name; int16_t zoom, noRepeat, intensity; int16_t held[3]; } rows[] = {
        {"defaults", 80, 5, 5, {80, 5, 5}},         {"lowest", 10, 0, 1, {10, 0, 1}},
        {"highest", 100, 20, 10, {100, 20, 10}},    {"below", 9, -3, 0, {10, 0, 1}},
        {"above", 500, 21, 14, {100, 20, 10}},      {"extremes", -32768, 32767, -32768, {10, 20, 1}},
    };
    for (const auto& row : rows) {
        SaverSettings stored = With(-5, 32767, 2, 7);
        stored.Zoom.value = row.zoom;
        stored.CountNotReplay.value = row.noRepeat;
        stored.IntensityDeformation.value = row.intensity;
        const RunSettings held = HoldForRun(stored);
        EXPECT_EQ((std::vector<int>{held.Zoom, held.CountNotReplay, held.IntensityDeformation}),
                  (std::vector<int>{row.held[0], row.held[1], row.held[2]})) << row.name;
        EXPECT_EQ((std::vector<int>{held.Quality, held.LifeTimeOneFig, held.Brightness, held.on3D, held.onColor}),
                  (std::vector<int>{-5, 32767, 250, 2, 7})) << row.name << ": the others as stored";
    }
}

TEST(RunTest, FrameGeometryAndBuffersThatCannotBeMade)
{
    const struct { DisplayMode mode; int16_t zoom; std::vector<int> expected; } rows[] = {
        // width, height, x, y, pixels, bytes
        {{32767, 32767, 32}, 100, {32767, 32767, 0, 0, 1'073'676'289, -1}},  // too large to address
        {{1024, 768, 32}, 80, {819, 614, 102, 77, 502'866, 2'011'464}},
        {{1024, 768, 16}, 80, {819, 614, 102, 77, 502'866, 1'005'732}},
        {{1024, 768, 32}, 500, {1024, 768, 0, 0, 786'432, 3'145'728}},
        {{320, 240, 16}, 10, {32, 24, 144, 108, 768, 1'536}},
    };
    int64_t now = kStart;
    for (const auto& row : rows) {
        SaverSettings stored = kDefaultSettings;
        stored.Zoom.value = row.zoom;
        auto run = MakeRun(stored, &now);
        SetUpFrameGeometry(*run, row.mode);
        const FrameBuffer& f = run->frame;
        EXPECT_EQ((std::vector<int>{f.frameWidth, f.frameHeight, f.frameOffsetX, f.frameOffsetY, f.pixelCount, f.frameBytes}),
                  row.expected) << row.mode.width << " at " << row.zoom;
        EXPECT_EQ(AllocateFrameBuffer(*run), f.frameBytes >= 0);
        run->allocate = [](size_t) -> void* { return nullptr; };
        EXPECT_FALSE(AllocateFrameBuffer(*run));
        EXPECT_EQ(run->frame.pixels, nullptr);
    }
}

TEST(RunTest, FiguresDeformThenSwitchAfterLifeTimeAndBlendOverSixtySevenFrames)
{
    int64_t now;
    auto run = MakeRun(With(10, 300), &now);
    const std::vector<Shown> shown = RunFrames(*run, {160, 120, 16}, 910, 60, now);
    const int chosen = run->FigureHistory[1];  // at the first of the three switches
    const int first = run->FigureHistory[2];
    EXPECT_TRUE(SameFigure(shown[0].figure, FigureTable[first]) && !SameFigure(shown[1].figure, FigureTable[first]));
    EXPECT_TRUE(SameFigure(shown[1].figure, shown[2].figure));
    // Switches at the end of frames 301, 602 and 903 (from 0): the next frame starts a blend at 0.015.
    for (int k = 0; k < 910; ++k)
        EXPECT_EQ(shown[k].t == 0.0f && shown[k].step == kTransitionStep, k == 302 || k == 603 || k == 904) << k;
    // The blend starts from the shape on screen and takes 67 frames; then the chosen
    // table figure itself is shown.
    EXPECT_TRUE(SameFigure(shown[302].figure, shown[301].figure));
    float t = 0.0f;
    for (int k = 302; k < 369; ++k, t = static_cast<float>(double{t} + kTransitionStep)) EXPECT_EQ(shown[k].t, t) << k;
    EXPECT_TRUE(shown[369].t == 0.0f && SameFigure(shown[369].figure, FigureTable[chosen]));
    // An age equal to LifeTimeOneFig does not switch yet: at 101 the figure is
    // deformed once more, and it switches at 103.
    auto later = MakeRun(With(10, 101), &now);
    EXPECT_EQ(RunFrames(*later, {16, 12, 16}, 103, 60, now)[102].step, 1.0f);
}

// The draw avoids exactly the last CountNotReplay figures: with history entries
// 0..19 holding 20 different figures after the shift, a count of n excludes the
// figures in entries 0..n-1 and no other.
TEST(RunTest, NoRepeatWindowIsExactlyCountNotReplayWide)
{
    for (int16_t count : {0, 1, 5, 19, 20}) {
        std::vector<bool> drawn(kFigureCount, false);
        int64_t now = kStart;
        SaverSettings stored = kDefaultSettings;
        stored.CountNotReplay.value = count;
        auto run = MakeRun(stored, &now);
        for (now = kStart; now < kStart + 3000; ++now) {
            for (int i = 0; i < 22; ++i) run->FigureHistory[i] = static_cast<uint8_t>(i < 20 ? i + 1 : 0);
            ChooseNextFigure(*run);  // the shift leaves figure e in entry e
            drawn[run->FigureHistory[21]] = true;
        }
        for (int figure = 0; figure < kFigureCount; ++figure)
            ASSERT_EQ(drawn[figure], figure >= count) << "count " << count << " figure " << figure;
    }
}

// Without room for the kept points (only the pixels can be had) every frame walks
// the plain passes and clears the whole frame. The fast path must show the same
// frames across deformations and switches; a pixel its clear missed would show in
// the next frame. A resize in the middle of the run carries on with new buffers.
TEST(RunTest, FastFramesEqualThoseOfThePlainPasses)
{
    const struct { DisplayMode mode; int16_t quality, lifeTime; uint8_t on3D, onColor; int fps; } rows[] = {
        {{200, 150, 32}, 40, 0, 1, 1, 7}, {{200, 150, 16}, 40, 0, 1, 1, 1}, {{64, 48, 32}, 0, 0, 1, 0, 5},
        {{205, 151, 16}, 30, 3, 0, 1, 4},  // rows of an odd width at 16 bits
    };
    static int allocations;
    for (const auto& row : rows) {
        int64_t now;
        auto plain = MakeRun(With(row.quality, row.lifeTime, row.on3D, row.onColor), &now);
        allocations = 0;
        plain->allocate = [](size_t bytes) -> void* { return ++allocations == 1 ? std::malloc(bytes) : nullptr; };
        const std::vector<Shown> a = RunFrames(*plain, row.mode, 150, row.fps, now);
        auto fast = MakeRun(With(row.quality, row.lifeTime, row.on3D, row.onColor), &now);
        const std::vector<Shown> b = RunFrames(*fast, row.mode, 150, row.fps, now);
        ASSERT_EQ(a.size(), b.size());
        for (size_t k = 0; k < a.size(); ++k) ASSERT_TRUE(a[k].pixels == b[k].pixels) << row.mode.width << " frame " << k;
    }
}

TEST(RunTest, ResizeCarriesTheRunOnWithNewBuffers)
{
    int64_t now = kStart;
    auto run = MakeRun(kDefaultSettings, &now);
    SetUpFrameGeometry(*run, {640, 480, 32});
    StartFirstFigure(*run);
    ASSERT_TRUE(AllocateFrameBuffer(*run));
    for (int k = 0; k < 5; ++k) DrawFrame(*run), EndFrame(*run);
    const IfsFigure to = run->toFigure;
    SetUpFrameGeometry(*run, {333, 211, 16});
    ASSERT_TRUE(AllocateFrameBuffer(*run));
    EXPECT_TRUE(SameFigure(run->toFigure, to));
    DrawFrame(*run);
    // The same figure drawn afresh into a frame of that size.
    auto tables = std::make_unique<PassTables>();
    std::vector<uint16_t> expected(run->frame.pixelCount, 0);
    FrameBuffer frame = FrameOver(expected.data(), 266, 168, 16);
    const FigureBounds bounds = MeasureBounds(run->blendedFigure, 8000, tables->maps);
    PlotFigure16(run->blendedFigure, 8000, bounds, {250, 1, kGreyTint}, frame, *tables);
    EXPECT_EQ(run->frame.frameWidth, 266);
    EXPECT_EQ(std::memcmp(run->frame.pixels, expected.data(), expected.size() * 2), 0);
    ReleaseFrameBuffer(*run);
}
