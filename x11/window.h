// The X side of the Linux saver: the display, the window it draws into (one it
// is given, the root window, or one of its own), the visual's frame depth, and
// the record that holds every X handle of a run.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

#include "x11/image.h"
#include "x11/points.h"
#include "x11/server_clock.h"

// Cover: a window of its own over the whole screen, above everything
// (override-redirect), holding the keyboard and pointer; any input ends it.
enum class WindowChoice { Own, Given, Root, Cover };

struct XLayer {
    Display* display = nullptr;
    Window window = 0;
    bool ownWindow = false;  // made here: destroyed at the end, takes keys
    bool covers = false;     // WindowChoice::Cover: any key, button or movement of more than 2 pixels ends it
    int pointerX = -1;       // where the pointer first moved over the cover
    int pointerY = -1;
    Atom deleteWindow = 0;   // the window manager's close button
    GC gc = nullptr;
    int width = 0;
    int height = 0;
    int depth = 0;
    Visual* visual = nullptr;
    int frameBits = 32;             // 32 for depth 24 and 32, 16 for depth 16
    unsigned long alphaBits = 0;    // set in every pixel of a visual with alpha
    bool tryShared = true;
    int completionEvent = -1;       // ShmCompletion's event type, -1 without MIT-SHM
    XFrameImage image;
    ShownPoints shown;            // the lit pixels on screen, and those of the frame to show next
    bool imageHoldsShown = false; // the image's pixels are the screen's
    ServerClock serverClock;
};

// Connects to the display (the DISPLAY variable when name is empty), picks the
// window and reads its size and visual. On failure error says why, and
// CloseXLayer releases what was opened.
bool OpenXLayer(XLayer& x, const std::string& displayName, WindowChoice choice, Window given, int ownWidth,
                int ownHeight, std::string& error);
// Closes the connection at once, whatever the server still holds of it.
void CloseXLayer(XLayer& x);

// The frame depth for a visual: 32 for 24- and 32-bit x8r8g8b8, 16 for 5-6-5,
// 0 for any other.
int FrameBitsFor(const Visual* visual, int depth);

// Paints the whole window black.
void BlankWindow(XLayer& x);

// X errors the saver cannot go on after (the window was destroyed under it).
// Installs the handlers; a lost display ends the process with status 1.
void InstallXErrorHandlers(const char* program);
bool WindowLost();
