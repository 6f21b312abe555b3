// What the argument string asks for. Only its second character and whether it is
// empty count; the first character (normally a slash) is not examined.
#pragma once

#include <cstdint>

enum class StartMode {
    Settings,  // "/c", "-C", "/c:1234" or an empty string: the settings dialog
    Saver,     // "/s", "-S": the saver run
    Nothing,   // anything else, such as "/p 1234" or "/a": close at once
};

// arguments is the command line without the program's name; null counts as empty.
StartMode StartModeFor(const char* arguments);

// What the words after the switch ask of a saver run, for tests that compare its
// screen with velmora-render's frames: "/clock:T" fixes the clock as the
// renderer's --clock T (frame k reads T + floor(k / 60)), "/frames:N" draws N
// frames and keeps the last one on screen until the run is ended. Other words,
// and values that are not whole numbers in range, are ignored: the system passes
// nothing after "/s".
struct RunRequest {
    bool fixedClock = false;
    int64_t clockStart = 0;
    int64_t frameLimit = -1;  // -1: no limit
};
RunRequest RunRequestFor(const char* arguments);
