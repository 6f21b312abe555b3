// The saver run without a screen: frame geometry, the figure schedule, the
// no-repeat rule, and frames that agree with plain bounds and plotting passes.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/saver_run.h"
#include "core_fixture.h"
#include "ifs/blend.h"
#include "render/plot.h"

namespace {

constexpr int64_t kStart = 1'700'000'000;
constexpr float kTransitionStep = 0.015f;

bool SameFigure(const IfsFigure& a, const IfsFigure& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

int FirstDraw(int64_t clock)
{
    SeedRandom(static_cast<uint32_t>(clock));
    return NextRandom() % kFigureCount;
}

// A clock second whose first draw is the given figure.
int64_t ClockDrawing(int figure)
{
    int64_t clock = kStart;
    while (FirstDraw(clock) != figure) ++clock;
    return clock;
}

class RunTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        toFigure = fromFigure = blendedFigure = IfsFigure{};
        blendT = 0.0f;
        blendStep = 1.0f;
        figureAge = 0;
        std::memset(FigureHistory, 0, sizeof FigureHistory);
        frameOffsetX = frameOffsetY = frameBytes = 0;
        SetClockTo(kStart);
    }
    void TearDown() override
    {
        ReleaseFrameBuffer();
        SetFrameAllocator(nullptr);
        CoreTest::TearDown();
    }

    void StartRun(DisplayMode mode)
    {
        SetUpFrameGeometry(mode);
        StartFirstFigure();
        ASSERT_TRUE(AllocateFrameBuffer());
    }

    // Frame k is drawn, handed to afterDraw(k), and ended with the clock at
    // kStart + k / framesPerSecond, as a run at that rate sees it.
    template <class AfterDraw>
    void RunFrames(int count, int framesPerSecond, AfterDraw&& afterDraw)
    {
        for (int k = 0; k < count; ++k) {
            DrawFrame();
            afterDraw(k);
            SetClockTo(kStart + k / framesPerSecond);
            EndFrame();
        }
    }
};

// ---- Frame geometry -------------------------------------------------------------

