#include "web/page_settings.h"

#include <charconv>
#include <cstdint>

#include "core/run/frame_pacing.h"

namespace {

static_assert(kBrightness == static_cast<int>(SettingId::Brightness) && kQuality == static_cast<int>(SettingId::Quality) &&
                  kLifetime == static_cast<int>(SettingId::LifeTimeOneFig) && kZoom == static_cast<int>(SettingId::Zoom) &&
                  kIntensity == static_cast<int>(SettingId::IntensityDeformation) &&
                  kNoRepeat == static_cast<int>(SettingId::CountNotReplay) &&
                  kLighting == static_cast<int>(SettingId::on3D) && kColor == static_cast<int>(SettingId::onColor),
              "the page's first eight settings are the settings table's, in its order");

PageSettingRule FromTable(SettingId id)
{
    const SettingEntry& e = EntryOf(id);
    return {e.option, e.low, e.high, e.dialogLow, e.dialogHigh, e.fallback};
}

// The eight from the settings table, in its order (the page settings' first eight);
// fps, clock and frames as velmora's --frame-rate, --clock and --frames.
const PageSettingRule kRules[kPageSettingCount] = {
    FromTable(SettingId::Brightness),
    FromTable(SettingId::Quality),
    FromTable(SettingId::LifeTimeOneFig),
    FromTable(SettingId::Zoom),
    FromTable(SettingId::IntensityDeformation),
    FromTable(SettingId::CountNotReplay),
    FromTable(SettingId::on3D),
    FromTable(SettingId::onColor),
    {"fps", 1, 1000, 1, 1000, kDefaultRefreshHz},
    {"clock", 0, INT64_MAX / 2, 0, INT64_MAX / 2, kNone},
    {"frames", 1, INT32_MAX, 1, INT32_MAX, kNone},
};

// Addresses can be of any length: a message quotes at most this much of them.
std::string Quoted(std::string_view text)
{
    constexpr size_t kShown = 40;
    if (text.size() <= kShown) return std::string(text);
    return std::string(text.substr(0, kShown)) + "... (" + std::to_string(text.size()) + " characters)";
}

std::string ValueText(int setting, int64_t value)
{
    if (value != kNone) return std::to_string(value);
    return setting == kClock ? "the calendar clock" : "no limit";
}

}  // namespace

const PageSettingRule& RuleOf(int setting) { return kRules[setting]; }

PageSettings DefaultPageSettings()
{
    PageSettings settings;
    for (int i = 0; i < kPageSettingCount; ++i) settings.values[i] = kRules[i].fallback;
    return settings;
}

SetResult SetFromAddress(PageSettings& settings, std::string_view name, std::string_view text, std::string& message)
{
    int found = 0;
    while (found < kPageSettingCount && name != kRules[found].name) ++found;
    if (found == kPageSettingCount) {
        message = "velmora: unknown setting '" + Quoted(name) + "' ignored";
        return SetResult::UnknownName;
    }
    const PageSettingRule& rule = kRules[found];
    if (text.empty() && rule.fallback == kNone) {  // clock= or frames=: back to none
        settings.values[found] = kNone;
        return SetResult::Taken;
    }
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, code] = std::from_chars(text.data(), end, value);
    std::string problem;
    if (text.empty() || code == std::errc::invalid_argument || stop != end)
        problem = "is not a whole number";
    else if (code == std::errc::result_out_of_range || value < rule.low || value > rule.high)
        problem = "is out of range (" + std::to_string(rule.low) + " to " + std::to_string(rule.high) + ")";
    if (!problem.empty()) {
        message = "velmora: " + std::string(rule.name) + "=" + Quoted(text) + " " + problem + "; using " +
                  ValueText(found, settings.values[found]);
        return SetResult::BadValue;
    }
    settings.values[found] = value;
    return SetResult::Taken;
}

std::string AddressQuery(const PageSettings& settings)
{
    std::string query;
    for (int i = 0; i < kPageSettingCount; ++i) {
        if (settings.values[i] == kRules[i].fallback) continue;
        if (!query.empty()) query += '&';
        query += kRules[i].name;
        query += '=';
        query += std::to_string(settings.values[i]);
    }
    return query;
}

SaverSettings SaverSettingsOf(const PageSettings& settings)
{
    SaverSettings saver = kDefaultSettings;
    for (const SettingEntry& entry : kSettingTable)
        SetSettingValue(saver, entry.id, static_cast<int32_t>(settings.values[static_cast<int>(entry.id)]));
    return saver;
}

RunClock RunClockOf(const PageSettings& settings)
{
    const int64_t start = settings.values[kClock];
    return RunClock{start != kNone, start == kNone ? 0 : start, settings.values[kFps], 0};
}
