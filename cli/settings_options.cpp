#include "cli/settings_options.h"

#include <charconv>

int64_t ParseWholeOption(const std::string& option, const std::string& text, int64_t low, int64_t high)
{
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, code] = std::from_chars(text.data(), end, value);
    if (text.empty() || code == std::errc::invalid_argument || stop != end)
        throw OptionError{"--" + option + ": '" + text + "' is not a whole number"};
    if (code == std::errc::result_out_of_range || value < low || value > high)
        throw OptionError{"--" + option + ": " + text + " is out of range (" + std::to_string(low) + " to " +
                          std::to_string(high) + ")"};
    return value;
}

void AddSettingsOptions(cxxopts::Options& options, const std::string& group)
{
    // Values are read as text and checked here, for messages that say what is wrong.
    const auto text = [](int value) { return cxxopts::value<std::string>()->default_value(std::to_string(value)); };
    const SaverSettings& d = kDefaultSettings;
    options.add_options(group)
        ("brightness", "Brightness", text(d.Brightness.value), "N")
        ("quality", "Quality: points per frame / 200", text(d.Quality.value), "N")
        ("lifetime", "LifeTimeOneFig: frames before a figure switch", text(d.LifeTimeOneFig.value), "N")
        ("zoom", "Zoom: figure area in percent of the screen", text(d.Zoom.value), "N")
        ("intensity", "IntensityDeformation", text(d.IntensityDeformation.value), "N")
        ("no-repeat", "CountNotReplay: recent figures a switch avoids", text(d.CountNotReplay.value), "N")
        ("lighting", "on3D: shade towards the edges", text(d.on3D), "0|1")
        ("color", "onColor: random tint per figure", text(d.onColor), "0|1");
}

SaverSettings ReadSettingsOptions(const cxxopts::ParseResult& parsed)
{
    const auto number = [&](const char* name) {
        return static_cast<int16_t>(ParseWholeOption(name, parsed[name].as<std::string>(), INT16_MIN, INT16_MAX));
    };
    const auto flag = [&](const char* name) {
        return static_cast<uint8_t>(ParseWholeOption(name, parsed[name].as<std::string>(), 0, 1));
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
