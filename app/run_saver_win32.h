// The saver run: mode check, full screen, blank frames, the frame loop, tear-down.
#pragma once

#include <windows.h>

struct SaverRunResult {
    bool finished;       // false: the mode is not offered or the full screen failed
    WPARAM lastWParam;   // of the last message the frame loop took (0 if none)
};

SaverRunResult RunSaver();
