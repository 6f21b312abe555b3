// The registry rules of the settings, against the in-memory registry of fake_registry.h.
#include <gtest/gtest.h>

#include "fake_registry.h"

using namespace std::string_literals;
using Texts = std::vector<std::pair<std::string, std::string>>;
using Loaded = std::vector<int>;  // the nine fields in reading order

class PersistenceTest : public ::testing::Test {
protected:
    FakeRegistry registry;
    SaverSettings settings = kDefaultSettings;
    void SetUp() override { fakeRegistry = &registry; }
    void TearDown() override { EXPECT_EQ(registry.openHandles, 0) << "every key opened is closed"; }
    Loaded Load()
    {
        SaverSettings s = kDefaultSettings;
        registry.opened.clear(), registry.read.clear(), registry.offered.clear();
        LoadSettings(kFakeRegistryAccess, s);
        return {s.LifeTimeOneFig.value, s.Zoom.value, s.Quality.value, s.Brightness.value, s.CountNotReplay.value,
                s.IntensityDeformation.value, s.Res, s.on3D, s.onColor};
    }
};

// The first six reads are offered 5 bytes; Res, on3D and onColor each the size the
// latest successful read of IntensityDeformation, Res or on3D reported.
TEST_F(PersistenceTest, ValuesAreReadInOrderWithTheSizesTheyAreOffered)
{
    const Texts dialog = {{"LifeTimeOneFig", "320"}, {"Zoom", "70"}, {"Quality", "45"}, {"Brightness", "240"},
                          {"CountNotReplay", "4"}, {"IntensityDeformation", "6"}, {"Res", "3"}, {"on3D", "0"},
                          {"onColor", "1"}};
    const struct { Texts texts; Loaded loaded; std::vector<uint32_t> offered{}; } cases[] = {
        {dialog, {320, 70, 45, 240, 4, 6, 3, 0, 1}, {5, 5, 5, 5, 5, 5, 2, 2, 2}},
        {{}, {300, 80, 40, 250, 5, 5, 0, 1, 0}, {5, 5, 5, 5, 5, 5, 5, 5, 5}},
        {{{"Zoom", "500"}, {"Brightness", "-20"}, {"CountNotReplay", "9999"}}, {300, 500, 40, -20, 9999, 5, 0, 1, 0}},
        {{{"Quality", "12345"}, {"Brightness", "120"}}, {300, 80, 40, 120, 5, 5, 0, 1, 0}},  // 6 bytes with the NUL
        {{{"IntensityDeformation", "5"}, {"Res", "12"}}, {300, 80, 40, 250, 5, 5, 0, 1, 0}},
        {{{"IntensityDeformation", "10"}, {"Res", "-1"}}, {300, 80, 40, 250, 5, 10, -1, 1, 0}},
        {{{"IntensityDeformation", "7"}, {"Res", "-1"}}, {300, 80, 40, 250, 5, 7, 0, 1, 0}},
        {{{"IntensityDeformation", "10"}, {"Res", "123"}, {"on3D", "0"}, {"onColor", "1"}},
         {300, 80, 40, 250, 5, 10, 0, 0, 1}, {5, 5, 5, 5, 5, 5, 3, 3, 2}},  // a failed read keeps the size
        {{{"Res", "8"}}, {300, 80, 40, 250, 5, 5, 8, 1, 0}, {5, 5, 5, 5, 5, 5, 5, 2, 2}},
        {{{"IntensityDeformation", "10"}, {"on3D", "2"}, {"onColor", "-1"}}, {300, 80, 40, 250, 5, 10, 0, 1, 0}},
        {{{"IntensityDeformation", "10"}, {"on3D", "x"}, {"onColor", "2"}}, {300, 80, 40, 250, 5, 10, 0, 0, 1}},
        {{{"IntensityDeformation", "10"}, {"on3D", "-1"}}, {300, 80, 40, 250, 5, 10, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        registry.keys = {{kSettingsKey, {}}};
        for (const auto& [name, text] : c.texts) registry.Text(kSettingsKey, name, text);
        EXPECT_EQ(Load(), c.loaded) << "case " << &c - cases;
        if (!c.offered.empty()) { EXPECT_EQ(registry.offered, c.offered) << "case " << &c - cases; }
    }
    EXPECT_EQ(registry.read, kReadOrder);
}

// Data without a terminating NUL (a REG_SZ written without one, a DWORD) fills the
// buffer without ending the text; under the address sanitizer a read past it fails.
TEST_F(PersistenceTest, DataWithoutANulIsNeverReadPastTheBuffer)
{
    registry.keys[kSettingsKey] = {{"LifeTimeOneFig", "12345"}, {"Zoom", "77"}, {"Quality", "\x64\0\0\0"s},
                                   {"Brightness", "1234"}};
    EXPECT_EQ(Load(), (Loaded{12345, 77, 0, 1234, 5, 5, 0, 1, 0}));

    const std::pair<std::string, int> texts[] = {{"300", 300}, {"-1", -1}, {"  +42x", 42}, {"\t\n7", 7}, {"abc", 0},
                                                 {"-", 0}, {"", 0}, {"99999999999", 1215752191}};  // the low 32 bits
    for (const auto& [text, number] : texts) EXPECT_EQ(DecimalValue(text.c_str(), int(text.size()) + 1), number);
    const std::vector<char> block(5, '9');  // digits up to the very end of a heap block
    EXPECT_EQ(DecimalValue(block.data(), 5), 99999);
}

TEST_F(PersistenceTest, TheFallbackKeyIsReadOnlyWhenTheSettingsKeyCannotBeOpened)
{
    EXPECT_EQ(Load(), (Loaded{300, 80, 40, 250, 5, 5, 0, 1, 0}));
    EXPECT_EQ(registry.opened, (std::vector<std::string>{kSettingsKey, kFallbackKey}));
    EXPECT_TRUE(registry.read.empty());

    registry.Text(kFallbackKey, "Zoom", "60");
    EXPECT_EQ(Load()[1], 60);
    registry.Text(kSettingsKey, "Quality", "55");  // both keys: the fallback is not consulted for Zoom
    EXPECT_EQ(Load(), (Loaded{300, 80, 55, 250, 5, 5, 0, 1, 0}));
    EXPECT_EQ(registry.opened, (std::vector<std::string>{kSettingsKey}));
}

TEST_F(PersistenceTest, SaveWritesTheNineTextsInOrderToTheSettingsKeyOnly)
{
    registry.createFails = true;
    SaveSettings(kFakeRegistryAccess, settings, 0, 1, 0);
    EXPECT_TRUE(registry.writes.empty() && registry.keys.empty()) << "a key that cannot be made gets nothing";

    registry.createFails = false;
    registry.Text(kFallbackKey, "Zoom", "60");
    SaveSettings(kFakeRegistryAccess, settings, -1, 1, 0);
    EXPECT_EQ(registry.createCalls, 2);
    EXPECT_EQ(registry.writes, (std::vector{"Zoom=80\0"s, "Quality=40\0"s, "LifeTimeOneFig=300\0"s, "Brightness=250\0"s,
                                            "CountNotReplay=5\0"s, "IntensityDeformation=5\0"s, "Res=-1\0"s,
                                            "on3D=1\0"s, "onColor=0\0"s}));
    EXPECT_EQ(registry.keys[kFallbackKey], (std::map<std::string, std::string>{{"Zoom", "60\0"s}}));
    settings.Zoom.value = -32768;  // the key exists now: opened, not created
    SaveSettings(kFakeRegistryAccess, settings, 4, 0, 1);
    EXPECT_EQ(registry.createCalls, 2);
    EXPECT_EQ(registry.writes[9], "Zoom=-32768\0"s);
    EXPECT_EQ(Load(), (Loaded{300, 80, 40, 250, 5, 5, 4, 0, 1})) << "seven bytes do not fit in five";
}
