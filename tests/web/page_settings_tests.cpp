// The page's address rules, natively: the eight settings taken as the command line
// takes them, the run's own ranges said in notes, fps, clock and frames as velmora
// takes them, and the address written back.
#include <gtest/gtest.h>

#include <string>

#include "web/page_settings.h"

TEST(PageSettingsTest, ValuesAreTakenAsTheCommandLineTakesThem)
{
    struct Case { const char* name; std::string text; SetResult result; int64_t value; };
    const Case cases[] = {
        {"quality", "5", SetResult::Taken, 5}, {"brightness", "400", SetResult::Taken, 400},  // past the dialog's
        {"zoom", "-32768", SetResult::Taken, -32768}, {"zoom", "32767", SetResult::Taken, 32767},
        {"zoom", "32768", SetResult::BadValue, 80}, {"lifetime", "+5", SetResult::BadValue, 300},
        {"lifetime", " 5", SetResult::BadValue, 300}, {"color", "2", SetResult::BadValue, 0},
        {"lighting", "0", SetResult::Taken, 0}, {"intensity", "1e3", SetResult::BadValue, 5},
        {"no-repeat", "", SetResult::BadValue, 5}, {"fps", "0", SetResult::BadValue, 60},
        {"fps", "1000", SetResult::Taken, 1000}, {"clock", "4611686018427387903", SetResult::Taken, INT64_MAX / 2},
        {"clock", "-1", SetResult::BadValue, kNone}, {"clock", "", SetResult::Taken, kNone},
        {"frames", "99999999999999999999", SetResult::BadValue, kNone}, {"Quality", "40", SetResult::UnknownName, 0},
        {"zoom", std::string(100000, '9'), SetResult::BadValue, 80},
    };
    for (const Case& c : cases) {
        PageSettings settings = DefaultPageSettings();
        std::string message;
        EXPECT_EQ(SetFromAddress(settings, c.name, c.text, message), c.result) << c.name << '=' << c.text.substr(0, 40);
        EXPECT_EQ(message.empty(), c.result == SetResult::Taken) << message;
        EXPECT_LT(message.size(), 200u) << "one short line";
        int found = 0;
        while (found < kPageSettingCount && RuleOf(found).name != std::string(c.name)) ++found;
        if (found < kPageSettingCount) {
            EXPECT_EQ(settings.values[found], c.value) << c.name << '=' << c.text.substr(0, 40);
        }
    }
}

// What the page draws is what velmora-render draws for the same values: the run
// holds zoom, intensity and no-repeat, and a note says so for each value changed.
TEST(PageSettingsTest, TheRunHoldsValuesAndSaysWhichItChanged)
{
    struct Case { const char* query; int16_t zoom, intensity, noRepeat; size_t notes; };
    const Case cases[] = {
        {"", 80, 5, 5, 0},
        {"brightness=400&quality=5&lifetime=-3", 80, 5, 5, 0},
        {"zoom=150&intensity=0&no-repeat=-1", 100, 1, 0, 3},
        {"zoom=9&intensity=11&no-repeat=21", 10, 10, 20, 3},
        {"zoom=10&intensity=10&no-repeat=20", 10, 10, 20, 0},
    };
    for (const Case& c : cases) {
        PageSettings settings = DefaultPageSettings();
        std::string query = c.query, message;
        while (!query.empty()) {
            const std::string pair = query.substr(0, query.find('&'));
            query.erase(0, pair.size() + 1);
            const size_t equals = pair.find('=');
            ASSERT_EQ(SetFromAddress(settings, pair.substr(0, equals), pair.substr(equals + 1), message), SetResult::Taken);
        }
        EXPECT_EQ(AddressQuery(settings), c.query) << "the address holds the values as given";
        const RunSettings held = HoldForRun(SaverSettingsOf(settings));
        EXPECT_EQ(held.Zoom, c.zoom) << c.query;
        EXPECT_EQ(held.IntensityDeformation, c.intensity) << c.query;
        EXPECT_EQ(held.CountNotReplay, c.noRepeat) << c.query;
        const auto notes = HeldForRunNotes(SaverSettingsOf(settings));
        EXPECT_EQ(notes.size(), c.notes) << c.query;
    }
    SaverSettings given = kDefaultSettings;
    given.Zoom.value = 150;
    EXPECT_EQ(HeldForRunNotes(given).at(0), "zoom 150 is drawn as 100 (a run takes 10 to 100)");
}
