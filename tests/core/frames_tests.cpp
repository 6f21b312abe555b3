// The frames every driver draws through: the frame limit, the lit pixels of the
// frame shown before and the rows a frame changes, the pacing of frames (for
// drivers that wait and for those woken by the display), and the flip pacing of
// the Windows saver.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/run/frame_pacing.h"
#include "core/run/frames.h"

// Each frame's previousLit is the frame before's lit list; the changed rows hold
// both; the limit ends the run with the frame marked last; a new layout starts
// from a black frame.
TEST(FramesTest, EachFrameSaysWhatToBlackOutAndWhichRowsChanged)
{
    SaverFrames frames;
    SetUpFrames(frames, kDefaultSettings, {true, 1'700'000'000, 60, 0}, 40);
    ASSERT_TRUE(LayOutFrames(frames, {160, 120, 32}));
    std::vector<int32_t> before;
    int drawn = 0;
    while (FramesLeft(frames)) {
        if (drawn == 20) {
            ASSERT_TRUE(LayOutFrames(frames, {97, 61, 16}));
            before.clear();
        }
        const DrawnFrame frame = DrawNextFrame(frames);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), frame.previousLit.begin(), frame.previousLit.end()))
            << "frame " << drawn;
        EXPECT_EQ(frame.last, drawn == 39);
        if (!frame.unchanged) {
            int32_t low = frame.width * frame.height, high = -1;
            for (const auto* list : {&frame.lit, &frame.previousLit})
                for (const int32_t i : *list) low = std::min(low, i), high = std::max(high, i);
            EXPECT_EQ(frame.changedRows.first, low / frame.width) << "frame " << drawn;
            EXPECT_EQ(frame.changedRows.first + frame.changedRows.count - 1, high / frame.width) << "frame " << drawn;
        }
        before.assign(frame.lit.begin(), frame.lit.end());
        FinishFrame(frames);
        ++drawn;
    }
    EXPECT_EQ(drawn, 40);
    EXPECT_EQ(FramesDrawn(frames), 40);
}

// A period of 1,000 ticks from 0. A driver woken by the display draws when the next
// frame is due, a quarter period early at most; one more than a period behind
// starts afresh (and draws at once); a driver that waits sleeps until NextFrameDue.
TEST(FramesTest, FramesArePacedAPeriodApart)
{
    SaverFrames frames;
    StartFramePacing(frames, 1'000, 0);
    struct Step { int64_t now; bool due; int64_t next; };  // next: NextFrameDue when drawn
    const Step steps[] = {
        {0, true, 1'000},     {700, false, 0},      {750, true, 2'000},    {1'500, false, 0},
        {1'760, true, 3'000}, {3'000, true, 4'000}, {5'100, true, 5'100},  {5'200, true, 6'000},
        {5'749, false, 0},    {5'750, true, 7'000}, {12'000, true, 12'000}, {12'001, true, 13'000},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(FrameDue(frames, step.now), step.due) << "at " << step.now;
        if (step.due) {
            EXPECT_EQ(NextFrameDue(frames, step.now), step.next) << "at " << step.now;
        }
    }
}

// A fake clock at 60 Hz with 600,000 ticks a second: 10,000 ticks a frame. Each
// step is (ticks the flip took, ticks the loop then waits). A flip that waits for
// the display is never followed by a sleep, whatever the deadline says; one that
// returns at once is held to deadlines a period apart.
TEST(FramePacingTest, OnlyAFlipThatDidNotWaitIsFollowedByASleep)
{
    const std::pair<int, int> rates[] = {{0, 60}, {1, 60}, {-75, 60}, {19, 60}, {20, 20}, {500, 500}, {501, 60}};
    for (const auto& [reported, used] : rates) EXPECT_EQ(RefreshRateOrDefault(reported), used) << reported;

    struct Case { const char* name; std::vector<std::pair<int64_t, int64_t>> flipAndWait; };
    const Case cases[] = {
        {"flip returns at once", {{3'000, 7'000}, {3'000, 7'000}, {0, 10'000}}},
        {"flip waits for the display", {{10'000, 0}, {9'500, 0}, {20'000, 0}, {7'500, 0}}},
        {"three quarters of a period is a wait", {{7'499, 2'501}, {7'500, 0}, {7'499, 2'501}}},
        {"waiting flips, then Wine's", {{10'000, 0}, {2'000, 8'000}, {1'000, 9'000}}},
    };
    for (const Case& c : cases) {
        FramePacer pacer;
        int64_t now = 1'000;
        StartPacing(pacer, 0, 600'000, now);
        for (const auto& [flip, wait] : c.flipAndWait) {
            now += flip;
            EXPECT_EQ(TicksToWaitAfterFlip(pacer, now), wait) << c.name << ", flip of " << flip;
            now += wait;
            FrameShown(pacer, now);
        }
    }
    // 50 Hz at 1,000 ticks a second: an oversleep is made up by the next frame;
    // exactly one period behind keeps the deadlines (120), more starts afresh (190).
    FramePacer pacer;
    StartPacing(pacer, 50, 1'000, 0);
    const std::pair<int64_t, int64_t> steps[] = {{5, 15}, {32, 8}, {40, 20}, {80, 0}, {120, 0}, {121, 0}, {190, 0}, {191, 19}};
    for (const auto& [now, wait] : steps) EXPECT_EQ(TicksToWait(pacer, now), wait) << "at " << now;
}

