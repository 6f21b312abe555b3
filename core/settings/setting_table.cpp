#include "core/settings/setting_table.h"

#include <cstring>

namespace {

constexpr SaverSettings d = kDefaultSettings;

constexpr SettingEntry Number(SettingId id, const char* option, const char* valueName, const char* help,
                              const BoundedSetting& setting)
{
    return {id, option, valueName, help, "N", INT16_MIN, INT16_MAX, setting.min, setting.max, setting.value};
}

constexpr SettingEntry Flag(SettingId id, const char* option, const char* valueName, const char* help, uint8_t value)
{
    return {id, option, valueName, help, "0|1", 0, 1, 0, 1, value};
}

}  // namespace

const SettingEntry kSettingTable[kSettingCount] = {
    Number(SettingId::Brightness, "brightness", "Brightness", "Brightness", d.Brightness),
    Number(SettingId::Quality, "quality", "Quality", "Quality: points per frame / 200", d.Quality),
    Number(SettingId::LifeTimeOneFig, "lifetime", "LifeTimeOneFig", "LifeTimeOneFig: frames before a figure switch",
           d.LifeTimeOneFig),
    Number(SettingId::Zoom, "zoom", "Zoom", "Zoom: figure area in percent of the screen", d.Zoom),
    Number(SettingId::IntensityDeformation, "intensity", "IntensityDeformation", "IntensityDeformation",
           d.IntensityDeformation),
    Number(SettingId::CountNotReplay, "no-repeat", "CountNotReplay", "CountNotReplay: recent figures a switch avoids",
           d.CountNotReplay),
    Flag(SettingId::on3D, "lighting", "on3D", "on3D: shade towards the edges", d.on3D),
    Flag(SettingId::onColor, "color", "onColor", "onColor: random tint per figure", d.onColor),
};

const SettingEntry& EntryOf(SettingId id) { return kSettingTable[static_cast<int>(id)]; }

const SettingEntry* FindSettingOption(const char* name, size_t length)
{
    for (const SettingEntry& entry : kSettingTable)
        if (std::strlen(entry.option) == length && std::memcmp(entry.option, name, length) == 0) return &entry;
    return nullptr;
}

int32_t SettingValue(const SaverSettings& settings, SettingId id)
{
    switch (id) {
    case SettingId::Brightness: return settings.Brightness.value;
    case SettingId::Quality: return settings.Quality.value;
    case SettingId::LifeTimeOneFig: return settings.LifeTimeOneFig.value;
    case SettingId::Zoom: return settings.Zoom.value;
    case SettingId::IntensityDeformation: return settings.IntensityDeformation.value;
    case SettingId::CountNotReplay: return settings.CountNotReplay.value;
    case SettingId::on3D: return settings.on3D;
    case SettingId::onColor: return settings.onColor;
    }
    return 0;
}

void SetSettingValue(SaverSettings& settings, SettingId id, int32_t value)
{
    const auto number = static_cast<int16_t>(value);
    switch (id) {
    case SettingId::Brightness: settings.Brightness.value = number; break;
    case SettingId::Quality: settings.Quality.value = number; break;
    case SettingId::LifeTimeOneFig: settings.LifeTimeOneFig.value = number; break;
    case SettingId::Zoom: settings.Zoom.value = number; break;
    case SettingId::IntensityDeformation: settings.IntensityDeformation.value = number; break;
    case SettingId::CountNotReplay: settings.CountNotReplay.value = number; break;
    case SettingId::on3D: settings.on3D = static_cast<uint8_t>(value != 0); break;
    case SettingId::onColor: settings.onColor = static_cast<uint8_t>(value != 0); break;
    }
}

std::vector<std::string> HeldForRunNotes(const SaverSettings& given)
{
    const RunSettings held = HoldForRun(given);
    const int32_t drawn[kSettingCount] = {held.Brightness, held.Quality, held.LifeTimeOneFig, held.Zoom,
                                          held.IntensityDeformation, held.CountNotReplay, held.on3D, held.onColor};
    std::vector<std::string> notes;
    for (const SettingEntry& entry : kSettingTable) {
        const int32_t value = SettingValue(given, entry.id);
        const int32_t shown = drawn[static_cast<int>(entry.id)];
        if (value == shown) continue;
        // A run holds a value to the dialog's range.
        notes.push_back(std::string(entry.option) + ' ' + std::to_string(value) + " is drawn as " + std::to_string(shown) +
                        " (a run takes " + std::to_string(entry.dialogLow) + " to " + std::to_string(entry.dialogHigh) + ")");
    }
    return notes;
}
