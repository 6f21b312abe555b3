// The exclusive full screen of a saver run: a DirectDraw flip chain in the run's
// display mode, bitmaps copied onto its back buffer, and the paced flip.
#pragma once

#include <cstdint>

#include <windows.h>
#include <ddraw.h>

#include "core/run/frame_pacing.h"
#include "windows/rules/video_modes.h"

struct FullScreen {
    IDirectDraw* directDraw = nullptr;
    IDirectDrawSurface* primarySurface = nullptr;
    IDirectDrawSurface* backSurface = nullptr;  // attached to primarySurface, goes with it
    FramePacer pacer = {};
    int64_t ticksPerSecond = 0;  // of the performance counter; 0 before the first flip chain
    bool timerRaised = false;    // the system timer runs at 1 ms for the run
};

// Takes the display over for window in mode. On failure it releases what it made,
// tells the user in a message box and returns false.
bool InitFullScreen(FullScreen& screen, HWND window, const DisplayMode& mode);

// Gives the display back (releasing DirectDraw restores the mode) and nulls every
// handle. Safe at any time, also twice.
void ReleaseFullScreen(FullScreen& screen);

// Copies the top-left width x height pixels of bitmap to (x, y) of surface; 0
// stands for the bitmap's own width or height. E_FAIL for a null bitmap or surface.
HRESULT CopyBitmapToSurface(IDirectDrawSurface* surface, HBITMAP bitmap, int32_t x, int32_t y, int32_t width,
                            int32_t height);

// Shows the back buffer. Where the flip did not wait for the display, it returns
// no sooner than one refresh period after the previous frame was shown.
void PresentFrame(FullScreen& screen);
