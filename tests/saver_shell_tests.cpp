// The saver shell's portable rules: what ends a run, what the command line asks
// for, and how frames are held to the display's refresh rate.
#include <gtest/gtest.h>

#include "app/dispatch.h"
#include "app/exit_triggers.h"
#include "display/frame_pacing.h"

namespace {

uint32_t Position(int x, int y)
{
    return static_cast<uint32_t>(static_cast<uint16_t>(x)) | static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16;
}

class MovementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saverRunning = 1;
        mouseMoveCount = 0;
        lastMouseX = 0;
        lastMouseY = 0;
    }
    void TearDown() override { saverRunning = 1; }
};

}  // namespace

TEST_F(MovementTest, TheFirstMoveOnlyRecordsWhereThePointerIs)
{
    NoteMouseMove(Position(900, 700));
    EXPECT_EQ(saverRunning, 1);
    EXPECT_EQ(lastMouseX, 900);
    EXPECT_EQ(lastMouseY, 700);
    NoteMouseMove(Position(900, 700));
    EXPECT_EQ(saverRunning, 1);
    EXPECT_EQ(mouseMoveCount, 2u);
}

TEST_F(MovementTest, TwoPixelsKeepItRunningThreeStopIt)
{
    NoteMouseMove(Position(500, 500));
    NoteMouseMove(Position(502, 502));
    NoteMouseMove(Position(500, 500));
    EXPECT_EQ(saverRunning, 1);
    NoteMouseMove(Position(500, 503));
    EXPECT_EQ(saverRunning, 0);

    SetUp();
    NoteMouseMove(Position(500, 500));
    NoteMouseMove(Position(497, 500));
    EXPECT_EQ(saverRunning, 0);
}

TEST_F(MovementTest, SmallStepsNeverAddUp)
{
    NoteMouseMove(Position(0, 0));
    for (int i = 1; i <= 200; ++i) NoteMouseMove(Position(2 * i, -2 * i));
    EXPECT_EQ(saverRunning, 1);
    EXPECT_EQ(lastMouseX, 400);
    EXPECT_EQ(lastMouseY, -400);
}

TEST_F(MovementTest, CoordinatesAreSignedAndComparedIn32Bits)
{
    NoteMouseMove(Position(1, -1));
    NoteMouseMove(Position(-1, 1));
    EXPECT_EQ(saverRunning, 1);
    EXPECT_EQ(lastMouseX, -1);
    NoteMouseMove(Position(-4, 1));
    EXPECT_EQ(saverRunning, 0);

    // From 32767 to -32768 is a jump of 65535, not a step of 1.
    SetUp();
    NoteMouseMove(Position(32767, 0));
    NoteMouseMove(Position(-32768, 0));
    EXPECT_EQ(saverRunning, 0);
}

TEST_F(MovementTest, AStoppedSaverIsNeverStartedAgain)
{
    NoteMouseMove(Position(10, 10));
    NoteMouseMove(Position(20, 10));
    NoteMouseMove(Position(20, 10));
    EXPECT_EQ(saverRunning, 0);
    EXPECT_EQ(lastMouseX, 20);
}

TEST(DispatchTest, OnlyTheSecondCharacterAndEmptinessCount)
{
    const std::pair<const char*, StartMode> cases[] = {
        {"", StartMode::Settings},          {nullptr, StartMode::Settings},  {"/c", StartMode::Settings},
        {"/c:1234", StartMode::Settings},   {"-C", StartMode::Settings},     {"xc", StartMode::Settings},
        {"/s", StartMode::Saver},           {"/S", StartMode::Saver},        {"-s", StartMode::Saver},
        {"/saver", StartMode::Saver},       {"/p 1234", StartMode::Nothing}, {"/a 99", StartMode::Nothing},
        {"/", StartMode::Nothing},          {"s", StartMode::Nothing},       {" /s", StartMode::Nothing},
        {"/x", StartMode::Nothing},
    };
    for (const auto& [arguments, expected] : cases)
        EXPECT_EQ(StartModeFor(arguments), expected) << (arguments ? arguments : "(null)");
}

TEST(FramePacingTest, UnknownRefreshRatesCountAs60Hz)
{
    EXPECT_EQ(RefreshRateOrDefault(0), 60);
    EXPECT_EQ(RefreshRateOrDefault(1), 60);
    EXPECT_EQ(RefreshRateOrDefault(-75), 60);
    EXPECT_EQ(RefreshRateOrDefault(100000), 60);
    EXPECT_EQ(RefreshRateOrDefault(75), 75);
    EXPECT_EQ(RefreshRateOrDefault(144), 144);
}

TEST(FramePacingTest, FramesAreHeldOnePeriodApart)
{
    FramePacer pacer;
    StartPacing(pacer, 0, 600'000, 1'000);  // 60 Hz: 10,000 ticks a frame
    EXPECT_EQ(pacer.period, 10'000);
    EXPECT_EQ(TicksToWait(pacer, 4'000), 7'000);   // drawing took 3,000 ticks
    EXPECT_EQ(TicksToWait(pacer, 21'000), 0);      // due at 21,000: no wait
    EXPECT_EQ(TicksToWait(pacer, 22'000), 9'000);  // next due at 31,000
}

TEST(FramePacingTest, AnOversleepIsMadeUpByTheNextFrame)
{
    FramePacer pacer;
    StartPacing(pacer, 50, 1'000, 0);  // 20 ticks a frame
    EXPECT_EQ(TicksToWait(pacer, 5), 15);
    EXPECT_EQ(TicksToWait(pacer, 32), 8) << "woke at 27 instead of 20; the next frame is still due at 40";
    // Over a long run the average rate is the refresh rate, whatever the sleeps do.
    int64_t now = 40;
    for (int frame = 0; frame < 1000; ++frame) now += TicksToWait(pacer, now + 3) + 3 + (frame % 3);
    EXPECT_NEAR(static_cast<double>(now), 40.0 + 1000 * 20, 40.0);
}

TEST(FramePacingTest, ALoopFarBehindStartsAfreshInsteadOfRushing)
{
    FramePacer pacer;
    StartPacing(pacer, 60, 600'000, 0);
    EXPECT_EQ(TicksToWait(pacer, 100'000), 0);       // a long stall
    EXPECT_EQ(TicksToWait(pacer, 101'000), 9'000);   // paced from the stall on
}
