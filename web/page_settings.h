// The page's settings as they stand in its address: the eight settings of the
// settings table under their names, taken as the command-line programs take them
// (any 16-bit number, 0 or 1 for the switches), plus fps, clock and frames as
// `velmora` takes them. A value outside that, or not a whole number, leaves the
// default in place; the panel offers the dialog's ranges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/run/frames.h"
#include "core/settings/setting_table.h"

enum PageSetting {
    kBrightness,
    kQuality,
    kLifetime,
    kZoom,
    kIntensity,
    kNoRepeat,
    kLighting,
    kColor,
    kFps,
    kClock,   // start of a fixed clock; none: the calendar clock
    kFrames,  // frames drawn before the last one stays; none: no limit
    kPageSettingCount
};

// A setting's name, what a value may be, what the panel offers, and the default
// (kNone for clock and frames).
struct PageSettingRule {
    const char* name;
    int64_t low;
    int64_t high;
    int64_t panelLow;
    int64_t panelHigh;
    int64_t fallback;
};

constexpr int64_t kNone = -1;

const PageSettingRule& RuleOf(int setting);

struct PageSettings {
    int64_t values[kPageSettingCount];
};

PageSettings DefaultPageSettings();

enum class SetResult { Taken, UnknownName, BadValue };

// Sets one setting from its text in the address. When it is refused, message
// says why in one line and what stays in place.
SetResult SetFromAddress(PageSettings& settings, std::string_view name, std::string_view text, std::string& message);

// The part of the address after '?' that holds the settings differing from the defaults.
std::string AddressQuery(const PageSettings& settings);

// What the run takes from them. The settings table's HeldForRunNotes say which
// of the eight a run draws differently.
SaverSettings SaverSettingsOf(const PageSettings& settings);
RunClock RunClockOf(const PageSettings& settings);
