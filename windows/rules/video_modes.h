// Video modes: the nine selectable modes and whether the adapter offers one.
#pragma once

#include <cstdint>

#include "core/run/display_mode.h"

struct VideoModeEntry {
    const char16_t* label;  // the item's text in the dialog's list (UTF-16)
    DisplayMode mode;   // entry 0 is resolved from the desktop instead
};

constexpr int kVideoModeCount = 9;
extern const VideoModeEntry VideoModeTable[kVideoModeCount];

// What the display adapter tells: the desktop's current mode, and its list of
// modes by number (false past the end). The platform layer binds the real one.
struct DisplayAdapter {
    void (*desktopMode)(int& bitsPerPixel, int& width, int& height);
    bool (*listedMode)(int number, int& bitsPerPixel, int& width, int& height);
};

// Resolves mode index into currentDisplayMode (0 = the desktop's, 24 bits taken as
// 32; 1..8 from the table; any other index leaves it as it is) and tells whether
// the adapter lists exactly that width, height and depth.
bool SelectDisplayMode(const DisplayAdapter& adapter, int16_t index, DisplayMode& currentDisplayMode);
