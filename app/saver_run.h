// The animation state of one saver run, without any platform call.
//
// The platform driver calls these in order: SetUpFrameGeometry, StartFirstFigure,
// (blanks the screen), AllocateFrameBuffer; then per frame DrawFrame, (shows
// framePixels), EndFrame; finally ReleaseFrameBuffer. The headless renderer calls
// exactly the same procedures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/video_modes.h"
#include "ifs/figures.h"

// Run values.
extern IfsFigure toFigure;       // where the current blend goes
extern IfsFigure fromFigure;     // where it starts
extern IfsFigure blendedFigure;  // the figure drawn in this frame
extern float blendT;             // 0 shows fromFigure, 1 shows toFigure
extern float blendStep;          // 1.0, or 0.015 during a transition
extern int16_t figureAge;        // frames since the last figure switch
// Entry 21 is the figure chosen last, entry 0 the one before, 1..20 earlier ones.
extern uint8_t FigureHistory[22];

// The figure area on screen, and the bytes of one frame.
extern int32_t frameOffsetX;
extern int32_t frameOffsetY;
extern int32_t frameBytes;

// The FrameBuffer pixels (32- or 16-bit words by the mode's depth), or null.
extern void* framePixels;

// Settings held to their dialog ranges for the run: a hand-edited stored value
// outside them would empty or overflow the frame, or stall the no-repeat draw.
extern int16_t runZoom;
extern int16_t runCountNotReplay;

// Sizes the figure area for the mode: Zoom percent of its width and height, centred.
void SetUpFrameGeometry(const DisplayMode& mode);

// Picks the first figure from the clock, fills the history with it, picks a tint
// when colour is on, and deforms the target so the first blend has somewhere to go.
void StartFirstFigure();

// Makes the all-black FrameBuffer (and the kept-points storage that lets a frame
// walk the chaos game once). False when the pixels cannot be allocated, or when
// the frame is too large to address; nothing is left allocated then.
bool AllocateFrameBuffer();
void ReleaseFrameBuffer();

// Where the run's buffers come from: std::malloc unless a test installs its own
// (nullptr restores it). Buffers are given back with std::free.
using FrameAllocator = void* (*)(size_t bytes);
void SetFrameAllocator(FrameAllocator allocator);

// Blend, measure and plot this frame's figure into framePixels.
void DrawFrame();

// After the frame has been shown: clear it, advance the blend, and deform the
// target or switch to the next figure.
void EndFrame();

// Draws the next figure, avoiding the last runCountNotReplay figures chosen.
void ChooseNextFigure();
