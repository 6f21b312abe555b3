// The saver run on Windows: mode check, full screen, covers over the other
// monitors, blank frames, the frame loop, tear-down, driving the portable run.
#pragma once

#include <windows.h>

#include "core/run/frames.h"
#include "windows/saver_window.h"

struct SaverRunResult {
    bool finished;       // false: the mode is not offered or the full screen failed
    WPARAM lastWParam;   // of the last message the frame loop took (0 if none)
};

// Runs with the stored settings in saver.settings, through frames: the mode, the
// area, the full screen, covers and the display-power watch, the first figure,
// the pixels and bitmap, the blank flips, then the frames.
SaverRunResult RunSaver(WindowsSaver& saver, SaverFrames& frames);
