// Frames shown on the server's clock: the SYNC extension's SERVERTIME counter
// lets the requests that follow a wait sit in the server until a given
// millisecond, so that several frames go over in one write and the server shows
// each at its time while the saver sleeps.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

struct ServerClock {
    XID counter = 0;         // SERVERTIME, 0 without the extension: frames are sent when due
    int64_t offsetMs = 0;    // the counter less the monotonic clock, in milliseconds
    int64_t queueBytes = 0;  // what the connection takes without blocking the saver
};

// Finds the counter and reads it once beside the monotonic clock (a round trip,
// so call it while no wait is in the server), and widens the connection's send
// buffer for the frames sent ahead.
void OpenServerClock(Display* display, ServerClock& clock);

// The requests sent after this one wait in the server until the monotonic clock
// reaches when (nanoseconds), to the millisecond above.
void AwaitServerTime(Display* display, const ServerClock& clock, int64_t when);
