// The saver run without a screen: settings held for the run, frame geometry, the
// figure schedule, the no-repeat rule, and every frame against the plain passes.
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/run/frames.h"
#include "core/run/frames_state.h"
#include "test_support.h"

namespace {

constexpr float kTransitionStep = 0.015f;

struct Shown {
    float t, step;
    IfsFigure figure;
    ChannelTint tint;
    std::vector<unsigned char> pixels;
};

// What a run does besides drawing: nothing; no room for kept points (only the
// pixels can be had: two plain passes a frame); where the last frame's picture is
// carried over, an infinite weight in both figures (the blend makes it NaN) or
// every zero of both turned negative, so the figure foreseen is not the one drawn;
// each third frame drawn twice without an end between; a new size at frame 5.
enum class Twist { None, NoRoomForPoints, InfiniteWeight, NegativeZeros, DrawTwice, Resize };

bool SameTint(const ChannelTint& a, const ChannelTint& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The plain passes' picture of the figure the run blends now, on black.
std::vector<unsigned char> PlainPicture(const SaverRun& run, PassTables& tables)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(run.frame.frameBytes));
    FrameBuffer frame = FrameOver(pixels.data(), run.frame.frameWidth, run.frame.frameHeight, run.frame.bitsPerPixel);
    const int32_t steps = PassLength(run.settings.Quality);
    const FigureBounds bounds = MeasureBounds(run.blendedFigure, steps, tables.maps);
    const PlotStyle style = {run.settings.Brightness, run.settings.on3D, run.channelTint};
    PlotFigure(run.blendedFigure, steps, bounds, style, frame, tables);
    return pixels;
}

