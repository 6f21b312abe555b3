#include "x11/loop.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <malloc.h>

#include <algorithm>

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

// Shows the frame grouped in x.shown.next (area: the figure area's layout): as
// points, or through the image once the server has read it (asPoints says which).
// False when the wait for the image ended the loop or changed the window's size:
// nothing is sent then.
bool ShowNext(XLayer& x, LoopState& state, const DrawnFrame& area, std::string& error, bool& asPoints)
{
    const FramePoints& shown = x.shown.shown;
    const FramePoints& next = x.shown.next;
    const auto changed = static_cast<int64_t>(shown.points.size() + next.points.size());
    asPoints = SendAsPoints(changed, area.width, area.height);
    if (asPoints) {
        EraseFramePoints(x.display, x.window, x.gc, shown, x.alphaBits);
        DrawFramePoints(x.display, x.window, x.gc, next);
        x.imageHoldsShown = false;
    } else {
        WaitForImage(x, state, error);
        if (state.outcome != Outcome::Going || state.relayout) return false;
        int firstRow = area.height;  // the rows either frame lights
        int lastRow = -1;
        for (const FramePoints* points : {&shown, &next}) {
            if (points->lastRow < points->firstRow) continue;
            firstRow = std::min(firstRow, points->firstRow);
            lastRow = std::max(lastRow, points->lastRow);
        }
        if (x.imageHoldsShown) {
            ClearFramePoints(x.image, shown, area.offsetX, area.offsetY, x.alphaBits);
        } else {  // the whole picture, from black
            FillFrameImage(x.image, x.alphaBits);
            firstRow = 0;
            lastRow = area.height - 1;
        }
        WriteFramePoints(x.image, next, area.offsetX, area.offsetY);
        PutFrameImage(x.display, x.window, x.gc, x.image, area.offsetX, area.offsetY, firstRow, lastRow);
        x.imageHoldsShown = true;
    }
    NextShown(x.shown);
    return true;
}

// Where the loop stands in the run's frames.
struct FrameQueue {
    int64_t drawn = 0;
    bool holding = false;  // x.shown.next holds a frame drawn ahead of its time
    int64_t due = 0;       // when the held frame, or the next one drawn, is to be seen
    int64_t lead = 0;      // how long before due the loop wakes for it
};

// While the server keeps time for the frames, the loop wakes this long before a
// frame is due and sends the frames due within the horizon at once: at 60 frames a
// second two frames' time, and ten. What waits behind them in the server (a new
// size, a repaint) waits no longer than the horizon.
constexpr int64_t kLead = kTicksPerSecond / 30;
constexpr int64_t kHorizon = kTicksPerSecond / 6;

// The deadline a period after the last one: from the last deadline while the loop
// is ahead of it (frames sent ahead), else from now.
void NextDeadline(FramePacer& pacer, FrameQueue& queue)
{
    const int64_t from = std::max(queue.due, MonotonicNow());
    queue.due = from + TicksToWait(pacer, from);
}

// Draws frames until one changes the picture, and groups it; each frame that keeps
// the picture moves the deadline on by a period. False when no frame is left.
bool DrawUntilChange(XLayer& x, SaverFrames& frames, const LoopSettings& settings, FrameQueue& queue)
{
    while (settings.frameLimit == 0 || queue.drawn < settings.frameLimit) {
        const DrawnFrame frame = DrawNextFrame(frames);
        if (!frame.unchanged) GroupFrame(frame, x.alphaBits, x.shown);
        FinishFrame(frames);
        ++queue.drawn;
        if (!frame.unchanged) return true;
        NextDeadline(x.pacer, queue);
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

// Shows the held frame, and, while the server keeps time for the frames and they
// go as points, the ones due within the horizon, each after a wait in the server
// until its time (as far as the connection holds them without blocking). The
// frames after each are drawn at once, up to the next that changes the picture:
// a frame that keeps it needs no wake-up of its own, and the one that changes it
// is grouped while its pixels are in the cache. False when the wait for the image
// ended the loop or changed the window's size.
bool ShowHeldFrames(XLayer& x, LoopState& state, SaverFrames& frames, const LoopSettings& settings,
                    const DrawnFrame& area, FrameQueue& queue, std::string& error)
{
    const ServerClock& clock = x.serverClock;
    const int64_t now = MonotonicNow();
    int64_t bytes = 0;
    while (queue.holding) {
        if (clock.counter && queue.due > now) AwaitServerTime(x.display, clock, queue.due);
        bytes += PointBytes(x.shown);
        bool asPoints = true;
        if (!ShowNext(x, state, area, error, asPoints)) return false;
        queue.holding = false;
        queue.lead = asPoints && clock.counter ? kLead : 0;
        NextDeadline(x.pacer, queue);
        queue.holding = DrawUntilChange(x, frames, settings, queue);
        if (queue.lead == 0 || queue.due > now + kHorizon ||
            bytes + PointBytes(x.shown) > clock.queueBytes)
            break;
    }
    return true;
}

// New frame buffer and image for the window's size; the run goes on.
bool LayOut(XLayer& x, SaverFrames& frames, std::string& error)
{
    DestroyFrameImage(x.display, x.image);
    ForgetShown(x.shown);
    x.imageHoldsShown = false;
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
    FrameQueue queue;
    bool readEvents = true;  // the server may have sent something: read before waiting
    queue.due = MonotonicNow();
    StartPacingPeriod(x.pacer, kTicksPerSecond / settings.framesPerSecond, queue.due);
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
            queue.holding = false;  // points of the old size
            queue.lead = 0;
            if (!LayOut(x, frames, error)) return 1;
            readEvents = true;
            continue;
        }
        bool sent = false;
        const DrawnFrame area = CurrentFrame(frames);
        if (state.repaint) {  // the picture on screen again, from black (after the frames sent already)
            state.repaint = false;
            BlankWindow(x);
            DrawFramePoints(x.display, x.window, x.gc, x.shown.shown);
            sent = true;
        }
        const bool drawing =
            x.image.image && (queue.holding || settings.frameLimit == 0 || queue.drawn < settings.frameLimit);
        if (drawing && MonotonicNow() >= queue.due - queue.lead) {
            if (queue.holding) {
                if (!ShowHeldFrames(x, state, frames, settings, area, queue, error)) continue;
                sent = true;
            } else {  // the first frame of a layout goes out at once (its deadline has passed)
                queue.holding = DrawUntilChange(x, frames, settings, queue);
            }
        }
        // One flush a wake-up, and the connection read only when it has something:
        // after a write (Xlib may take in what the server sent while it writes, and
        // the connection no longer shows it) or when the wait says so.
        const bool queued = sent ? XPending(x.display) > 0 : XEventsQueued(x.display, QueuedAlready) > 0;
        const int64_t wakeAt = queued ? 0 : drawing ? queue.due - queue.lead : -1;
        readEvents = WaitForInput(ConnectionNumber(x.display), wakeAt) || queued;
    }
}
