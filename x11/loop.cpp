#include "x11/loop.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>

#include "cli/waiting.h"
#include "x11/send_ahead.h"

namespace {

enum class Outcome { Going, Stopped, Failed };

struct LoopState {
    bool relayout = true;     // the window's size is new: frame and image follow
    bool repaint = false;     // exposed: blank and show the last frame again
    Outcome outcome = Outcome::Going;
    SendAhead ahead;
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
    case ButtonPress:
        if (x.covers) state.outcome = Outcome::Stopped;
        break;
    case MotionNotify:  // a movement of more than 2 pixels from where it first was ends the cover
        if (x.covers && x.pointerX < 0) {
            x.pointerX = event.xmotion.x_root;
            x.pointerY = event.xmotion.y_root;
        } else if (x.covers && (std::abs(event.xmotion.x_root - x.pointerX) > 2 ||
                                std::abs(event.xmotion.y_root - x.pointerY) > 2)) {
            state.outcome = Outcome::Stopped;
        }
        break;
    case KeyPress:
        if (x.covers) {
            state.outcome = Outcome::Stopped;
        } else if (x.ownWindow) {
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

// Whether the frame grouped in x.shown.next goes as points (else through the image).
bool NextAsPoints(const XLayer& x, const DrawnFrame& area)
{
    const auto changed = static_cast<int64_t>(x.shown.shown.points.size() + x.shown.next.points.size());
    return SendAsPoints(changed, area.width, area.height);
}

// Shows the frame grouped in x.shown.next (area: the figure area's layout): as
// points, or through the image once the server has read it. False when the wait
// for the image ended the loop or changed the window's size: nothing is sent then.
bool ShowNext(XLayer& x, LoopState& state, const DrawnFrame& area, bool asPoints, std::string& error)
{
    if (asPoints) {
        ShowAsPoints(x.display, x.window, x.gc, x.shown, x.alphaBits);
        x.imageHoldsShown = false;
    } else {
        WaitForImage(x, state, error);
        if (state.outcome != Outcome::Going || state.relayout) return false;
        ShowThroughImage(x.display, x.window, x.gc, x.image, x.shown, x.imageHoldsShown, area.offsetX, area.offsetY,
                         x.alphaBits);
        x.imageHoldsShown = true;
    }
    NextShown(x.shown);
    return true;
}

// Where the loop stands in the run's frames.
struct FrameTimes {
    bool holding = false;  // x.shown.next holds a frame drawn, not yet sent
    int64_t due = 0;       // when the held frame, or the next one drawn, is to be seen
};

// The deadline a period after the last one: from the last deadline while the loop
// is ahead of it (frames sent ahead), else from now.
void NextDeadline(SaverFrames& frames, FrameTimes& times)
{
    times.due = NextFrameDue(frames, std::max(times.due, MonotonicNow()));
}

// Draws frames until one changes the picture, and groups it; each frame that keeps
// the picture moves the deadline on by a period. False when no frame is left.
bool DrawUntilChange(XLayer& x, SaverFrames& frames, FrameTimes& times)
{
    while (FramesLeft(frames)) {
        const DrawnFrame frame = DrawNextFrame(frames);
        if (!frame.unchanged) GroupFrame(frame, x.alphaBits, x.shown);
        FinishFrame(frames);
        if (!frame.unchanged) return true;
        NextDeadline(frames, times);
    }
    return false;
}

// What a frame sent as points costs the connection: its points, a request per
// colour and one for black, and the wait.
int64_t PointBytes(const ShownPoints& shown)
{
    return 4 * static_cast<int64_t>(shown.shown.points.size() + shown.next.points.size()) +
           24 * static_cast<int64_t>(shown.next.colours.size() + 2);
}

// Hands the held frames over as the schedule says, each followed at once by the
// frames drawn up to the next that changes the picture (a frame that keeps it
// needs no wake-up of its own, and the one that changes it is grouped while its
// pixels are in the cache). At most one frame goes without a wait in the server
// per wake-up, so that a loop behind its deadlines still reads events and
// signals. Returns when to wake next: -1 for never (no frame left), 0 for at once.
int64_t SendFrames(XLayer& x, LoopState& state, SaverFrames& frames, FrameTimes& times, bool& sent,
                   std::string& error)
{
    const DrawnFrame area = CurrentFrame(frames);
    bool sentWhenDue = false;
    while (times.holding) {
        const bool asPoints = NextAsPoints(x, area);
        const int64_t bytes = asPoints ? PointBytes(x.shown) : 0;
        const HandStep step = PlanFrame(state.ahead, MonotonicNow(), times.due, bytes, asPoints);
        if (step.hand == Hand::Later) return step.wakeAt;
        if (sentWhenDue) return 0;
        if (step.hand == Hand::BehindWait) AwaitServerTime(x.display, x.serverClock, times.due);
        if (!ShowNext(x, state, area, asPoints, error)) return 0;
        sent = true;
        if (step.hand == Hand::BehindWait) SentBehindWait(state.ahead, times.due, bytes);
        sentWhenDue = step.hand == Hand::Now;
        NextDeadline(frames, times);
        times.holding = DrawUntilChange(x, frames, times);
    }
    return -1;
}

// New frame buffer and image for the window's size; the run goes on.
bool LayOut(XLayer& x, SaverFrames& frames, std::string& error)
{
    DestroyFrameImage(x.display, x.image);
    ForgetShown(x.shown);
    x.imageHoldsShown = false;
    const DisplayMode mode = {ModeSide(x.width), ModeSide(x.height), static_cast<int16_t>(x.frameBits)};
    BlankWindow(x);
    if (!LayOutFrames(frames, mode)) {
        error = NoMemoryMessage(frames);
        return false;
    }
    const DrawnFrame area = CurrentFrame(frames);
    const bool made = area.width <= 0 || area.height <= 0 ||  // nothing to show in so small a window
                      CreateFrameImage(x.display, x.visual, x.depth, area.width, area.height, x.tryShared, x.image, error);
    // The blocks of the old size go back to the system: glibc would keep them in its
    // heap, and after a storm of resizes hold the largest window's worth for good.
    malloc_trim(0);
    return made;
}

}  // namespace

int RunSaverLoop(XLayer& x, SaverFrames& frames, const LoopSettings& settings, std::string& error)
{
    LoopState state;
    state.ahead.serverKeepsTime = x.serverClock.counter != 0;
    state.ahead.limits.budget = x.serverClock.queueBytes;
    FrameTimes times;
    bool readEvents = true;  // the server may have sent something: read before waiting
    times.due = MonotonicNow();
    StartFramePacing(frames, kTicksPerSecond / settings.framesPerSecond, times.due);
    while (true) {
        if (readEvents) HandlePendingEvents(x, state, error);
        if (EndingSignalCaught()) return 0;
        if (state.outcome == Outcome::Going && WindowLost()) {
            error = "the window is gone";
            state.outcome = Outcome::Failed;
        }
        if (state.outcome != Outcome::Going) return state.outcome == Outcome::Stopped ? 0 : 1;

        if (state.relayout) {
            state.relayout = false;
            state.repaint = false;
            times.holding = false;  // points of the old size
            if (!LayOut(x, frames, error)) return 1;
            readEvents = true;
            continue;
        }
        bool sent = false;
        if (state.repaint) {  // the picture on screen again, from black (after the frames sent already)
            state.repaint = false;
            BlankWindow(x);
            DrawFramePoints(x.display, x.window, x.gc, x.shown.shown);
            sent = true;
        }
        int64_t wakeAt = -1;
        if (x.image.image) {
            if (!times.holding) times.holding = DrawUntilChange(x, frames, times);  // the first of a layout
            wakeAt = SendFrames(x, state, frames, times, sent, error);
        }
        // One flush a wake-up, and the connection read only when it has something:
        // after a write (Xlib may take in what the server sent while it writes, and
        // the connection no longer shows it) or when the wait says so.
        const bool queued = sent ? XPending(x.display) > 0 : XEventsQueued(x.display, QueuedAlready) > 0;
        readEvents = WaitForInput(ConnectionNumber(x.display), queued ? 0 : wakeAt) || queued;
    }
}
