// The saver shell's portable rules: what ends a run, what the command line asks
// for, and how frames are held to the display's refresh rate.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/dispatch.h"
#include "app/exit_triggers.h"
#include "display/frame_pacing.h"

using Moves = std::vector<std::pair<int, int>>;

// Each move is compared with the message before it, never with where the pointer
// started; the first only records where it is. Coordinates are signed 16-bit.
TEST(MovementTest, MoreThanTwoPixelsSinceThePreviousMoveStopsTheSaver)
{
    Moves drift = {{0, 0}};  // 2 px at a time, 400 px in all
    for (int i = 1; i <= 200; ++i) drift.emplace_back(2 * i, -2 * i);
    const std::pair<Moves, int> cases[] = {
        {{{900, 700}}, 1}, {{{900, 700}, {900, 700}}, 1}, {{{500, 500}, {502, 502}, {500, 500}}, 1},
        {{{500, 500}, {500, 503}}, 0}, {{{500, 500}, {497, 500}}, 0}, {drift, 1}, {{{1, -1}, {-1, 1}}, 1},
        {{{-1, 1}, {-4, 1}}, 0}, {{{32767, 0}, {-32768, 0}}, 0}, {{{10, 10}, {20, 10}, {20, 10}}, 0},
    };
    for (const auto& c : cases) {
        saverRunning = 1;
        mouseMoveCount = 0;
        lastMouseX = lastMouseY = 0;
        for (const auto& [x, y] : c.first) NoteMouseMove(static_cast<uint16_t>(x) | static_cast<uint32_t>(y) << 16);
        EXPECT_EQ(saverRunning, c.second) << "case " << &c - cases;
    }
    saverRunning = 1;
}

TEST(DispatchTest, OnlyTheSecondCharacterAndEmptinessCount)
{
    const std::pair<const char*, StartMode> cases[] = {
        {"", StartMode::Settings},          {nullptr, StartMode::Settings},  {"/c", StartMode::Settings},
        {"/c:1234", StartMode::Settings},   {"-C", StartMode::Settings},     {"xc", StartMode::Settings},
        {"/s", StartMode::Saver},           {"/S", StartMode::Saver},        {"-s", StartMode::Saver},
        {"/saver", StartMode::Saver},       {"/p 1234", StartMode::Nothing}, {"/a 99", StartMode::Nothing},
        {"/", StartMode::Nothing},          {"s", StartMode::Nothing},       {" /s", StartMode::Nothing},
    };
    for (const auto& [arguments, expected] : cases)
        EXPECT_EQ(StartModeFor(arguments), expected) << (arguments ? arguments : "(null)");
}

// Deadlines follow each other a period apart, so an oversleep is made up by the
// next frame; a loop far behind starts afresh instead of rushing frames out.
TEST(FramePacingTest, FramesAreHeldOnePeriodApart)
{
    const std::pair<int, int> rates[] = {{0, 60}, {1, 60}, {-75, 60}, {19, 60}, {20, 20}, {500, 500}, {501, 60}};
    for (const auto& [reported, used] : rates) EXPECT_EQ(RefreshRateOrDefault(reported), used) << reported;

    struct Case { int hz; int64_t ticksPerSecond, start; std::vector<std::pair<int64_t, int64_t>> nowAndWait; };
    const Case cases[] = {
        {0, 600'000, 1'000, {{4'000, 7'000}, {21'000, 0}, {22'000, 9'000}}},  // 60 Hz: 10,000 ticks a frame
        {50, 1'000, 0, {{5, 15}, {32, 8}, {40, 20}}},                          // woke at 27 instead of 20
        {60, 600'000, 0, {{100'000, 0}, {101'000, 9'000}}},                    // a long stall
    };
    for (const Case& c : cases) {
        FramePacer pacer;
        StartPacing(pacer, c.hz, c.ticksPerSecond, c.start);
        for (const auto& [now, wait] : c.nowAndWait) EXPECT_EQ(TicksToWait(pacer, now), wait) << c.hz << " Hz, " << now;
    }
}
