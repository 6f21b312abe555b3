#include "core/run/saver_run.h"

#include <cstring>
#include <utility>

#include "core/ifs/blend.h"

namespace {

// 0.015 in single precision: 0.014999999664723873.
constexpr float kTransitionStep = 0.015f;

int DrawFigureNumber(RandomSource& random) { return NextRandom(random) % kFigureCount; }

// count elements of size bytes each, or null when that many bytes cannot be addressed.
void* AllocateArray(const SaverRun& run, size_t count, size_t size)
{
    if (count > SIZE_MAX / size - 1) return nullptr;
    return run.allocate(count * size + 1);  // + 1: an empty frame still gets a buffer
}

void FreePoints(KeptPoints& kept)
{
    std::free(kept.points);
    std::free(kept.litIndex);
    kept = KeptPoints{};
}

bool AllocatePoints(const SaverRun& run, KeptPoints& kept, size_t steps)
{
    kept.points = static_cast<PassPoint*>(AllocateArray(run, steps, sizeof(PassPoint)));
    kept.litIndex = static_cast<int32_t*>(AllocateArray(run, steps, sizeof(int32_t)));
    if (!kept.points || !kept.litIndex) {
        FreePoints(kept);
        return false;
    }
    kept.capacity = static_cast<int32_t>(steps);
    return true;
}

bool SameFigure(const IfsFigure& a, const IfsFigure& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool SameTint(const ChannelTint& a, const ChannelTint& b)
{
    return a.factor0 == b.factor0 && a.factor1 == b.factor1 && a.factor2 == b.factor2;
}

PlotStyle StyleOf(const SaverRun& run) { return {run.settings.Brightness, run.settings.on3D, run.channelTint}; }

// The figure the next frame blends, as far as it can be told now. When this blend
// completes, the next frame starts the next one from today's toFigure at t = 0,
// which is toFigure itself whatever the new target (unless a coefficient is not
// finite, or a zero's sign differs: then the guess fails and nothing is lost).
void ForeseeNextFigure(SaverRun& run)
{
    const float nextT = static_cast<float>(static_cast<double>(run.blendT) + static_cast<double>(run.blendStep));
    if (nextT > 1.0f)
        BlendFigures(run.foreseenFigure, run.toFigure, run.toFigure, 0.0f);
    else
        BlendFigures(run.foreseenFigure, run.fromFigure, run.toFigure, nextT);
}

// Takes this frame's points (and picture) from what the last frame left, if it
// foresaw this figure.
bool UseWhatWasCarried(SaverRun& run, Carry carried, int32_t steps)
{
    if (carried == Carry::Nothing || !SameFigure(run.foreseenFigure, run.blendedFigure)) return false;
    if (carried == Carry::Measured) {
        std::swap(run.shownPoints, run.nextPoints);
        run.figureBounds = run.nextBounds;
    }
    return run.shownPoints.count == steps;
}

// The end-of-frame steps after the clear: advance the blend, then deform or switch.
void AdvanceRun(SaverRun& run)
{
    run.blendT = static_cast<float>(static_cast<double>(run.blendT) + static_cast<double>(run.blendStep));
    if (run.blendT > 1.0f) {
        run.blendT = 0.0f;
        run.blendStep = 1.0f;
        if (run.figureAge > run.settings.LifeTimeOneFig) {
            ChooseNextFigure(run);
        } else {
            run.fromFigure = run.toFigure;
            DeformFigure(run.toFigure, run.fromFigure, run.settings.IntensityDeformation, run.randomSource,
                         run.clock());
        }
    }
    run.figureAge = static_cast<int16_t>(run.figureAge + 1);
}

}  // namespace

void SetUpFrameGeometry(SaverRun& run, const DisplayMode& mode)
{
    FrameBuffer& frame = run.frame;
    const int32_t zoom = run.settings.Zoom;
    frame.frameWidth = static_cast<int16_t>(zoom * mode.width / 100);
    frame.frameHeight = static_cast<int16_t>(zoom * mode.height / 100);
    frame.pixelCount = int32_t{frame.frameWidth} * frame.frameHeight;
    frame.frameOffsetX = (int32_t{mode.width} - frame.frameWidth) / 2;
    frame.frameOffsetY = (int32_t{mode.height} - frame.frameHeight) / 2;
    frame.bitsPerPixel = mode.bitsPerPixel == 32 ? 32 : 16;
    // Only a mode far beyond any screen overflows 32 bits here; such a frame
    // cannot be allocated (-1).
    const int64_t bytes = int64_t{mode.bitsPerPixel / 8} * frame.pixelCount;
    frame.frameBytes = bytes >= 0 && bytes <= INT32_MAX ? static_cast<int32_t>(bytes) : -1;
}

void StartFirstFigure(SaverRun& run)
{
    run.blendStep = 1.0f;
    SeedRandomFromClock(run.randomSource, run.clock());
    const int first = DrawFigureNumber(run.randomSource);
    run.toFigure = FigureTable[first];
    run.fromFigure = FigureTable[first];
    std::memset(run.FigureHistory, first, sizeof run.FigureHistory);
    if (run.settings.onColor) run.channelTint = PickTint(run.randomSource, run.clock());
    run.figureAge = 0;
    run.blendT = 0.0f;
    DeformFigure(run.toFigure, run.fromFigure, run.settings.IntensityDeformation, run.randomSource, run.clock());
}

bool AllocateFrameBuffer(SaverRun& run)
{
    ReleaseFrameBuffer(run);
    FrameBuffer& frame = run.frame;
    if (frame.frameBytes < 0) return false;
    const size_t count = frame.pixelCount > 0 ? static_cast<size_t>(frame.pixelCount) : 0;
    const size_t size = frame.bitsPerPixel == 32 ? sizeof(uint32_t) : sizeof(uint16_t);
    frame.pixels = AllocateArray(run, count, size);
    if (!frame.pixels) return false;
    std::memset(frame.pixels, 0, count * size);

    // Keeping the points is an optimisation only: without room for them every
    // frame walks the chaos game twice, with the same pixels.
    const size_t steps = static_cast<size_t>(PassLength(run.settings.Quality));
    if (!AllocatePoints(run, run.shownPoints, steps) || !AllocatePoints(run, run.nextPoints, steps)) {
        FreePoints(run.shownPoints);
        FreePoints(run.nextPoints);
    }
    return true;
}

void ReleaseFrameBuffer(SaverRun& run)
{
    std::free(run.frame.pixels);
    run.frame.pixels = nullptr;
    FreePoints(run.shownPoints);
    FreePoints(run.nextPoints);
    run.carry = Carry::Nothing;
}

FrameDrawn DrawFrame(SaverRun& run)
{
    const int32_t steps = PassLength(run.settings.Quality);
    const PlotStyle style = StyleOf(run);
    BlendFigures(run.blendedFigure, run.fromFigure, run.toFigure, run.blendT);
    if (run.shownPoints.capacity < steps) {  // no room for kept points: two plain passes
        run.figureBounds = MeasureBounds(run.blendedFigure, steps, run.tables.maps);
        PlotFigure(run.blendedFigure, steps, run.figureBounds, style, run.frame, run.tables);
        return {false, false, {}};
    }
    const Carry carried = std::exchange(run.carry, Carry::Nothing);
    bool kept = carried == Carry::Picture;
    if (!UseWhatWasCarried(run, carried, steps)) {
        if (kept) ClearLitPixels(run.shownPoints, run.frame);  // foreseen wrongly: the picture goes
        kept = false;
        run.figureBounds = MeasureKept(run.blendedFigure, steps, run.tables.maps, run.shownPoints, [](int32_t) {});
    }

    ForeseeNextFigure(run);
    if (SameFigure(run.foreseenFigure, run.blendedFigure)) {
        run.carry = Carry::Points;
        if (!kept) PlotKept(run.shownPoints, run.figureBounds, style, run.frame, run.tables);
    } else {
        run.carry = Carry::Measured;
        run.nextBounds = kept ? MeasureKept(run.foreseenFigure, steps, run.tables.maps, run.nextPoints, [](int32_t) {})
                              : PlotKeptMeasuringNext(run.shownPoints, run.figureBounds, style, run.frame,
                                                      run.tables, run.foreseenFigure, steps, run.nextPoints);
    }
    const KeptPoints& shown = run.shownPoints;
    return {kept, true, {shown.litIndex, static_cast<size_t>(shown.litCount > 0 ? shown.litCount : 0)}};
}

void ChooseNextFigure(SaverRun& run)
{
    uint8_t* history = run.FigureHistory;
    std::memmove(history + 1, history, 20);
    history[0] = history[21];

    SeedRandomFromClock(run.randomSource, run.clock());
    for (;;) {
        const int next = DrawFigureNumber(run.randomSource);
        history[21] = static_cast<uint8_t>(next);
        bool recent = false;
        for (int i = 0; i < run.settings.CountNotReplay; ++i) recent |= history[i] == next;
        if (!recent) break;
    }

    run.fromFigure = run.toFigure;  // the blend starts from the shape on screen
    run.toFigure = FigureTable[history[21]];
    if (run.settings.onColor) run.channelTint = PickTint(run.randomSource, run.clock());
    run.figureAge = 0;
    run.blendStep = kTransitionStep;
}

void EndFrame(SaverRun& run)
{
    const ChannelTint shownTint = run.channelTint;
    AdvanceRun(run);
    if (run.carry == Carry::Points && SameTint(shownTint, run.channelTint))
        run.carry = Carry::Picture;  // the next frame's clear and plot are left out
    else
        ClearLitPixels(run.shownPoints, run.frame);
}
