// One saver run, without any platform call: the figures and their blend, the
// figure history, the tint, the frame and the settings held for the run.
//
// A platform driver calls, in order: SetUpFrameGeometry, StartFirstFigure, (blanks
// the screen), AllocateFrameBuffer; then per frame DrawFrame, (shows what it
// drew), EndFrame; finally ReleaseFrameBuffer. A new screen size in the middle of
// a run is SetUpFrameGeometry and AllocateFrameBuffer again. Most drivers go
// through the frames of frames.h, which make these calls for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>

#include "core/run/display_mode.h"
#include "core/ifs/chaos.h"
#include "core/ifs/figures.h"
#include "core/render/frame_buffer.h"
#include "core/render/plot.h"
#include "core/render/tint.h"
#include "core/settings/settings.h"

// Where the run's buffers come from; they are given back with std::free.
using FrameAllocator = void* (*)(size_t bytes);

// What the frame just drawn leaves for the next one, if the next shows the figure
// foreseen: nothing; its own points (the same figure); its points and its picture,
// still in the frame (the same figure in the same tint: set by EndFrame); or the
// foreseen figure's points and bounds, measured while this frame was plotted.
enum class Carry { Nothing, Points, Picture, Measured };

// What DrawFrame drew.
struct FrameDrawn {
    bool unchanged;  // the picture is the frame before's, left in place: nothing new to show
    bool litNoted;   // lit holds every pixel the picture lit (else the run kept no list)
    std::span<const int32_t> lit;  // indices of the lit words; repeats and black words may be among them
};

struct SaverRun {
    RunSettings settings = HoldForRun(kDefaultSettings);

    // The calendar clock in whole seconds, read whenever fresh randomness is seeded.
    std::function<int64_t()> clock = SystemClockSeconds;
    FrameAllocator allocate = std::malloc;

    // The generator that deformations, tints and figure choices seed from the clock.
    RandomSource randomSource;

    IfsFigure toFigure = {};       // where the current blend goes
    IfsFigure fromFigure = {};     // where it starts
    IfsFigure blendedFigure = {};  // the figure drawn in this frame
    float blendT = 0.0f;           // 0 shows fromFigure, 1 shows toFigure
    float blendStep = 1.0f;        // 1.0, or 0.015 during a transition
    int16_t figureAge = 0;         // frames since the last figure switch
    // Entry 21 is the figure chosen last, entry 0 the one before, 1..20 earlier ones.
    uint8_t FigureHistory[22] = {};
    ChannelTint channelTint = kGreyTint;

    FrameBuffer frame;
    FigureBounds figureBounds = {0.0f, 0.0f, 0.0f, 0.0f};  // of the frame's pass

    // A frame walks the chaos game once: the bounds pass keeps its points and the
    // plot reads them. The next frame's figure is foreseen and its chain walked
    // while this frame is plotted; the result is used only when the figure blended
    // then is bit for bit the one foreseen.
    KeptPoints shownPoints;  // the points of the frame on screen, and the pixels it lit
    KeptPoints nextPoints;   // the points of the foreseen figure
    FigureBounds nextBounds = {0.0f, 0.0f, 0.0f, 0.0f};
    IfsFigure foreseenFigure = {};
    Carry carry = Carry::Nothing;
    PassTables tables;
};

// Sizes the figure area for the mode: Zoom percent of its width and height, centred.
void SetUpFrameGeometry(SaverRun& run, const DisplayMode& mode);

// Picks the first figure from the clock, fills the history with it, picks a tint
// when colour is on, and deforms the target so the first blend has somewhere to go.
void StartFirstFigure(SaverRun& run);

// Makes the all-black frame pixels (and the kept-points storage that lets a frame
// walk the chaos game once). False when the pixels cannot be allocated, or when
// the frame is too large to address; no pixels are left allocated then.
bool AllocateFrameBuffer(SaverRun& run);
void ReleaseFrameBuffer(SaverRun& run);

// Blends, measures and plots this frame's figure into run.frame.pixels, and says
// what it drew. The lit span stays valid until the next EndFrame.
FrameDrawn DrawFrame(SaverRun& run);

// After the frame has been shown: clears it, advances the blend, and deforms the
// target or switches to the next figure.
void EndFrame(SaverRun& run);

// Draws the next figure, avoiding the last CountNotReplay figures chosen.
void ChooseNextFigure(SaverRun& run);
