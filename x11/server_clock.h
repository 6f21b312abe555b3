// Frames shown on the server's clock: the SYNC extension's SERVERTIME counter
// lets the requests that follow a wait sit in the server until a given
// millisecond, so that several frames go over in one write and the server shows
// each at its time while the saver sleeps (x11/send_ahead.h has the schedule).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

struct ServerClock {
    XID counter = 0;         // SERVERTIME; 0 when frames are sent when due
    int64_t ahead = 0;       // how far the server's clock is ahead of the monotonic one, at most
    int64_t queueBytes = 0;  // what the connection takes without blocking the saver
};

// Finds the counter over a local connection (a remote server's clock is another
// machine's, and a round trip's time unknown), reads it beside the monotonic
// clock (round trips, so call it while no wait is in the server), and widens the
// connection's send buffer for the frames sent ahead. VELMORA_NO_SYNC=1 in the
// environment makes it act as though the server had no SYNC extension.
void OpenServerClock(Display* display, ServerClock& clock);

// The requests sent after this one wait in the server until the monotonic clock
// has reached when (nanoseconds).
void AwaitServerTime(Display* display, const ServerClock& clock, int64_t when);
