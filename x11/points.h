// Frames as points: a frame lights a few thousand of its pixels, so changing only
// those on screen (the previous frame's back to black, the new ones in their
// colours, one XDrawPoints request per colour) costs the server far less than
// reading the whole figure area again.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "core/run/frames.h"

// The lit pixels of the frame on screen, grouped by colour.
struct ShownPoints {
    std::vector<XPoint> points;          // groupEnds[g - 1]..groupEnds[g] have colours[g]
    std::vector<unsigned long> colours;  // X pixel values
    std::vector<int32_t> groupEnds;
    // Reused between frames: the open-addressed colour table and each point's group.
    std::vector<uint32_t> tableColours;  // 0 = empty (a lit word is never 0)
    std::vector<int32_t> tableGroups;
    std::vector<int32_t> groupOfLit;
};

// Replaces shown with the frame's lit pixels; alphaBits are added to every colour.
void GroupLitPoints(const DrawnFrame& frame, unsigned long alphaBits, ShownPoints& shown);
// Draws the shown points in their colours, or all of them in black.
void DrawShownPoints(Display* display, Drawable drawable, GC gc, const ShownPoints& shown);
void EraseShownPoints(Display* display, Drawable drawable, GC gc, const ShownPoints& shown, unsigned long black);
