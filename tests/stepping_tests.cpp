// The dialog's arrow-step rule: one step within min..max, compared in 32 bits.
#include <gtest/gtest.h>

#include "settings/settings.h"

namespace {

int16_t StepTimes(BoundedSetting setting, StepDirection direction, int times)
{
    for (int i = 0; i < times; ++i) setting.value = SteppedValue(setting, direction);
    return setting.value;
}

BoundedSetting With(BoundedSetting setting, int16_t value)
{
    setting.value = value;
    return setting;
}

}  // namespace

TEST(SteppingTest, FromTheDefaultsBothEndsAreReachedExactly)
{
    const BoundedSetting quality = kDefaultSettings.Quality;
    EXPECT_EQ(StepTimes(quality, StepDirection::Right, 51), 295);
    EXPECT_EQ(StepTimes(quality, StepDirection::Right, 52), 300);
    EXPECT_EQ(StepTimes(quality, StepDirection::Right, 53), 300);
    EXPECT_EQ(StepTimes(quality, StepDirection::Left, 6), 10);
    EXPECT_EQ(StepTimes(quality, StepDirection::Left, 7), 10);

    const BoundedSetting lifeTime = kDefaultSettings.LifeTimeOneFig;
    EXPECT_EQ(StepTimes(lifeTime, StepDirection::Right, 100), 800);
    EXPECT_EQ(StepTimes(lifeTime, StepDirection::Left, 100), 100);
    EXPECT_EQ(StepTimes(kDefaultSettings.Brightness, StepDirection::Left, 100), 10);
    EXPECT_EQ(StepTimes(kDefaultSettings.IntensityDeformation, StepDirection::Right, 100), 10);
}

TEST(SteppingTest, CountNotReplayStepsDownToZeroAndUpToTwenty)
{
    const BoundedSetting count = kDefaultSettings.CountNotReplay;
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(StepTimes(count, StepDirection::Left, i), 5 - i);
    EXPECT_EQ(StepTimes(count, StepDirection::Left, 6), 0);
    EXPECT_EQ(StepTimes(count, StepDirection::Right, 15), 20);
    EXPECT_EQ(StepTimes(count, StepDirection::Right, 16), 20);
}

TEST(SteppingTest, ValueAtTheBoundStays)
{
    EXPECT_EQ(SteppedValue(With(kDefaultSettings.Zoom, 100), StepDirection::Right), 100);
    EXPECT_EQ(SteppedValue(With(kDefaultSettings.Zoom, 10), StepDirection::Left), 10);
}

// A hand-edited value off the grid keeps its offset and stops short of the bound.
TEST(SteppingTest, OffGridValueKeepsItsOffset)
{
    const BoundedSetting quality = With(kDefaultSettings.Quality, 42);
    EXPECT_EQ(StepTimes(quality, StepDirection::Right, 51), 297);
    EXPECT_EQ(StepTimes(quality, StepDirection::Right, 60), 297);
    EXPECT_EQ(StepTimes(quality, StepDirection::Left, 6), 12);
    EXPECT_EQ(StepTimes(quality, StepDirection::Left, 60), 12);
}

// Loading does not clamp, so the dialog can meet values outside min..max.
TEST(SteppingTest, ValueOutsideTheRangeStepsOnlyTowardsIt)
{
    const BoundedSetting zoom = With(kDefaultSettings.Zoom, 500);
    EXPECT_EQ(SteppedValue(zoom, StepDirection::Right), 500);
    EXPECT_EQ(SteppedValue(zoom, StepDirection::Left), 490);

    const BoundedSetting low = With(kDefaultSettings.Zoom, -5);
    EXPECT_EQ(SteppedValue(low, StepDirection::Left), -5);
    EXPECT_EQ(SteppedValue(low, StepDirection::Right), 5);
}

// max - step and min + step are formed in 32 bits: near the 16-bit limits they
// must neither wrap nor let the value wrap.
TEST(SteppingTest, SixteenBitExtremesNeitherWrapNorOverflow)
{
    const BoundedSetting top = {32767, -32768, 32767, 10};
    EXPECT_EQ(SteppedValue(top, StepDirection::Right), 32767);
    EXPECT_EQ(SteppedValue(top, StepDirection::Left), 32757);
    EXPECT_EQ(StepTimes({32750, 0, 32767, 5}, StepDirection::Right, 5), 32765);

    const BoundedSetting bottom = {-32768, -32768, 32767, 10};
    EXPECT_EQ(SteppedValue(bottom, StepDirection::Left), -32768);
    EXPECT_EQ(SteppedValue(bottom, StepDirection::Right), -32758);
    EXPECT_EQ(StepTimes({-32750, -32768, 0, 5}, StepDirection::Left, 5), -32765);

    // A step as wide as the range: in 16 bits max - step would wrap to a huge bound.
    EXPECT_EQ(SteppedValue({1, -32768, 32767, 32767}, StepDirection::Right), 1);
    EXPECT_EQ(SteppedValue({0, -32768, 32767, 32767}, StepDirection::Right), 32767);
    EXPECT_EQ(SteppedValue({-2, -32768, 32767, 32767}, StepDirection::Left), -2);
    EXPECT_EQ(SteppedValue({-1, -32768, 32767, 32767}, StepDirection::Left), -32768);
    EXPECT_EQ(SteppedValue({-1, -32768, 32767, 32767}, StepDirection::Right), 32766);
    EXPECT_EQ(SteppedValue({32767, -32768, 32767, 32767}, StepDirection::Left), 0);
}
