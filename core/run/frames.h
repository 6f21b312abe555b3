// The one place the Linux saver calls the portable run: start it for a screen
// mode, draw and end frames, lay it out again for a new size, and release it.
// Holds the run record and the clock it reads.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/run/saver_run.h"
#include "core/run/display_mode.h"
#include "core/settings/settings.h"

// The calendar clock in whole seconds, or (fixed) start + floor(frame / framesPerSecond)
// read while frame number `frame` is drawn and ended.
struct RunClock {
    bool fixed = false;
    int64_t start = 0;
    int64_t framesPerSecond = 60;
    int64_t frame = 0;
};

// The pixels of the frame just drawn: width x height words of bitsPerPixel bits,
// row-major from the top row, shown at (offsetX, offsetY) of the screen, and the
// indices of the words it lit (repeats, and black words, may be among them).
struct FrameView {
    const void* pixels;
    int32_t width;
    int32_t height;
    int32_t offsetX;
    int32_t offsetY;
    int bitsPerPixel;
    const int32_t* lit;
    int32_t litCount;
    bool unchanged;  // the same picture as the frame before
};

struct SaverFrames {
    std::unique_ptr<SaverRun> run = std::make_unique<SaverRun>();
    RunClock clock;
    bool started = false;    // the first figure has been chosen
    bool allocated = false;  // a frame buffer is held
    std::vector<int32_t> lit;  // found by a scan when the run kept no list of its own
};

// Starts frames with settings taken as given (the run holds them to its ranges).
void SetUpFrames(SaverFrames& frames, const SaverSettings& settings, const RunClock& clock);
// The figure area for the mode; chooses the first figure on the first call and
// keeps the run going on later ones. False when the frame cannot be allocated.
bool LayOutFrames(SaverFrames& frames, const DisplayMode& mode);
// The figure area of the current layout (no pixels before a frame is drawn).
FrameView CurrentFrame(const SaverFrames& frames);
// Appends the indices of the nonzero words among count words of bitsPerPixel bits.
void FindLitWords(const void* pixels, int32_t count, int bitsPerPixel, std::vector<int32_t>& lit);
// Draws the next frame; FinishFrame after it has been shown.
FrameView DrawNextFrame(SaverFrames& frames);
void FinishFrame(SaverFrames& frames);
void ReleaseFrames(SaverFrames& frames);
