// The one place the Linux saver calls the portable run: start it for a screen
// mode, draw and end frames, lay it out again for a new size, and release it.
// Holds the settings and the clock the run reads.
#pragma once

#include <cstdint>
#include <vector>

#include "display/video_modes.h"
#include "settings/settings.h"

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
// indices of its lit (nonzero) words in order.
struct FrameView {
    const void* pixels;
    int32_t width;
    int32_t height;
    int32_t offsetX;
    int32_t offsetY;
    int bitsPerPixel;
    const int32_t* lit;
    int32_t litCount;
};

struct SaverFrames {
    SaverSettings settings = kDefaultSettings;
    RunClock clock;
    DisplayMode mode = {0, 0, 32};
    bool started = false;    // the first figure has been chosen
    bool allocated = false;  // a frame buffer is held
    std::vector<int32_t> lit;
};

// The figure area for the mode; chooses the first figure on the first call and
// keeps the run going on later ones. False when the frame cannot be allocated.
bool LayOutFrames(SaverFrames& frames, const DisplayMode& mode);
// The figure area of the current layout (no pixels before a frame is drawn).
FrameView CurrentFrame(const SaverFrames& frames);
// Appends the indices of the nonzero words among count words of bitsPerPixel bits.
void FindLitWords(const void* pixels, int32_t count, int bitsPerPixel, std::vector<int32_t>& lit);
// Draws the next frame and finds its lit words; FinishFrame after it has been shown.
FrameView DrawNextFrame(SaverFrames& frames);
void FinishFrame(SaverFrames& frames);
void ReleaseFrames(SaverFrames& frames);