// A run from kStart driven as a front end drives it (frame k ends with the clock
// at kStart + k / framesPerSecond). Every frame must be the plain passes' picture
// of the figure it blends; a frame reported unchanged must hold the frame
// before's pixels in the same tint; the lit span must name every lit word.
std::vector<Shown> RunFrames(SaverFrames& frames, const SaverSettings& settings, DisplayMode mode, int count,
                             int framesPerSecond, Twist twist = Twist::None)
{
    SetUpFrames(frames, settings, {true, kStart, framesPerSecond, 0});
    SaverRun& run = frames.state->run;
    static int allocations;
    allocations = 0;
    if (twist == Twist::NoRoomForPoints)
        run.allocate = [](size_t bytes) -> void* { return ++allocations == 1 ? std::malloc(bytes) : nullptr; };
    EXPECT_TRUE(LayOutFrames(frames, mode));
    auto tables = std::make_unique<PassTables>();
    std::vector<Shown> shown;
    bool twisted = false;
    for (int k = 0; frames.state->allocated && k < count; ++k) {
        if (twist == Twist::DrawTwice && k % 3 == 0) DrawNextFrame(frames);
        EXPECT_TRUE(twist != Twist::Resize || k != 5 || LayOutFrames(frames, {333, 211, 16}));
        const bool figureTwist = twist == Twist::InfiniteWeight || twist == Twist::NegativeZeros;
        if (figureTwist && !twisted && run.carry == Carry::Picture) {
            twisted = true;
            for (IfsFigure* figure : {&run.fromFigure, &run.toFigure}) {
                if (twist == Twist::InfiniteWeight) figure->maps[0].p = std::numeric_limits<float>::infinity();
                for (int i = 0; twist == Twist::NegativeZeros && i < kFigureValues; ++i)
                    if (FigureValues(*figure)[i] == 0.0f) FigureValues(*figure)[i] = -0.0f;
            }
        }
        const DrawnFrame drawn = DrawNextFrame(frames);
        const auto* bytes = static_cast<const unsigned char*>(drawn.pixels);
        shown.push_back({run.blendT, run.blendStep, run.blendedFigure, run.channelTint,
                         {bytes, bytes + run.frame.frameBytes}});
        const std::vector<unsigned char>& pixels = shown.back().pixels;
        EXPECT_TRUE(pixels == PlainPicture(run, *tables)) << "frame " << k;
        EXPECT_TRUE(!drawn.unchanged ||
                    (k > 0 && pixels == shown[k - 1].pixels && SameTint(run.channelTint, shown[k - 1].tint)))
            << "frame " << k << " is reported unchanged";
        std::vector<bool> named(static_cast<size_t>(run.frame.pixelCount));
        for (const int32_t index : drawn.lit) named.at(static_cast<size_t>(index)) = true;
        std::vector<int32_t> lit;
        FindLitWords(drawn.pixels, run.frame.pixelCount, run.frame.bitsPerPixel, lit);
        EXPECT_TRUE(std::all_of(lit.begin(), lit.end(), [&](int32_t i) { return named[static_cast<size_t>(i)]; })) << k;
        FinishFrame(frames);
    }
    EXPECT_EQ(twisted, twist == Twist::InfiniteWeight || twist == Twist::NegativeZeros) << "no picture carried over";
    ReleaseFrames(frames);
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
    SaverFrames frames;
    const std::vector<Shown> shown = RunFrames(frames, With(10, 300), {160, 120, 16}, 910, 60);
    const int chosen = frames.state->run.FigureHistory[1];  // at the first of the three switches
    const int first = frames.state->run.FigureHistory[2];
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
    SaverFrames later;
    EXPECT_EQ(RunFrames(later, With(10, 101), {16, 12, 16}, 103, 60)[102].step, 1.0f);
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

// Fast frames (the chaos game walked once, the next frame's figure measured while
// this one is plotted, a picture kept while figure and tint stay) against the
// plain passes across deformations, switches and tint changes, and when the
// look-ahead's guess fails; a pixel a clear missed would show in the next frame.
// A resize in the middle of the run carries the same run on with new buffers.
TEST(RunTest, EveryFrameIsThePlainPassesPictureOfItsFigure)
{
    using enum Twist;
    const struct { DisplayMode mode; int16_t quality, lifeTime; uint8_t on3D, onColor; int fps; Twist how; } rows[] = {
        {{200, 150, 32}, 40, 0, 1, 1, 7, None},           {{200, 150, 16}, 40, 0, 1, 1, 1, None},
        {{64, 48, 32}, 0, 0, 1, 0, 5, None},              {{205, 151, 16}, 30, 3, 0, 1, 4, None},  // odd width, 16 bits
        {{200, 150, 16}, 40, 0, 1, 1, 7, NoRoomForPoints}, {{160, 120, 32}, 20, 0, 1, 0, 3, InfiniteWeight},
        {{160, 120, 16}, 20, 0, 1, 0, 3, NegativeZeros},   {{160, 120, 32}, 20, 2, 1, 1, 5, DrawTwice},
        {{320, 240, 32}, 40, 2, 1, 1, 5, Resize},
    };
    for (const auto& row : rows) {
        const char* const twists[] = {"", "no room for points", "infinite weight", "negative zeros", "drawn twice",
                                      "resize"};
        SCOPED_TRACE(testing::Message() << row.mode.width << "x" << row.mode.height << "x" << row.mode.bitsPerPixel
                                        << " " << twists[static_cast<int>(row.how)]);
        SaverFrames frames;
        const SaverSettings settings = With(row.quality, row.lifeTime, row.on3D, row.onColor);
        const std::vector<Shown> shown = RunFrames(frames, settings, row.mode, 150, row.fps, row.how);
        if (row.how != Resize) continue;
        SaverFrames unresized;
        const std::vector<Shown> plain = RunFrames(unresized, settings, row.mode, 150, row.fps);
        for (size_t k = 0; k < shown.size(); ++k) ASSERT_TRUE(SameFigure(shown[k].figure, plain[k].figure)) << k;
    }
}

// A record moved after SetUpFrames (into a new one, or over one with a clock of its
// own) runs on the clock FinishFrame advances; the record it came from is gone,
// so a run still reading that one's clock reads freed memory (ASan says so).
TEST(RunTest, AMovedRecordKeepsItsRunsClock)
{
    for (const bool overAnother : {false, true}) {
        SCOPED_TRACE(overAnother ? "moved over a set-up record" : "moved into a new record");
        auto source = std::make_unique<SaverFrames>();
        SetUpFrames(*source, kDefaultSettings, {true, kStart, 2, 0});
        SaverFrames moved;
        if (overAnother) SetUpFrames(moved, kDefaultSettings, {true, 5, 1, 0});
        moved = std::move(*source);
        source.reset();
        ASSERT_TRUE(LayOutFrames(moved, {64, 48, 32}));
        for (int64_t k = 0; k < 5; ++k) {
            EXPECT_EQ(moved.state->run.clock(), kStart + k / 2) << "frame " << k;
            DrawNextFrame(moved);
            FinishFrame(moved);
        }
        ReleaseFrames(moved);
    }
}
