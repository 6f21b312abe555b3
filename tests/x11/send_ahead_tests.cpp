// The schedule of frames handed to the X server ahead of their time, played
// against a simulated clock and server: no frame shown before it is due or
// later than the loop's oversleep after, what waits in the connection within
// the horizon and the byte budget, and the wake-ups it saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "x11/send_ahead.h"

namespace {

constexpr int64_t kMs = kTicksPerSecond / 1000;
constexpr int64_t kPeriod = kTicksPerSecond / 60;

TEST(SendAhead, FramesAreShownOnTimeWithinTheLimits)
{
    const struct {
        const char* name;
        bool keepsTime, canWait;
        int64_t bytes, budget, oversleep;
        int64_t early;  // every other wake-up comes this much early (an event)
        int minWakes, maxWakes;  // in a second of 60 frames
    } rows[] = {
        {"sent ahead", true, true, 4'000, 1 << 20, 0, 0, 7, 9},
        {"sent ahead, waking late", true, true, 4'000, 1 << 20, 3 * kMs, 0, 7, 10},
        {"sent ahead, events between", true, true, 4'000, 1 << 20, 0, 2 * kMs, 7, 20},
        {"no server clock", false, true, 4'000, 1 << 20, 0, 0, 60, 60},
        {"no server clock, events between", false, true, 4'000, 1 << 20, 0, kMs / 2, 60, 120},
        {"through the image", true, false, 0, 1 << 20, 0, 0, 60, 60},
        {"six frames fill the connection", true, true, 4'000, 24'000, 0, 0, 15, 18},
        {"a frame too large to wait", true, true, 20'000, 12'000, 1 * kMs, 0, 60, 60},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SendAhead ahead;
        ahead.serverKeepsTime = row.keepsTime;
        ahead.limits.budget = row.budget;
        const int64_t start = 5 * kTicksPerSecond + 123;
        int64_t now = start;
        int wakes = 0;
        std::vector<std::pair<int64_t, int64_t>> waiting;  // in the server: due, bytes
        for (int64_t frame = 0, due = start; frame < 60; ++wakes) {
            for (bool sentWhenDue = false; frame < 60; ++frame, due += kPeriod) {
                const HandStep step = PlanFrame(ahead, now, due, row.bytes, row.canWait);
                if (step.hand == Hand::Later) {
                    ASSERT_GT(step.wakeAt, now) << "frame " << frame;
                    ASSERT_LE(step.wakeAt, due) << "frame " << frame;
                    now = std::max(now, step.wakeAt + (wakes % 2 == 1 ? -row.early : row.oversleep));
                    break;
                }
                if (sentWhenDue) break;  // one frame at once a wake-up, as the loop does
                if (step.hand == Hand::Now) {
                    ASSERT_GE(now, due) << "frame " << frame << " shown early";
                    ASSERT_LE(now, due + row.oversleep) << "frame " << frame << " shown late";
                    sentWhenDue = true;
                } else {
                    ASSERT_TRUE(row.keepsTime && row.canWait) << "frame " << frame;
                    ASSERT_LE(due - now, ahead.limits.horizon) << "frame " << frame;
                    SentBehindWait(ahead, due, row.bytes);
                    std::erase_if(waiting, [&](const auto& sent) { return sent.first <= now; });
                    waiting.push_back({due, row.bytes});
                    int64_t bytes = 0;
                    for (const auto& sent : waiting) bytes += sent.second;
                    ASSERT_LE(bytes, row.budget) << "frame " << frame;
                }
            }
        }
        EXPECT_GE(wakes, row.minWakes);
        EXPECT_LE(wakes, row.maxWakes);
    }
}

// The server's clock leads ours by delta (SERVERTIME counts its whole
// milliseconds); read between before and after, it puts a frame's wait at a
// millisecond the server reaches at or after the frame is due, and within about
// a millisecond and the read's time of it.
TEST(SendAhead, TheServersWaitNeverEndsBeforeAFrameIsDue)
{
    const int64_t deltas[] = {0, 1, 300'000, kMs - 1, kMs, -700'001, 123'456'789, -5 * kMs};
    const int64_t reads[] = {0, 1, 20'000, 999'999};  // ns between before and the server's reading
    const int64_t dues[] = {0, 1, kMs - 1, kMs, kMs + 1, 16'666'667, 33'333'333};
    for (const int64_t delta : deltas)
        for (const int64_t read : reads)
            for (const int64_t due : dues) {
                const int64_t before = 10 * kTicksPerSecond + 250'000;
                const int64_t counter = (before + read + delta) / kMs;
                const int64_t wait = ServerMillisecondFor(before + due, ServerClockAhead(counter, before));
                const int64_t shownAt = wait * kMs - delta;  // our clock when the server's reaches the wait
                EXPECT_GE(shownAt, before + due) << delta << " " << read << " " << due;
                EXPECT_LT(shownAt, before + due + 2 * kMs + read) << delta << " " << read << " " << due;
            }
}

}  // namespace
