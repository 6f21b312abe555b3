// Frames as points: a frame lights a few thousand pixels of its area, and sending
// only those costs the server far less than reading the whole area again. The lit
// pixels go grouped by colour, one XDrawPoints request per colour; the next frame
// blacks them all out in one request before it draws its own. (Leaving out the
// points that land on a lit pixel again, or those the next frame lights in the
// same colour, saves the server less than finding them costs here.)
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "core/run/frames.h"

// A frame's lit pixels as points in window coordinates, grouped by colour: group g
// is points[groupEnds[g - 1] (0 for g = 0), groupEnds[g]), in colours[g]. Rows
// firstRow..lastRow of the figure area hold them all (lastRow < firstRow: none).
struct FramePoints {
    std::vector<XPoint> points;
    std::vector<unsigned long> colours;  // X pixel values: the frame word and the alpha bits
    std::vector<int32_t> groupEnds;
    int32_t firstRow = 0;
    int32_t lastRow = -1;
};

// The points on screen and those of the frame to show next, with what grouping
// reuses from frame to frame.
struct ShownPoints {
    FramePoints shown;  // on screen
    FramePoints next;   // grouped, to be shown next
    std::vector<int32_t> litGroup;  // each lit word's group, -1 for black
    // Colour -> group: an open-addressed table on the frame word.
    std::vector<uint32_t> colourWords;  // 0 = empty (a lit word is never 0)
    std::vector<int32_t> colourGroups;
    int colourShift = 32;  // 32 - log2(colourWords.size())
    std::vector<uint32_t> groupWords;
};

// Groups the frame's lit pixels into points.next, alphaBits added to every colour.
void GroupFrame(const DrawnFrame& frame, unsigned long alphaBits, ShownPoints& points);
// points.next has been shown: it becomes points.shown.
void NextShown(ShownPoints& points);
// Nothing is on screen (a new layout).
void ForgetShown(ShownPoints& points);

// A point costs the server and Xlib about as much as this many pixels of an image:
// frames that change fewer pixels than area / kPointCost go as points, denser ones
// through the frame image.
constexpr int64_t kPointCost = 20;
bool SendAsPoints(int64_t changedPixels, int32_t width, int32_t height);

// Draws the points in their colours; EraseFramePoints draws all of them black.
void DrawFramePoints(Display* display, Drawable drawable, GC gc, const FramePoints& frame);
void EraseFramePoints(Display* display, Drawable drawable, GC gc, const FramePoints& frame, unsigned long black);
// The screen goes from points.shown to points.next: the first blacked out, the second drawn.
void ShowAsPoints(Display* display, Drawable drawable, GC gc, const ShownPoints& points, unsigned long black);
