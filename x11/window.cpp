#include "x11/window.h"

#include <X11/Xatom.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cli/command_line.h"

namespace {

// Xlib's error handlers take no context: the program name and whether the window
// has gone are the layer's only process-wide values.
const char* programName = "velmora";
bool windowLost = false;

int OnXError(Display*, XErrorEvent* event)
{
    if (event->error_code == BadWindow || event->error_code == BadDrawable) windowLost = true;
    return 0;
}

int OnXIOError(Display*)
{
    RemoveUnmarkedSegment();
    std::fprintf(stderr, "%s: lost the connection to the X display\n", programName);
    std::_Exit(1);
}

// A window of the saver's own, on the default screen: named, closable, taking
// keys. A cover is as large as the screen, above everything (override-redirect),
// and holds the keyboard and pointer, wherever the focus was.
void CreateOwnWindow(XLayer& x, int width, int height, bool cover)
{
    const int screen = DefaultScreen(x.display);
    x.covers = cover;
    if (cover) {
        width = DisplayWidth(x.display, screen);
        height = DisplayHeight(x.display, screen);
    }
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(x.display, screen);
    attributes.event_mask =
        KeyPressMask | StructureNotifyMask | ExposureMask | (cover ? ButtonPressMask | PointerMotionMask : 0);
    attributes.override_redirect = cover;
    x.window = XCreateWindow(x.display, RootWindow(x.display, screen), 0, 0, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWEventMask | CWOverrideRedirect, &attributes);
    x.ownWindow = true;
    XStoreName(x.display, x.window, "Velmora");
    XClassHint hint = {const_cast<char*>("velmora"), const_cast<char*>("Velmora")};
    XSetClassHint(x.display, x.window, &hint);
    const long pid = static_cast<long>(getpid());  // for window managers and tools that look the window up
    XChangeProperty(x.display, x.window, XInternAtom(x.display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    x.deleteWindow = XInternAtom(x.display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(x.display, x.window, &x.deleteWindow, 1);
    XMapRaised(x.display, x.window);
    if (cover) {
        XGrabKeyboard(x.display, x.window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
        XGrabPointer(x.display, x.window, True, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync,
                     None, None, CurrentTime);
    }
}

}  // namespace

int FrameBitsFor(const Visual* visual, int depth)
{
    if (!visual || visual->c_class != TrueColor) return 0;
    if ((depth == 24 || depth == 32) && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
        visual->blue_mask == 0xFF)
        return 32;
    if (depth == 16 && visual->red_mask == 0xF800 && visual->green_mask == 0x07E0 && visual->blue_mask == 0x1F)
        return 16;
    return 0;
}

void InstallXErrorHandlers(const char* program)
{
    programName = program;
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
}

bool WindowLost() { return windowLost; }

bool OpenXLayer(XLayer& x, const std::string& displayName, WindowChoice choice, Window given, int ownWidth,
                int ownHeight, std::string& error)
{
    x.display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!x.display) {
        const char* name = displayName.empty() ? std::getenv("DISPLAY") : displayName.c_str();
        error = name && *name ? "cannot open the X display " + Shortened(name)
                              : "no X display: DISPLAY is not set and --display was not given";
        return false;
    }
    const int screen = DefaultScreen(x.display);
    if (choice == WindowChoice::Own || choice == WindowChoice::Cover) {
        CreateOwnWindow(x, ownWidth, ownHeight, choice == WindowChoice::Cover);
    } else {
        x.window = choice == WindowChoice::Given ? given : RootWindow(x.display, screen);
        // Only what the saver needs to follow; input belongs to whoever made the window.
        XSelectInput(x.display, x.window, StructureNotifyMask | ExposureMask);
    }
    XWindowAttributes attributes;
    XSync(x.display, False);
    if (windowLost || !XGetWindowAttributes(x.display, x.window, &attributes)) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(x.window));
        error = std::string("there is no window ") + id + " on the display";
        if (!x.ownWindow) x.window = 0;
        return false;
    }
    x.width = attributes.width;
    x.height = attributes.height;
    x.depth = attributes.depth;
    x.visual = attributes.visual;
    x.frameBits = FrameBitsFor(x.visual, x.depth);
    if (x.frameBits == 0) {
        error = "the window's visual (depth " + std::to_string(x.depth) +
                ") is not 16-bit 5-6-5 or 24/32-bit true colour";
        return false;
    }
    x.alphaBits = x.depth == 32 ? ~(x.visual->red_mask | x.visual->green_mask | x.visual->blue_mask) & 0xFFFFFFFFul : 0;
    x.gc = XCreateGC(x.display, x.window, 0, nullptr);
    x.completionEvent = ShmCompletionEventType(x.display);
    OpenServerClock(x.display, x.serverClock);
    return true;
}

void CloseXLayer(XLayer& x)
{
    if (x.display) {
        // Nothing waits for the server, which may hold frames until their time:
        // requests not yet sent are dropped, and what the server holds of the
        // saver's (those frames, the window, the GC, the segment's attachment)
        // goes with the connection. Marked as closing, XCloseDisplay neither
        // sends nor syncs; it only disconnects and frees.
        DropFrameImage(x.image);
        x.display->flags = x.display->flags | XlibDisplayClosing;
        XCloseDisplay(x.display);
    }
    x = XLayer{};
}

void BlankWindow(XLayer& x)
{
    XSetForeground(x.display, x.gc, x.alphaBits);  // black, opaque where there is alpha
    XFillRectangle(x.display, x.window, x.gc, 0, 0, static_cast<unsigned>(x.width), static_cast<unsigned>(x.height));
}
