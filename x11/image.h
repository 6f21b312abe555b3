// The image each frame goes to the X server through: a shared-memory segment
// (MIT-SHM) where the server offers one, or a plain client-side XImage sent with
// XPutImage. While the server still reads a shared image (until its completion
// event) the image must not be written.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <string>
#include <vector>

#include "x11/points.h"

struct XFrameImage {
    XImage* image = nullptr;
    XShmSegmentInfo segment = {};  // shmid -1 and no address unless shared
    bool shared = false;
    bool busy = false;  // a shared put is in flight; cleared by its completion event
};

// The event type of a shared put's completion on this display, or -1 without MIT-SHM.
int ShmCompletionEventType(Display* display);

// Makes a width x height image for the visual. Tries shared memory first when
// tryShared, and falls back to a plain image when the server refuses it. The
// segment is marked for removal as soon as the server has attached it, so it
// goes away with the process however that ends.
bool CreateFrameImage(Display* display, Visual* visual, int depth, int width, int height, bool tryShared,
                      XFrameImage& frame, std::string& error);
// Waits for the server to let go: call only when the image is not busy. Nulls every handle.
void DestroyFrameImage(Display* display, XFrameImage& frame);
// Lets go of the image on this side only, for a connection about to close (the
// server detaches the segment as the connection goes). Nulls every handle.
void DropFrameImage(XFrameImage& frame);

// Paints the whole image black (alphaBits set in every word).
void FillFrameImage(XFrameImage& frame, unsigned long alphaBits);
// Writes points (window coordinates, the image's top left at offsetX, offsetY) into
// the image: in their colours, or all black.
void WriteFramePoints(XFrameImage& frame, const FramePoints& points, int offsetX, int offsetY);
void ClearFramePoints(XFrameImage& frame, const FramePoints& points, int offsetX, int offsetY, unsigned long black);
// Sends rows firstRow..lastRow of the image to the drawable, the image's top left at (x, y).
void PutFrameImage(Display* display, Drawable drawable, GC gc, XFrameImage& frame, int x, int y, int firstRow,
                   int lastRow);

// The screen goes from points.shown to points.next through the image (its top left
// at offsetX, offsetY), whose pixels are those of points.shown when
// imageHoldsShown, else painted afresh: only the rows either frame lights are
// sent then, all of them otherwise.
void ShowThroughImage(Display* display, Drawable drawable, GC gc, XFrameImage& frame, const ShownPoints& points,
                      bool imageHoldsShown, int offsetX, int offsetY, unsigned long alphaBits);

// Removes a segment that was made but not yet marked for removal (for a lost
// display, whose handler cannot return).
void RemoveUnmarkedSegment();
