// The saver run on Windows: mode check, full screen, covers over the other
// monitors, blank frames, the frame loop, tear-down, driving the portable run.
#pragma once

#include <windows.h>

#include "core/run/saver_run.h"
#include "windows/saver_window.h"

struct SaverRunResult {
    bool finished;       // false: the mode is not offered or the full screen failed
    WPARAM lastWParam;   // of the last message the frame loop took (0 if none)
};

// Runs with the stored settings in saver.settings, held for the run in run.
SaverRunResult RunSaver(WindowsSaver& saver, SaverRun& run);
