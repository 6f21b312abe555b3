#include "app/saver_run.h"

#include <cstdlib>
#include <cstring>

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
PassRecord passRecord = {nullptr, nullptr, 0, -1, 0, 0};

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
    passRecord.points = static_cast<PassPoint*>(AllocateArray(steps, sizeof(PassPoint)));
    passRecord.litIndex = static_cast<int32_t*>(AllocateArray(steps, sizeof(int32_t)));
    passRecord.capacity = passRecord.points && passRecord.litIndex ? static_cast<int32_t>(steps) : -1;
    passRecord.count = -1;
    passRecord.litCount = 0;
    return true;
}

void ReleaseFrameBuffer()
{
    std::free(framePixels);
    framePixels = nullptr;
    std::free(passRecord.points);
    std::free(passRecord.litIndex);
    passRecord = {nullptr, nullptr, 0, -1, 0, 0};
}

void DrawFrame()
{
    BlendFigures(blendedFigure, fromFigure, toFigure, blendT);
    MeasureBounds(blendedFigure, passRecord);
    if (frame32)
        PlotRecord32(blendedFigure, passRecord, static_cast<uint32_t*>(framePixels));
    else
        PlotRecord16(blendedFigure, passRecord, static_cast<uint16_t*>(framePixels));
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
        ClearLitPixels(passRecord, static_cast<uint32_t*>(framePixels));
    else
        ClearLitPixels(passRecord, static_cast<uint16_t*>(framePixels));

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
