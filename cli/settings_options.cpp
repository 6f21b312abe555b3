#include "cli/settings_options.h"

#include <charconv>

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
    const auto number = [](const char* name, const char* help, int value, const char* valueName = "N") {
        return Value(name, valueName, help, std::to_string(value));
    };
    const SaverSettings& d = kDefaultSettings;
    return {title,
            {number("brightness", "Brightness", d.Brightness.value),
             number("quality", "Quality: points per frame / 200", d.Quality.value),
             number("lifetime", "LifeTimeOneFig: frames before a figure switch", d.LifeTimeOneFig.value),
             number("zoom", "Zoom: figure area in percent of the screen", d.Zoom.value),
             number("intensity", "IntensityDeformation", d.IntensityDeformation.value),
             number("no-repeat", "CountNotReplay: recent figures a switch avoids", d.CountNotReplay.value),
             number("lighting", "on3D: shade towards the edges", d.on3D, "0|1"),
             number("color", "onColor: random tint per figure", d.onColor, "0|1")}};
}

SaverSettings ReadSettingsOptions(const ParsedOptions& parsed)
{
    const auto number = [&](const char* name) {
        return static_cast<int16_t>(ParseWholeOption(name, parsed.Text(name), INT16_MIN, INT16_MAX));
    };
    const auto flag = [&](const char* name) {
        return static_cast<uint8_t>(ParseWholeOption(name, parsed.Text(name), 0, 1));
    };
    SaverSettings settings = kDefaultSettings;
    settings.Brightness.value = number("brightness");
    settings.Quality.value = number("quality");
    settings.LifeTimeOneFig.value = number("lifetime");
    settings.Zoom.value = number("zoom");
    settings.IntensityDeformation.value = number("intensity");
    settings.CountNotReplay.value = number("no-repeat");
    settings.on3D = flag("lighting");
    settings.onColor = flag("color");
    return settings;
}
