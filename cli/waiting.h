// What the Linux savers' frame loops wait on: their display connection, the next
// frame's deadline on the monotonic clock, and the signals that end them.
#pragma once

#include <cstdint>

struct pollfd;

constexpr int64_t kTicksPerSecond = 1'000'000'000;  // the monotonic clock counts nanoseconds

int64_t MonotonicNow();

// Blocks SIGTERM, SIGINT and SIGHUP outside WaitForInput, so that one of them ends
// the loop at its next wait (within a frame) instead of the process at once.
void CatchEndingSignals();
bool EndingSignalCaught();

// Waits until fd has something to read, the deadline has come (-1: none; one in the
// past: no wait at all), or an ending signal arrives; true when fd can be read (or
// has failed). Lets the ending signals in every time, if only for an instant: a
// loop behind its deadlines never waits and must still end on a signal.
bool WaitForInput(int fd, int64_t deadline);
// The same for several descriptors (each pollfd's events asked, revents set).
bool WaitForInputs(pollfd* fds, int count, int64_t deadline);
