// The exclusive full screen of a saver run: a DirectDraw flip chain in
// currentDisplayMode, bitmaps copied onto its back buffer, and the flip.
#pragma once

#include <cstdint>

#include <windows.h>
#include <ddraw.h>

extern IDirectDraw* directDraw;
extern IDirectDrawSurface* primarySurface;
extern IDirectDrawSurface* backSurface;  // attached to primarySurface, goes with it

// Takes the display over for window in currentDisplayMode. On failure it releases
// what it made, tells the user in a message box and returns false.
bool InitFullScreen(HWND window);

// Gives the display back (releasing DirectDraw restores the mode). Safe at any time.
void ReleaseFullScreen();

// Copies the top-left width x height pixels of bitmap to (x, y) of surface; 0
// stands for the bitmap's own width or height. E_FAIL for a null bitmap or surface.
HRESULT CopyBitmapToSurface(IDirectDrawSurface* surface, HBITMAP bitmap, int32_t x, int32_t y, int32_t width,
                            int32_t height);

// Shows the back buffer, and returns no sooner than one refresh period after the
// previous frame was shown.
void PresentFrame();
