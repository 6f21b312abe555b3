// The dialog's arrow-step rule: one step within min..max, compared in 32 bits.
#include <gtest/gtest.h>

#include "core/settings/settings.h"

constexpr StepDirection L = StepDirection::Left, R = StepDirection::Right;
static BoundedSetting With(BoundedSetting setting, int16_t value) { return setting.value = value, setting; }
struct StepCase { BoundedSetting setting; StepDirection direction; int times; int16_t expected; };

// From the defaults both ends are reached exactly and then held; a value off the
// grid keeps its offset; one outside the range (loading does not clamp) steps only
// towards it. At the 16-bit limits max - step and min + step must not wrap.
TEST(SteppingTest, StepsStayWithinTheRange)
{
    const SaverSettings& d = kDefaultSettings;
    const BoundedSetting offGrid = With(d.Quality, 42), top = {32767, -32768, 32767, 10}, bottom = With(top, -32768);
    const StepCase cases[] = {
        {d.Quality, R, 51, 295}, {d.Quality, R, 52, 300}, {d.Quality, R, 53, 300}, {d.Quality, L, 6, 10},
        {d.Quality, L, 7, 10}, {d.LifeTimeOneFig, R, 25, 800}, {d.LifeTimeOneFig, L, 10, 100},
        {d.Brightness, L, 24, 10}, {d.IntensityDeformation, R, 5, 10}, {d.CountNotReplay, L, 4, 1},
        {d.CountNotReplay, L, 5, 0}, {d.CountNotReplay, L, 6, 0}, {d.CountNotReplay, R, 15, 20},
        {d.CountNotReplay, R, 16, 20}, {offGrid, R, 51, 297}, {offGrid, R, 60, 297}, {offGrid, L, 6, 12},
        {offGrid, L, 60, 12}, {With(d.Zoom, 100), R, 1, 100}, {With(d.Zoom, 10), L, 1, 10},
        {With(d.Zoom, 500), R, 1, 500}, {With(d.Zoom, 500), L, 1, 490}, {With(d.Zoom, -5), L, 1, -5},
        {With(d.Zoom, -5), R, 1, 5}, {top, R, 1, 32767}, {top, L, 1, 32757}, {bottom, L, 1, -32768},
        {bottom, R, 1, -32758},
        // A step as wide as the range: in 16 bits value + step would wrap.
        {{1, -32768, 32767, 32767}, R, 1, 1}, {{0, -32768, 32767, 32767}, R, 1, 32767},
        {{-2, -32768, 32767, 32767}, L, 1, -2}, {{-1, -32768, 32767, 32767}, L, 1, -32768},
    };
    for (const StepCase& c : cases) {
        BoundedSetting setting = c.setting;
        for (int i = 0; i < c.times; ++i) setting.value = SteppedValue(setting, c.direction);
        EXPECT_EQ(setting.value, c.expected) << "case " << &c - cases;
    }
}
