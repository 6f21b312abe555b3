#include "x11/loop.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <cerrno>

namespace {

// Set by the signal handler; the loop's waits are the only place it can run.
volatile sig_atomic_t endingSignal = 0;
sigset_t waitMask;  // the mask during waits: the ending signals let through

void OnEndingSignal(int signal) { endingSignal = signal; }

constexpr int64_t kTicksPerSecond = 1'000'000'000;

int64_t MonotonicNow()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * kTicksPerSecond + now.tv_nsec;
}

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

bool AsPoints(const XLayer& x, const FrameView& frame)
{
    const int64_t changed = static_cast<int64_t>(x.shown.points.size()) + frame.litCount;
    return changed * kPointCost < int64_t{frame.width} * frame.height;
}

void ShowFrame(XLayer& x, const FrameView& frame, bool asPoints)
{
    const LitFrame lit = {frame.pixels, frame.bitsPerPixel, frame.width, frame.offsetX, frame.offsetY, frame.lit,
                          frame.litCount};
    if (asPoints) {
        EraseShownPoints(x.display, x.window, x.gc, x.shown, x.alphaBits);
        GroupLitPoints(lit, x.alphaBits, x.shown);
        DrawShownPoints(x.display, x.window, x.gc, x.shown);
        x.imageHoldsShown = false;
        return;
    }
    if (x.imageHoldsShown) {
        ClearImagePoints(x.image, x.shown.points, frame.offsetX, frame.offsetY, x.alphaBits);
        CopyLitWords(x.image, lit, x.alphaBits);
    } else {
        CopyFrameWords(x.image, frame.pixels, x.alphaBits);
    }
    GroupLitPoints(lit, x.alphaBits, x.shown);
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
        const FrameView area = CurrentFrame(frames);
        error = "not enough memory for a " + std::to_string(area.width) + " x " + std::to_string(area.height) + " frame";
        return false;
    }
    const FrameView area = CurrentFrame(frames);
    if (area.width <= 0 || area.height <= 0) return true;  // nothing to show in so small a window
    return CreateFrameImage(x.display, x.visual, x.depth, area.width, area.height, x.tryShared, x.image, error);
}

// Waits for the X connection, a signal, or the deadline (-1: no deadline). Always
// lets the ending signals in, if only for an instant: a loop that is behind its
// deadlines never waits, and must still end on a signal.
void WaitUntil(XLayer& x, int64_t deadline)
{
    XFlush(x.display);
    pollfd connection = {ConnectionNumber(x.display), POLLIN, 0};
    timespec timeout = {};
    timespec* limit = nullptr;
    if (deadline >= 0 || XPending(x.display)) {
        const int64_t left = deadline >= 0 && !XPending(x.display) ? deadline - MonotonicNow() : 0;
        if (left > 0) {
            timeout.tv_sec = static_cast<time_t>(left / kTicksPerSecond);
            timeout.tv_nsec = static_cast<long>(left % kTicksPerSecond);
        }
        limit = &timeout;
    }
    ppoll(&connection, 1, limit, &waitMask);
}

}  // namespace

void CatchEndingSignals()
{
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&ending, signal);
        struct sigaction action = {};
        action.sa_handler = OnEndingSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &ending, &waitMask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigdelset(&waitMask, signal);
}

int RunSaverLoop(XLayer& x, SaverFrames& frames, const LoopSettings& settings, std::string& error)
{
    LoopState state;
    int64_t drawn = 0;
    int64_t due = MonotonicNow();
    StartPacingPeriod(x.pacer, kTicksPerSecond / settings.framesPerSecond, due);
    while (true) {
        HandlePendingEvents(x, state, error);
        if (endingSignal) return 0;
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
            const FrameView frame = DrawNextFrame(frames);
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
