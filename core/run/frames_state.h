// What SaverFrames holds: the run, its clock and frame limit, the pacing, and the
// lit lists of the frame drawn and the frame shown before it. Only the core (and
// its tests) reach the run itself; every driver goes through frames.h.
#pragma once

#include <vector>

#include "core/run/frames.h"
#include "core/run/saver_run.h"

struct SaverFrames::State {
    SaverRun run;
    RunClock clock;
    int64_t frameLimit = kNoFrameLimit;
    int64_t drawn = 0;          // frames finished
    bool started = false;       // the first figure has been chosen
    bool allocated = false;     // a frame buffer is held
    FramePacer pacer = {1, 0, 0};
    std::vector<int32_t> scanned;  // the frame's lit words found by a scan, when the run kept no list
    std::vector<int32_t> shown;    // the lit words of the frame shown before the one drawn
    std::span<const int32_t> lit;  // of the frame drawn, until FinishFrame
};
