// Frames handed to the X server ahead of their time. Where the server keeps time
// for them (the SYNC extension's SERVERTIME counter, over a local connection),
// each frame sent as points follows a wait in the server until it is due, so
// that the saver wakes once for several frames. This is the schedule alone, no
// Xlib call: times are monotonic nanoseconds, handed in.
//
// What is handed over ahead stays in the connection until its time, so it is
// bounded twice: by a horizon (whatever the loop sends next, a new size or a
// repaint, waits behind it no longer) and by the bytes the connection holds
// without blocking the saver, which must never wait for the server, least of
// all when it is ending.
#pragma once

#include <cstdint>
#include <deque>

#include "cli/waiting.h"

struct SendAheadLimits {
    int64_t lead;     // the loop wakes this long before a frame is due
    int64_t horizon;  // and hands over the frames due within this of now
    int64_t budget;   // bytes that may wait in the connection at once
};

// At 60 frames a second: woken two frames' time early, ten frames at a time.
constexpr int64_t kSendAheadLead = kTicksPerSecond / 30;
constexpr int64_t kSendAheadHorizon = kTicksPerSecond / 6;

struct SendAhead {
    bool serverKeepsTime = false;  // else every frame is sent when it is due
    SendAheadLimits limits = {kSendAheadLead, kSendAheadHorizon, 0};
    struct Waiting {
        int64_t due;
        int64_t bytes;
    };
    std::deque<Waiting> inFlight;  // sent behind a wait whose time has not come, oldest first
    int64_t bytesInFlight = 0;
};

enum class Hand {
    Now,         // send it at once: it is due
    BehindWait,  // send it at once behind a wait in the server until it is due
    Later,       // nothing now; ask again at wakeAt
};

struct HandStep {
    Hand hand;
    int64_t wakeAt;  // Later only
};

// What to do with the next frame, due at due, costing bytes; canWait says whether
// it may wait in the server (frames through the shared image may not: the image
// must not be written until the server has read it).
HandStep PlanFrame(SendAhead& ahead, int64_t now, int64_t due, int64_t bytes, bool canWait);
// The frame PlanFrame said BehindWait for has been sent.
void SentBehindWait(SendAhead& ahead, int64_t due, int64_t bytes);

// The server's clock against the monotonic one. A reading of SERVERTIME (whole
// milliseconds, truncated) taken at or after before says how far the server's
// clock is ahead of ours at most; a frame waits in the server until the first
// millisecond at which, by that bound, it is due: never earlier.
int64_t ServerClockAhead(int64_t counterMs, int64_t before);
int64_t ServerMillisecondFor(int64_t due, int64_t ahead);
