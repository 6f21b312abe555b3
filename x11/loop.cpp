#include "x11/loop.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "cli/waiting.h"

namespace {

enum class Outcome { Going, Stopped, Failed };

struct LoopState {
    bool relayout = true;     // the window's size is new: frame and image follow
    bool repaint = false;     // exposed: blank and show the last frame again
    Outcome outcome = Outcome::Going;
};

void HandleEvent(XLayer& x, LoopState& state, XEvent& event, std::string& error)
{
    if (event.type == x.completionEvent && x.completionEvent >= 0) {
        x.image.busy = false;
        return;
    }
    switch (event.type) {
    case ConfigureNotify:
        if (event.xconfigure.window == x.window &&
            (event.xconfigure.width != x.width || event.xconfigure.height != x.height)) {
            x.width = event.xconfigure.width;
            x.height = event.xconfigure.height;
            state.relayout = true;
        }
        break;
    case Expose:
        if (event.xexpose.count == 0) state.repaint = true;
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == x.window) {
            error = "the window was destroyed";
            state.outcome = Outcome::Failed;
            if (x.ownWindow) x.window = 0;
        }
        break;
    case KeyPress:
        if (x.ownWindow) {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_q || key == XK_Q || key == XK_Escape) state.outcome = Outcome::Stopped;
        }
        break;
    case ClientMessage:
        if (x.ownWindow && static_cast<Atom>(event.xclient.data.l[0]) == x.deleteWindow)
            state.outcome = Outcome::Stopped;
        break;
    default:
        break;
    }
}

void HandlePendingEvents(XLayer& x, LoopState& state, std::string& error)
{
    while (state.outcome == Outcome::Going && XPending(x.display)) {
        XEvent event;
        XNextEvent(x.display, &event);
        HandleEvent(x, state, event, error);
    }
}

// Until the server has read the shared image; other events are handled meanwhile.
void WaitForImage(XLayer& x, LoopState& state, std::string& error)
{
    while (x.image.busy && state.outcome == Outcome::Going && !WindowLost()) {
        XEvent event;
        XNextEvent(x.display, &event);
        HandleEvent(x, state, event, error);
    }
}

// A point costs the server and Xlib about as much as this many pixels of an image
// (measured on Xvfb): frames with fewer changed pixels than area / kPointCost go as
// points, denser ones as the whole figure area.
constexpr int64_t kPointCost = 20;

bool AsPoints(const XLayer& x, const DrawnFrame& frame)
{
    const int64_t changed = static_cast<int64_t>(x.shown.points.size()) + static_cast<int64_t>(frame.lit.size());
    return changed * kPointCost < int64_t{frame.width} * frame.height;
}

void ShowFrame(XLayer& x, const DrawnFrame& frame, bool asPoints)
{
    if (asPoints) {
        EraseShownPoints(x.display, x.window, x.gc, x.shown, x.alphaBits);
        GroupLitPoints(frame, x.alphaBits, x.shown);
        DrawShownPoints(x.display, x.window, x.gc, x.shown);
        x.imageHoldsShown = false;
        return;
    }
    if (x.imageHoldsShown) {
        ClearImagePoints(x.image, x.shown.points, frame.offsetX, frame.offsetY, x.alphaBits);
        CopyLitWords(x.image, frame, x.alphaBits);
    } else {
        CopyFrameWords(x.image, frame.pixels, x.alphaBits);
    }
    GroupLitPoints(frame, x.alphaBits, x.shown);
    PutFrameImage(x.display, x.window, x.gc, x.image, frame.offsetX, frame.offsetY);
    x.imageHoldsShown = true;
}

void ForgetShown(XLayer& x)
{
    x.shown.points.clear();
    x.shown.colours.clear();
    x.shown.groupEnds.clear();
    x.imageHoldsShown = false;
}

// New frame buffer and image for the window's size; the run goes on.
bool LayOut(XLayer& x, SaverFrames& frames, std::string& error)
{
    DestroyFrameImage(x.display, x.image);
    ForgetShown(x);
    const DisplayMode mode = {static_cast<int16_t>(x.width < 32767 ? x.width : 32767),
                              static_cast<int16_t>(x.height < 32767 ? x.height : 32767),
                              static_cast<int16_t>(x.frameBits)};
    BlankWindow(x);
    if (!LayOutFrames(frames, mode)) {
        const DrawnFrame area = CurrentFrame(frames);
        error = "not enough memory for a " + std::to_string(area.width) + " x " + std::to_string(area.height) + " frame";
        return false;
    }
    const DrawnFrame area = CurrentFrame(frames);
    if (area.width <= 0 || area.height <= 0) return true;  // nothing to show in so small a window
    return CreateFrameImage(x.display, x.visual, x.depth, area.width, area.height, x.tryShared, x.image, error);
}

// Waits for the X connection, a signal, or the deadline (-1: no deadline); not at
// all while events are queued already.
void WaitUntil(XLayer& x, int64_t deadline)
{
    XFlush(x.display);
    WaitForInput(ConnectionNumber(x.display), XPending(x.display) ? 0 : deadline);
}

}  // namespace

int RunSaverLoop(XLayer& x, SaverFrames& frames, const LoopSettings& settings, std::string& error)
{
    LoopState state;
    int64_t drawn = 0;
    int64_t due = MonotonicNow();
    StartPacingPeriod(x.pacer, kTicksPerSecond / settings.framesPerSecond, due);
    while (true) {
        HandlePendingEvents(x, state, error);
        if (EndingSignalCaught()) return 0;
        if (state.outcome == Outcome::Going && WindowLost()) {
            error = "the window is gone";
            state.outcome = Outcome::Failed;
        }
        if (state.outcome != Outcome::Going) return state.outcome == Outcome::Stopped ? 0 : 1;

        if (state.relayout) {
            state.relayout = false;
            state.repaint = false;
            if (!LayOut(x, frames, error)) return 1;
            continue;
        }
        const bool drawing = x.image.image && (settings.frameLimit == 0 || drawn < settings.frameLimit);
        if (state.repaint) {
            state.repaint = false;
            BlankWindow(x);
            DrawShownPoints(x.display, x.window, x.gc, x.shown);
        }
        if (drawing && MonotonicNow() >= due) {
            const DrawnFrame frame = DrawNextFrame(frames);
            if (!frame.unchanged) {  // an unchanged picture is on the screen already
                const bool asPoints = AsPoints(x, frame);
                if (!asPoints) WaitForImage(x, state, error);
                if (state.outcome != Outcome::Going || state.relayout) continue;  // the frame is drawn again after
                ShowFrame(x, frame, asPoints);
            }
            FinishFrame(frames);
            ++drawn;
            const int64_t now = MonotonicNow();
            due = now + TicksToWait(x.pacer, now);
        }
        WaitUntil(x, drawing ? due : -1);
    }
}
