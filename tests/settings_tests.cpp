#include "core_fixture.h"

// Stepping from a default must land exactly on both ends of the range.
TEST(SettingsTest, DefaultsAndTheirStepGrids)
{
    const SaverSettings& s = kDefaultSettings;
    const BoundedSetting all[] = {s.Brightness, s.Quality, s.LifeTimeOneFig, s.Zoom, s.IntensityDeformation, s.CountNotReplay};
    const int defaults[] = {250, 40, 300, 80, 5, 5};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(all[i].value, defaults[i]);
        EXPECT_EQ((all[i].value - all[i].min) % all[i].step, 0) << i;
        EXPECT_EQ((all[i].max - all[i].min) % all[i].step, 0) << i;
    }
    EXPECT_EQ(s.CountNotReplay.min, 0);
    EXPECT_EQ(s.Res, 0);
    EXPECT_EQ(s.on3D, 1);
    EXPECT_EQ(s.onColor, 0);
}
