// The frames of a run, as every front end and the renderer draw them: the run's
// clock, the layout for a surface size, and per frame what it drew.
//
// A driver calls SetUpFrames once, LayOutFrames for the first size and for each
// new one, then per frame DrawNextFrame, (shows what it drew), FinishFrame;
// finally ReleaseFrames.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/run/display_mode.h"
#include "core/run/saver_run.h"
#include "core/settings/settings.h"

// The calendar clock in whole seconds, or (fixed) start + floor(frame / framesPerSecond)
// read while frame number `frame` is drawn and ended.
struct RunClock {
    bool fixed = false;
    int64_t start = 0;
    int64_t framesPerSecond = 60;
    int64_t frame = 0;
};

// A frame as drawn: width x height words of bitsPerPixel bits (32: 0x00RRGGBB,
// 16: 5-6-5), row-major from the top row, to be shown at (offsetX, offsetY) of
// the surface; the indices of the words it lit (repeats and black words may be
// among them); and whether the picture is the one the frame before showed.
struct DrawnFrame {
    const void* pixels = nullptr;  // null while no frame is held
    int32_t width = 0;
    int32_t height = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int bitsPerPixel = 32;
    std::span<const int32_t> lit;
    bool unchanged = false;
};

// The run and the clock it reads live apart from the record, so that the record
// can be moved (a front end's record, a fresh start) without the run's clock
// reading one that has gone.
struct SaverFrames {
    std::unique_ptr<SaverRun> run = std::make_unique<SaverRun>();
    std::unique_ptr<RunClock> clock = std::make_unique<RunClock>();
    bool started = false;      // the first figure has been chosen
    bool allocated = false;    // a frame buffer is held
    std::vector<int32_t> lit;  // found by a scan when the run kept no list of its own
};

// Starts frames with settings taken as given (the run holds them to its ranges).
void SetUpFrames(SaverFrames& frames, const SaverSettings& settings, const RunClock& clock);
// The figure area for a surface of the mode's size (bitsPerPixel 32, else 16);
// chooses the first figure on the first call and keeps the run going on later
// ones. False when the frame cannot be allocated.
bool LayOutFrames(SaverFrames& frames, const DisplayMode& mode);
// The figure area of the current layout (no lit pixels before a frame is drawn).
DrawnFrame CurrentFrame(const SaverFrames& frames);
// Draws the next frame; FinishFrame after it has been shown. What it returns stays
// valid until then.
DrawnFrame DrawNextFrame(SaverFrames& frames);
void FinishFrame(SaverFrames& frames);
void ReleaseFrames(SaverFrames& frames);

// Appends the indices of the nonzero words among count words of bitsPerPixel bits.
void FindLitWords(const void* pixels, int32_t count, int bitsPerPixel, std::vector<int32_t>& lit);
