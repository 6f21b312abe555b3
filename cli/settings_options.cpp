#include "cli/settings_options.h"

#include <charconv>
#include <cstdio>

int64_t ParseWholeOption(const std::string& option, const std::string& text, int64_t low, int64_t high)
{
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, code] = std::from_chars(text.data(), end, value);
    if (text.empty() || code == std::errc::invalid_argument || stop != end)
        throw OptionError{"--" + option + ": " + Quoted(text) + " is not a whole number"};
    if (code == std::errc::result_out_of_range || value < low || value > high)
        throw OptionError{"--" + option + ": " + Shortened(text) + " is out of range (" + std::to_string(low) + " to " +
                          std::to_string(high) + ")"};
    return value;
}

OptionGroup SettingsOptions(const std::string& title)
{
    // Values are read as text and checked here, for messages that say what is wrong.
    OptionGroup group = {title, {}};
    for (const SettingEntry& e : kSettingTable)
        group.options.push_back(Value(e.option, e.valueHint, e.help, std::to_string(e.fallback)));
    return group;
}

SaverSettings ReadSettingsOptions(const ParsedOptions& parsed)
{
    SaverSettings settings = kDefaultSettings;
    for (const SettingEntry& e : kSettingTable)
        SetSettingValue(settings, e.id, static_cast<int32_t>(ParseWholeOption(e.option, parsed.Text(e.option), e.low, e.high)));
    return settings;
}

void WriteHeldForRunNotes(const char* program, const SaverSettings& settings, std::FILE* out)
{
    for (const std::string& note : HeldForRunNotes(settings)) std::fprintf(out, "%s: %s\n", program, note.c_str());
}
