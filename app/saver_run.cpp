#include "app/saver_run.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "ifs/blend.h"
#include "ifs/chaos.h"
#include "ifs/random_source.h"
#include "render/frame_buffer.h"
#include "render/plot.h"
#include "render/tint.h"
#include "settings/settings.h"

IfsFigure toFigure;
IfsFigure fromFigure;
IfsFigure blendedFigure;
float blendT = 0.0f;
float blendStep = 1.0f;
int16_t figureAge = 0;
uint8_t FigureHistory[22];

int32_t frameOffsetX = 0;
int32_t frameOffsetY = 0;
int32_t frameBytes = 0;
void* framePixels = nullptr;

int16_t runZoom = 80;
int16_t runCountNotReplay = 5;

namespace {

bool frame32 = true;

// 0.015 in single precision: 0.014999999664723873.
constexpr float kTransitionStep = 0.015f;

int DrawFigureNumber() { return NextRandom() % kFigureCount; }

FrameAllocator frameAllocator = std::malloc;

// count elements of size bytes each, or null when that many bytes cannot be addressed.
void* AllocateArray(size_t count, size_t size)
{
    if (count > SIZE_MAX / size - 1) return nullptr;
    return frameAllocator(count * size + 1);  // + 1: an empty frame still gets a buffer
}

// A frame walks the chaos game once, not twice: the bounds pass keeps its points
// and the plot reads them. And it walks it while the previous frame is plotted:
// the chain is one long dependency, the plot independent work that fills its
// latency. So each frame also foresees the next frame's figure (what EndFrame
// will make of the run if the clock still reads the same then) and measures it
// ahead. A foreseen figure is used only when it is bit for bit the one the next
// frame blends; the points and bounds depend on nothing else in a run.
enum class Ahead { None, SameFigure, Measured };

struct KeptPass {
    PassRecord record;
    FigureBounds bounds;
};

KeptPass shownPass;  // the points of the frame on screen, and the pixels it lit
KeptPass nextPass;   // the points of the foreseen next frame
IfsFigure foreseenFigure;
Ahead ahead = Ahead::None;

constexpr PassRecord kNoRecord = {nullptr, nullptr, 0, -1, 0, 0};

bool AllocateRecord(PassRecord& record, size_t steps)
{
    record.points = static_cast<PassPoint*>(AllocateArray(steps, sizeof(PassPoint)));
    record.litIndex = static_cast<int32_t*>(AllocateArray(steps, sizeof(int32_t)));
    record.capacity = record.points && record.litIndex ? static_cast<int32_t>(steps) : -1;
    return record.capacity >= 0;
}

void FreeRecord(PassRecord& record)
{
    std::free(record.points);
    std::free(record.litIndex);
    record = kNoRecord;
}

bool SameFigure(const IfsFigure& a, const IfsFigure& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Everything AdvanceRun and the procedures it calls change.
struct RunSnapshot {
    IfsFigure to, from;
    float t, step;
    int16_t age;
    uint8_t history[22];
    ChannelTint tint;
    RandomSource random;
};

RunSnapshot TakeSnapshot()
{
    RunSnapshot saved = {toFigure, fromFigure, blendT, blendStep, figureAge, {}, channelTint, randomSource};
    std::memcpy(saved.history, FigureHistory, sizeof FigureHistory);
    return saved;
}

void RestoreSnapshot(const RunSnapshot& saved)
{
    toFigure = saved.to;
    fromFigure = saved.from;
    blendT = saved.t;
    blendStep = saved.step;
    figureAge = saved.age;
    std::memcpy(FigureHistory, saved.history, sizeof FigureHistory);
    channelTint = saved.tint;
    randomSource = saved.random;
}

// The end-of-frame steps after the clear: advance the blend, then deform or switch.
void AdvanceRun()
{
    blendT = static_cast<float>(static_cast<double>(blendT) + static_cast<double>(blendStep));
    if (blendT > 1.0f) {
        blendT = 0.0f;
        blendStep = 1.0f;
        if (figureAge > saverSettings.LifeTimeOneFig.value) {
            ChooseNextFigure();
        } else {
            fromFigure = toFigure;
            DeformFigure(toFigure, fromFigure);
        }
    }
    figureAge = static_cast<int16_t>(figureAge + 1);
}

void ForeseeNextFigure()
{
    const RunSnapshot saved = TakeSnapshot();
    AdvanceRun();
    BlendFigures(foreseenFigure, fromFigure, toFigure, blendT);
    RestoreSnapshot(saved);
}

// Takes this frame's points from what the last frame measured ahead, if it foresaw
// this figure.
bool UseMeasuredAhead(int32_t steps)
{
    const Ahead was = ahead;
    ahead = Ahead::None;
    if (was == Ahead::None || !SameFigure(foreseenFigure, blendedFigure)) return false;
    if (was == Ahead::Measured) std::swap(shownPass, nextPass);
    if (shownPass.record.count != steps) return false;
    figureBounds = shownPass.bounds;
    return true;
}

void PlotShown()
{
    if (frame32)
        PlotRecord32(blendedFigure, shownPass.record, static_cast<uint32_t*>(framePixels));
    else
        PlotRecord16(blendedFigure, shownPass.record, static_cast<uint16_t*>(framePixels));
}

void PlotShownMeasuringNext()
{
    if (frame32)
        PlotRecordMeasuringNext32(shownPass.record, static_cast<uint32_t*>(framePixels), foreseenFigure,
                                  nextPass.record, nextPass.bounds);
    else
        PlotRecordMeasuringNext16(shownPass.record, static_cast<uint16_t*>(framePixels), foreseenFigure,
                                  nextPass.record, nextPass.bounds);
}

}  // namespace

void SetUpFrameGeometry(const DisplayMode& mode)
{
    runZoom = ClampToRange(saverSettings.Zoom);
    frameWidth = static_cast<int16_t>(int32_t{runZoom} * mode.width / 100);
    frameHeight = static_cast<int16_t>(int32_t{runZoom} * mode.height / 100);
    pixelCount = int32_t{frameWidth} * frameHeight;
    frameOffsetX = (int32_t{mode.width} - frameWidth) / 2;
    frameOffsetY = (int32_t{mode.height} - frameHeight) / 2;
    // Only a mode far beyond any screen overflows 32 bits here; such a frame
    // cannot be allocated (-1).
    const int64_t bytes = int64_t{mode.bitsPerPixel / 8} * pixelCount;
    frameBytes = bytes >= 0 && bytes <= INT32_MAX ? static_cast<int32_t>(bytes) : -1;
    frame32 = mode.bitsPerPixel == 32;
}

void StartFirstFigure()
{
    runCountNotReplay = ClampToRange(saverSettings.CountNotReplay);
    blendStep = 1.0f;
    SeedRandomFromClock();
    const int first = DrawFigureNumber();
    toFigure = FigureTable[first];
    fromFigure = FigureTable[first];
    std::memset(FigureHistory, first, sizeof FigureHistory);
    if (saverSettings.onColor) PickTint();
    figureAge = 0;
    blendT = 0.0f;
    DeformFigure(toFigure, fromFigure);
}

void SetFrameAllocator(FrameAllocator allocator) { frameAllocator = allocator ? allocator : std::malloc; }

bool AllocateFrameBuffer()
{
    ReleaseFrameBuffer();
    if (frameBytes < 0) return false;
    const size_t count = pixelCount > 0 ? static_cast<size_t>(pixelCount) : 0;
    const size_t size = frame32 ? sizeof(uint32_t) : sizeof(uint16_t);
    framePixels = AllocateArray(count, size);
    if (!framePixels) return false;
    std::memset(framePixels, 0, count * size);

    // Keeping the points is an optimisation only: without room for them every
    // frame walks the chaos game twice, with the same pixels.
    const size_t steps = PassLength() > 0 ? static_cast<size_t>(PassLength()) : 0;
    if (!AllocateRecord(shownPass.record, steps) || !AllocateRecord(nextPass.record, steps)) {
        FreeRecord(shownPass.record);
        FreeRecord(nextPass.record);
    }
    ahead = Ahead::None;
    return true;
}

void ReleaseFrameBuffer()
{
    std::free(framePixels);
    framePixels = nullptr;
    FreeRecord(shownPass.record);
    FreeRecord(nextPass.record);
    ahead = Ahead::None;
}

void DrawFrame()
{
    const int32_t steps = PassLength() > 0 ? PassLength() : 0;
    BlendFigures(blendedFigure, fromFigure, toFigure, blendT);
    if (!UseMeasuredAhead(steps)) {
        MeasureBounds(blendedFigure, shownPass.record);
        shownPass.bounds = figureBounds;
    }
    if (shownPass.record.count != steps || nextPass.record.capacity < steps) {
        PlotShown();  // no room for kept points: the plot walks the chain again
        return;
    }
    ForeseeNextFigure();
    if (SameFigure(foreseenFigure, blendedFigure)) {
        ahead = Ahead::SameFigure;
        PlotShown();
    } else {
        ahead = Ahead::Measured;
        PlotShownMeasuringNext();
    }
}

void ChooseNextFigure()
{
    std::memmove(FigureHistory + 1, FigureHistory, 20);
    FigureHistory[0] = FigureHistory[21];

    SeedRandomFromClock();
    for (;;) {
        const int next = DrawFigureNumber();
        FigureHistory[21] = static_cast<uint8_t>(next);
        bool recent = false;
        for (int i = 0; i < runCountNotReplay; ++i) recent |= FigureHistory[i] == next;
        if (!recent) break;
    }

    fromFigure = toFigure;  // the blend starts from the shape on screen
    toFigure = FigureTable[FigureHistory[21]];
    if (saverSettings.onColor) PickTint();
    figureAge = 0;
    blendStep = kTransitionStep;
}

void EndFrame()
{
    if (frame32)
        ClearLitPixels(shownPass.record, static_cast<uint32_t*>(framePixels));
    else
        ClearLitPixels(shownPass.record, static_cast<uint16_t*>(framePixels));
    AdvanceRun();
}
