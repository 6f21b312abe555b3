#include "x11/send_ahead.h"

#include <algorithm>

namespace {

constexpr int64_t kTicksPerMs = kTicksPerSecond / 1000;

// Frames whose time has come have left the server's queue (as far as the saver can tell).
void Forget(SendAhead& ahead, int64_t now)
{
    while (!ahead.inFlight.empty() && ahead.inFlight.front().due <= now) {
        ahead.bytesInFlight -= ahead.inFlight.front().bytes;
        ahead.inFlight.pop_front();
    }
}

}  // namespace

HandStep PlanFrame(SendAhead& ahead, int64_t now, int64_t due, int64_t bytes, bool canWait)
{
    Forget(ahead, now);
    if (due <= now) return {Hand::Now, 0};
    if (!ahead.serverKeepsTime || !canWait) return {Hand::Later, due};
    const SendAheadLimits& limits = ahead.limits;
    if (due - now > limits.horizon) return {Hand::Later, due - limits.lead};
    if (ahead.bytesInFlight + bytes <= limits.budget) return {Hand::BehindWait, 0};
    // Too much waits already: until what waits is down to what is due within the
    // lead (as on an ordinary wake-up), at least until the first of it is due; a
    // frame that alone is too much goes when it is due.
    if (ahead.inFlight.empty()) return {Hand::Later, due};
    return {Hand::Later, std::max(ahead.inFlight.front().due, due - limits.lead)};
}

void SentBehindWait(SendAhead& ahead, int64_t due, int64_t bytes)
{
    ahead.inFlight.push_back({due, bytes});
    ahead.bytesInFlight += bytes;
}

int64_t ServerClockAhead(int64_t counterMs, int64_t before) { return (counterMs + 1) * kTicksPerMs - before; }

int64_t ServerMillisecondFor(int64_t due, int64_t ahead)
{
    const int64_t serverTime = due + ahead;
    const int64_t whole = serverTime / kTicksPerMs;  // toward zero: up for a negative time
    return whole + static_cast<int64_t>(serverTime > 0 && whole * kTicksPerMs < serverTime);
}