TEST_F(RunTest, FrameAreaIsZoomPercentOfTheScreenCentred)
{
    struct Row {
        DisplayMode mode;
        int zoom;
        int width, height, x, y, pixels, bytes;
    };
    const Row rows[] = {
        {{1024, 768, 32}, 80, 819, 614, 102, 77, 502'866, 2'011'464},
        {{1024, 768, 16}, 80, 819, 614, 102, 77, 502'866, 1'005'732},
        {{1024, 768, 32}, 100, 1024, 768, 0, 0, 786'432, 3'145'728},
        {{320, 240, 32}, 10, 32, 24, 144, 108, 768, 3'072},
        {{800, 600, 16}, 500, 800, 600, 0, 0, 480'000, 960'000},  // stored 500 runs as 100
        {{320, 240, 16}, 0, 32, 24, 144, 108, 768, 1'536},        // stored 0 runs as 10
        {{320, 240, 16}, -7, 32, 24, 144, 108, 768, 1'536},
    };
    for (const Row& row : rows) {
        saverSettings.Zoom.value = static_cast<int16_t>(row.zoom);
        SetUpFrameGeometry(row.mode);
        EXPECT_EQ(frameWidth, row.width) << row.zoom;
        EXPECT_EQ(frameHeight, row.height) << row.zoom;
        EXPECT_EQ(frameOffsetX, row.x) << row.zoom;
        EXPECT_EQ(frameOffsetY, row.y) << row.zoom;
        EXPECT_EQ(pixelCount, row.pixels) << row.zoom;
        EXPECT_EQ(frameBytes, row.bytes) << row.zoom;
        EXPECT_EQ(saverSettings.Zoom.value, row.zoom) << "the stored value stays as stored";
    }
}

TEST_F(RunTest, BuffersThatCannotBeMadeFailCleanly)
{
    // A frame too large to address is refused before anything is allocated.
    saverSettings.Zoom.value = 100;
    SetUpFrameGeometry({32767, 32767, 32});
    EXPECT_EQ(frameBytes, -1);
    EXPECT_FALSE(AllocateFrameBuffer());
    EXPECT_EQ(framePixels, nullptr);

    SetFrameAllocator([](size_t) -> void* { return nullptr; });
    SetUpFrameGeometry({640, 480, 16});
    EXPECT_FALSE(AllocateFrameBuffer());
    EXPECT_EQ(framePixels, nullptr);
    ReleaseFrameBuffer();  // harmless after a failure
}

// ---- Figure schedule ------------------------------------------------------------

TEST_F(RunTest, FirstFrameShowsTheTableFigureThenItsDeformedCopyTwice)
{
    saverSettings.Quality.value = 10;
    const int first = FirstDraw(kStart);
    StartRun({160, 120, 32});
    for (uint8_t entry : FigureHistory) EXPECT_EQ(entry, first);
    const IfsFigure deformed = toFigure;
    EXPECT_FALSE(SameFigure(deformed, FigureTable[first]));

    RunFrames(3, 60, [&](int k) {
        EXPECT_TRUE(SameFigure(blendedFigure, k == 0 ? FigureTable[first] : deformed)) << "frame " << k;
    });
}

TEST_F(RunTest, FiguresSwitchAfterLifeTimeAndBlendOverInSixtySevenFrames)
{
    saverSettings.Quality.value = 10;
    saverSettings.CountNotReplay.value = 20;
    StartRun({160, 120, 16});

    std::vector<int> switches;
    std::vector<float> shownT;
    std::vector<IfsFigure> shown;
    RunFrames(910, 60, [&](int) {
        shownT.push_back(blendT);
        shown.push_back(blendedFigure);
    });
    // Reconstruct the switches from what was shown: a transition starts at blendT 0
    // and is followed by blendT 0.015.
    for (size_t k = 1; k + 1 < shownT.size(); ++k)
        if (shownT[k] == 0.0f && shownT[k + 1] == kTransitionStep) switches.push_back(static_cast<int>(k) - 1);
    // At the end of the 302nd, 603rd and 904th frames (indices 301, 602, 903).
    EXPECT_EQ(switches, (std::vector<int>{301, 602, 903}));

    // The transition after the first switch: blendT 0, 0.015, ... in single precision
    // for 67 frames, starting from the shape on screen.
    EXPECT_TRUE(SameFigure(shown[302], shown[301]));
    float t = 0.0f;
    for (int k = 302; k < 302 + 67; ++k) {
        EXPECT_EQ(shownT[k], t) << "frame " << k;
        t = static_cast<float>(static_cast<double>(t) + static_cast<double>(kTransitionStep));
    }
    EXPECT_FLOAT_EQ(shownT[368], 0.9899993f);
    EXPECT_EQ(shownT[369], 0.0f);
    // Then the table figure itself, once as blend start and after that deformed.
    bool tableFigureShown = false;
    for (const IfsFigure& figure : FigureTable) tableFigureShown |= SameFigure(shown[369], figure);
    EXPECT_TRUE(tableFigureShown);
    EXPECT_EQ(shownT[370], 1.0f);
}

TEST_F(RunTest, StoredLifeTimeZeroSwitchesAtEveryCompletedBlend)
{
    saverSettings.Quality.value = 10;
    saverSettings.LifeTimeOneFig.value = 0;  // taken as stored
    StartRun({160, 120, 32});
    std::vector<int> switches;
    for (int k = 0; k < 210; ++k) {
        DrawFrame();
        EndFrame();
        if (blendT == 0.0f && blendStep == kTransitionStep) switches.push_back(k);
    }
    // The first figure is tested at the end of frame 1; each transition then lasts
    // 67 frames and ends in the next switch.
    EXPECT_EQ(switches, (std::vector<int>{1, 68, 135, 202}));
}

// ---- The no-repeat rule ---------------------------------------------------------

TEST_F(RunTest, NoRepeatExcludesTheRecentFiguresOnly)
{
    const int first = FirstDraw(kStart);
    const int64_t repeatClock = ClockDrawing(first);  // its first draw is the outgoing figure
    int firstOther = -1;
    SeedRandom(static_cast<uint32_t>(repeatClock));
    while (firstOther < 0 || firstOther == first) firstOther = NextRandom() % kFigureCount;

    struct Row {
        int count, expected;
    };
    // At the first switch every entry holds the first figure, so 1 and 20 alike
    // exclude it alone; 0 switches the rule off and the figure may come back.
    const Row rows[] = {{0, first}, {1, firstOther}, {20, firstOther}, {-3, first}};
    for (const Row& row : rows) {
        saverSettings.CountNotReplay.value = static_cast<int16_t>(row.count);
        SetClockTo(kStart);
        StartFirstFigure();
        const IfsFigure onScreen = toFigure;
        SetClockTo(repeatClock);
        ChooseNextFigure();
        EXPECT_EQ(FigureHistory[21], row.expected) << row.count;
        EXPECT_EQ(FigureHistory[0], first) << row.count;
        EXPECT_TRUE(SameFigure(toFigure, FigureTable[row.expected])) << row.count;
        EXPECT_TRUE(SameFigure(fromFigure, onScreen)) << row.count;
        EXPECT_EQ(figureAge, 0);
        EXPECT_EQ(blendStep, kTransitionStep);
    }
}

TEST_F(RunTest, TwentyRecentFiguresLeaveExactlyOneAndLargerCountsAreHeld)
{
    // Before the switch: entry 21 is figure 0, entries 0..20 figures 1..21 mod 21.
    // The shift drops entry 20 (figure 0 again) and makes entries 0..20 figures
    // 0..20; only entries 0..19 are consulted, so figure 20 is chosen from any seed.
    for (int16_t stored : {int16_t{20}, int16_t{21}, int16_t{25}, int16_t{30000}}) {
        saverSettings.CountNotReplay.value = stored;
        StartFirstFigure();
        EXPECT_EQ(runCountNotReplay, 20);
        for (int64_t clock = kStart; clock < kStart + 5; ++clock) {
            FigureHistory[21] = 0;
            for (int i = 0; i <= 20; ++i) FigureHistory[i] = static_cast<uint8_t>((i + 1) % kFigureCount);
            SetClockTo(clock);
            ChooseNextFigure();
            EXPECT_EQ(FigureHistory[21], 20) << stored;
            EXPECT_EQ(FigureHistory[0], 0);
            EXPECT_EQ(FigureHistory[19], 19);
        }
    }
}

TEST_F(RunTest, SwitchesWithinOneSecondDrawFromTheSameSeed)
{
    saverSettings.CountNotReplay.value = 0;
    StartFirstFigure();
    const int64_t second = kStart + 40;
    SetClockTo(second);
    ChooseNextFigure();
    const int picked = FigureHistory[21];
    const uint32_t stateAfter = randomSource.state;
    ChooseNextFigure();
    EXPECT_EQ(FigureHistory[21], picked);
    EXPECT_EQ(FigureHistory[0], picked);
    EXPECT_EQ(randomSource.state, stateAfter);
    EXPECT_EQ(picked, FirstDraw(second));
}

// ---- Frames ---------------------------------------------------------------------

struct FrameCase {
    DisplayMode mode;
    int quality;
    uint8_t on3D, onColor;
    int lifeTime;
    int framesPerSecond;
};

class RunFramesTest : public RunTest, public ::testing::WithParamInterface<FrameCase> {};

std::string FrameCaseName(const ::testing::TestParamInfo<FrameCase>& info)
{
    const FrameCase& c = info.param;
    return std::to_string(c.mode.width) + "x" + std::to_string(c.mode.height) + "x" +
           std::to_string(c.mode.bitsPerPixel) + "_Q" + std::to_string(c.quality) + "_L" + std::to_string(c.on3D) +
           "_C" + std::to_string(c.onColor);
}

// A frame drawn straight from the definitions: the chain with the generator, the
// weight sums and the float maps, the strict extremes, and the placement with both
// divisions. Shares no code with the run's kept points, fast placement or clear.
struct Reference {
    FigureBounds bounds;
    std::vector<uint32_t> pixels;  // 16-bit words widened
    uint32_t state;
};

Reference DrawReference(const IfsFigure& figure, bool wide)
{
    float x = 1.0f, y = 1.0f;
    for (int i = 0; i < 100; ++i) ApplyMap(x, y, figure.maps[0]);
    SeedRandom(0);
    std::vector<PassPoint> points;
    float maxX = -1e10f, maxY = -1e10f, minX = 1e10f, minY = 1e10f;
    for (int32_t i = 0; i < saverSettings.Quality.value * 200; ++i) {
        ApplyMap(x, y, figure.maps[ChooseMap(figure, NextRandom())]);
        points.push_back({x, y});
        if (x > maxX) maxX = x;
        if (x < minX) minX = x;
        if (y > maxY) maxY = y;
        if (y < minY) minY = y;
    }
    Reference reference;
    reference.bounds = {minX, minY, static_cast<float>(static_cast<double>(maxX) - minX),
                        static_cast<float>(static_cast<double>(maxY) - minY)};
    reference.state = randomSource.state;
    reference.pixels.assign(pixelCount, 0);
    const int base = wide ? BaseLevel32(saverSettings.Brightness.value) : BaseLevel16(saverSettings.Brightness.value);
    const double w = frameWidth, h = frameHeight;
    for (const PassPoint& p : points) {
        const int32_t col = TruncateToInt(((static_cast<double>(p.x) - minX) / reference.bounds.width) * w);
        const int32_t row = TruncateToInt(h - ((static_cast<double>(p.y) - minY) / reference.bounds.height) * h);
        const int64_t index = col + int64_t{frameWidth} * row;
        if (index < 0 || index >= pixelCount) continue;
        const int level = saverSettings.on3D ? ShadeLevel(base, col, row, frameWidth, frameHeight) : base;
        reference.pixels[index] = wide ? PackPixel32(level, channelTint) : PackPixel16(level, channelTint);
    }
    return reference;
}

// Every frame holds exactly the pixels defined for its figure, leaves the random
// source where such passes leave it, and is black again after the end of the frame.
TEST_P(RunFramesTest, FramesAreThoseOfTheDefinitionsAndClearToBlack)
{
    const FrameCase& c = GetParam();
    saverSettings.Quality.value = static_cast<int16_t>(c.quality);
    saverSettings.on3D = c.on3D;
    saverSettings.onColor = c.onColor;
    saverSettings.LifeTimeOneFig.value = static_cast<int16_t>(c.lifeTime);
    StartRun(c.mode);
    const bool wide = c.mode.bitsPerPixel == 32;
    const size_t bytes = static_cast<size_t>(pixelCount) * (wide ? 4 : 2);
    const std::vector<unsigned char> black(bytes, 0);

    int switches = 0;
    RunFrames(160, c.framesPerSecond, [&](int k) {
        const FigureBounds bounds = figureBounds;
        const uint32_t state = randomSource.state;
        std::vector<uint32_t> drawn(pixelCount);
        for (int32_t i = 0; i < pixelCount; ++i)
            drawn[i] = wide ? static_cast<const uint32_t*>(framePixels)[i] : static_cast<const uint16_t*>(framePixels)[i];

        const Reference reference = DrawReference(blendedFigure, wide);
        ASSERT_EQ(std::memcmp(&bounds, &reference.bounds, sizeof bounds), 0) << "frame " << k;
        ASSERT_EQ(drawn, reference.pixels) << "frame " << k;
        ASSERT_EQ(state, reference.state) << "frame " << k;
        switches += blendStep == kTransitionStep && blendT == 0.0f;
    });
    EXPECT_EQ(std::memcmp(framePixels, black.data(), bytes), 0);
    if (c.lifeTime == 0) {
        EXPECT_GT(switches, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RunFramesTest,
    ::testing::Values(FrameCase{{200, 150, 32}, 40, 1, 1, 0, 7}, FrameCase{{200, 150, 16}, 40, 1, 1, 0, 1},
                      FrameCase{{256, 192, 32}, 10, 0, 0, 100, 60}, FrameCase{{160, 100, 16}, 25, 0, 1, 0, 3},
                      FrameCase{{64, 48, 32}, 0, 1, 0, 0, 5}, FrameCase{{1024, 768, 16}, 30, 1, 1, 0, 4}),
    FrameCaseName);

// Without room for the kept points a frame walks the chain twice, to the same pixels.
TEST_F(RunTest, FramesWithoutKeptPointsAreTheSame)
{
    saverSettings.Quality.value = 20;
    saverSettings.LifeTimeOneFig.value = 0;
    saverSettings.onColor = 1;
    StartRun({200, 150, 32});
    std::vector<std::vector<uint32_t>> kept;
    RunFrames(80, 9, [&](int) {
        const uint32_t* pixels = static_cast<const uint32_t*>(framePixels);
        kept.emplace_back(pixels, pixels + pixelCount);
    });

    static int calls;
    calls = 0;
    SetFrameAllocator([](size_t bytes) -> void* { return ++calls == 1 ? std::malloc(bytes) : nullptr; });
    SetClockTo(kStart);
    StartRun({200, 150, 32});
    RunFrames(80, 9, [&](int k) {
        ASSERT_EQ(std::memcmp(framePixels, kept[k].data(), kept[k].size() * 4), 0) << "frame " << k;
    });
    const std::vector<uint32_t> black(pixelCount, 0);
    EXPECT_EQ(std::memcmp(framePixels, black.data(), black.size() * 4), 0);
}

}  // namespace
