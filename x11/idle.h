// --idle on X11: the XScreenSaver extension's idle time (any input the server
// sees resets it) decides when the saver covers the screen; input ends each
// showing, and the wait begins again. Waiting wakes once per idle period at most.
#pragma once

#include <string>

#include "core/run/frames.h"
#include "x11/loop.h"

struct X11IdleRequest {
    std::string displayName;
    int64_t idleMilliseconds = 0;
    SaverSettings settings = kDefaultSettings;
    RunClock clock;
    int64_t frameLimit = 0;  // 0: no limit
    LoopSettings loop;
    bool tryShared = true;
};

// Runs until a signal (status 0); 1 when the display or its extension is missing
// or a showing fails (error says why).
int RunX11IdleSaver(const X11IdleRequest& request, std::string& error);
