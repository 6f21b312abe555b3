// Holding the frame rate to the display's refresh rate. Where the flip waits for
// the display (real Windows) the loop must not wait again: a sleep rounded up to
// the timer's tick would miss the next refresh and show a frame twice as long.
// Where the flip returns at once (Wine) the loop would otherwise draw as fast as
// the processor allows.
#pragma once

#include <cstdint>

constexpr int kDefaultRefreshHz = 60;

// The reported refresh rate when it is plausible; 0 and 1 mean "the hardware's
// default" on Windows, so those and anything outside 20..500 Hz count as unknown.
int RefreshRateOrDefault(int reportedHz);

// Times are in ticks of a monotonic clock with ticksPerSecond ticks a second.
struct FramePacer {
    int64_t period;     // ticks per frame
    int64_t deadline;   // when the last frame was due
    int64_t lastShown;  // when the previous frame was on the screen
};

void StartPacing(FramePacer& pacer, int refreshHz, int64_t ticksPerSecond, int64_t now);

// Called once a frame has been shown: the ticks to wait before the next one.
// Deadlines follow each other a period apart, so a coarse sleep that overshoots is
// made up by the next frame; a loop more than a period behind starts afresh
// instead of rushing frames out to catch up.
int64_t TicksToWait(FramePacer& pacer, int64_t now);

// Called when the flip has returned: the ticks to sleep before the next frame.
// A flip that returned within three quarters of a period of the previous frame
// did not wait for the display, and the frame is held to its deadline; one that
// took longer did wait, so nothing more is waited and the deadlines start from
// now. Call FrameShown once the wait is over.
int64_t TicksToWaitAfterFlip(FramePacer& pacer, int64_t now);
void FrameShown(FramePacer& pacer, int64_t now);

// Pacing at a period of its own (a frame rate chosen by the user rather than a
// display's refresh rate); a period below one tick counts as one.
void StartPacingPeriod(FramePacer& pacer, int64_t periodTicks, int64_t now);
