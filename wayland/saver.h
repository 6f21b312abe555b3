// The Wayland front end of the Linux saver: the run in a window of its own, full
// screen on every output for idle daemons (any input ends it) or whenever the
// session is idle, or as an animated wallpaper on every output.
#pragma once

#include <cstdint>
#include <string>

#include "core/run/frames.h"
#include "core/settings/settings.h"

enum class WaylandMode { Window, Fullscreen, Wallpaper };

struct WaylandRequest {
    WaylandMode mode = WaylandMode::Window;
    std::string output;      // the output's name; empty: the compositor's choice (full screen) or all (wallpaper)
    int32_t width = 1024;    // the own window's size before the compositor says otherwise
    int32_t height = 768;
    SaverSettings settings = kDefaultSettings;
    RunClock clock;          // each surface's run starts from it
    int64_t frameLimit = 0;  // frames to draw, then keep the last one; 0 = no limit
    int64_t framesPerSecond = 60;
    uint32_t idleMilliseconds = 0;  // full screen whenever the seat has had no input for this long; 0: at once
};

// Runs until the end: 0 for a signal, a key or the compositor's close, and in
// full screen any input (with idleMilliseconds only a signal: input hides the
// saver until the next idle time); 1 when the compositor cannot be reached, lacks
// what the mode needs, or goes away (error says which).
int RunWaylandSaver(const WaylandRequest& request, std::string& error);
