// The Linux saver's frame loop: draws the run into the X layer's window at a
// steady pace, follows the window's size, and ends on a signal, a key in its own
// window, or a window or display that has gone.
#pragma once

#include <cstdint>
#include <string>

#include "core/run/frames.h"
#include "x11/window.h"

// The frame limit is the frames' own (SetUpFrames).
struct LoopSettings {
    int64_t framesPerSecond = 60;
};

// Runs until the end; the exit status: 0 for a signal or a key, 1 for a window that
// has gone or a frame that cannot be made (error says which).
int RunSaverLoop(XLayer& x, SaverFrames& frames, const LoopSettings& settings, std::string& error);
