// The saver shell's portable rules: what ends a run, what the command line asks
// for, which monitors are covered, and when drawing pauses.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "windows/rules/start_mode.h"
#include "windows/rules/exit_triggers.h"
#include "windows/rules/display_power.h"
#include "windows/rules/monitors.h"

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
        ExitTriggers triggers;
        for (const auto& [x, y] : c.first)
            NoteMouseMove(triggers, static_cast<uint16_t>(x) | static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
        EXPECT_EQ(triggers.saverRunning, c.second) << "case " << &c - cases;
    }
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

// Only words after the switch count, each whole and in range; the rest is ignored.
TEST(DispatchTest, RunRequestTakesAFixedClockAndAFrameLimit)
{
    struct Case { const char* arguments; bool fixed; int64_t start, limit; };
    const Case cases[] = {
        {nullptr, false, 0, -1},
        {"/s", false, 0, -1},
        {"/s /clock:1700000000 /frames:60", true, 1700000000, 60},
        {"/s  /frames:1   /clock:0 ", true, 0, 1},
        {"/clock:5", false, 0, -1},  // the switch itself
        {"/s /clock:4611686018427387903", true, INT64_MAX / 2, -1},
        {"/s /clock:4611686018427387904 /clock:-1 /clock:12x /clock: /clock:99999999999999999999", false, 0, -1},
        {"/s /frames:0 /frames:-3 /frames:1.5 /FRAMES:7 clock:9", false, 0, -1},
    };
    for (const Case& c : cases) {
        const RunRequest request = RunRequestFor(c.arguments);
        EXPECT_EQ(request.fixedClock, c.fixed) << &c - cases;
        EXPECT_EQ(request.clockStart, c.start) << &c - cases;
        EXPECT_EQ(request.frameLimit, c.limit) << &c - cases;
    }
}

TEST(MonitorTest, EveryMonitorButThePrimaryIsCovered)
{
    const ScreenRect primary = {0, 0, 1920, 1080};
    const ScreenRect left = {-1280, 0, 0, 1024}, right = {1920, 0, 3200, 1024}, above = {0, -900, 1600, 0};
    const ScreenRect farRight = {3200, -200, 4000, 400}, tall = {-1080, -840, 0, 1080};
    struct Case { const char* name; std::vector<ScreenRect> monitors, cover; };
    const Case cases[] = {
        {"one monitor only", {primary}, {}},
        {"left, right and above", {left, primary, right, above}, {left, right, above}},
        {"mixed sizes, negative coordinates", {tall, primary, farRight, right}, {tall, farRight, right}},
        {"a mirror of the primary", {primary, primary, {100, 100, 900, 700}}, {}},
        {"an empty area", {primary, {1920, 0, 1920, 1080}, right}, {right}},
    };
    for (const Case& c : cases) EXPECT_EQ(MonitorsToCover(c.monitors, primary), c.cover) << c.name;
}

TEST(DisplayPowerTest, DrawingPausesOnlyWhileTheDisplayIsOff)
{
    struct Case { const char* name; std::vector<uint32_t> states; bool draws; };
    const Case cases[] = {{"no notification", {}, true}, {"off", {0}, false}, {"off, then on", {0, 1}, true},
        {"dimmed", {2}, true}, {"off, then dimmed", {0, 2}, true}, {"on, then off", {1, 0}, false}, {"unknown", {0, 7}, true}};
    for (const Case& c : cases) {
        DisplayPower power;
        for (uint32_t state : c.states) NoteDisplayState(power, state);
        EXPECT_EQ(ShouldDraw(power), c.draws) << c.name;
    }
}
