#include "app/saver_run.h"

#include <cstring>
#include <new>

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

}  // namespace

void SetUpFrameGeometry(const DisplayMode& mode)
{
    runZoom = ClampToRange(saverSettings.Zoom);
    runCountNotReplay = ClampToRange(saverSettings.CountNotReplay);
    frameWidth = static_cast<int16_t>(int32_t{runZoom} * mode.width / 100);
    frameHeight = static_cast<int16_t>(int32_t{runZoom} * mode.height / 100);
    pixelCount = int32_t{frameWidth} * frameHeight;
    frameOffsetX = (int32_t{mode.width} - frameWidth) / 2;
    frameOffsetY = (int32_t{mode.height} - frameHeight) / 2;
    frameBytes = (mode.bitsPerPixel / 8) * pixelCount;
    frame32 = mode.bitsPerPixel == 32;
}

void StartFirstFigure()
{
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

bool AllocateFrameBuffer()
{
    ReleaseFrameBuffer();
    const size_t count = pixelCount > 0 ? static_cast<size_t>(pixelCount) : 0;
    const size_t bytes = count * (frame32 ? sizeof(uint32_t) : sizeof(uint16_t));
    framePixels = ::operator new(bytes ? bytes : 1, std::nothrow);
    if (!framePixels) return false;
    std::memset(framePixels, 0, bytes);

    // Keeping the points is an optimisation only: without room for them every
    // frame walks the chaos game twice, with the same pixels.
    const int32_t steps = PassLength() > 0 ? PassLength() : 0;
    passRecord.points = new (std::nothrow) PassPoint[steps];
    passRecord.litIndex = new (std::nothrow) int32_t[steps];
    passRecord.capacity = passRecord.points && passRecord.litIndex ? steps : -1;
    passRecord.count = -1;
    passRecord.litCount = 0;
    return true;
}

void ReleaseFrameBuffer()
{
    ::operator delete(framePixels);
    framePixels = nullptr;
    delete[] passRecord.points;
    delete[] passRecord.litIndex;
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
