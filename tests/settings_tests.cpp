#include "core_fixture.h"

TEST(SettingsTest, DefaultsAreTheFirstStartValues)
{
    const SaverSettings& s = kDefaultSettings;
    EXPECT_EQ(s.Brightness.value, 250);
    EXPECT_EQ(s.Quality.value, 40);
    EXPECT_EQ(s.LifeTimeOneFig.value, 300);
    EXPECT_EQ(s.Zoom.value, 80);
    EXPECT_EQ(s.IntensityDeformation.value, 5);
    EXPECT_EQ(s.CountNotReplay.value, 5);
    EXPECT_EQ(s.Res, 0);
    EXPECT_EQ(s.on3D, 1);
    EXPECT_EQ(s.onColor, 0);
    EXPECT_EQ(s.CountNotReplay.min, 0);
}

// Stepping from a default must land exactly on both ends of the range.
TEST(SettingsTest, EveryDefaultLiesOnItsStepGrid)
{
    const BoundedSetting all[] = {kDefaultSettings.Brightness,     kDefaultSettings.Quality,
                                  kDefaultSettings.LifeTimeOneFig, kDefaultSettings.Zoom,
                                  kDefaultSettings.IntensityDeformation, kDefaultSettings.CountNotReplay};
    for (const BoundedSetting& b : all) {
        EXPECT_EQ((b.value - b.min) % b.step, 0) << b.value;
        EXPECT_EQ((b.max - b.min) % b.step, 0) << b.max;
    }
}

TEST(SettingsTest, ClampHoldsStoredValuesToTheDialogRange)
{
    BoundedSetting zoom = kDefaultSettings.Zoom;
    zoom.value = 500;
    EXPECT_EQ(ClampToRange(zoom), 100);
    zoom.value = -3;
    EXPECT_EQ(ClampToRange(zoom), 10);
    zoom.value = 55;
    EXPECT_EQ(ClampToRange(zoom), 55);
}
