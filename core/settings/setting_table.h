// The eight settings a user sets, each once: the name the command-line programs,
// the page's address and xscreensaver's settings use, the registry value's name,
// what a given value may be, the default, and the range of the settings dialog
// (and of xscreensaver's sliders and the page's panel).
//
// Every front end takes a given value the way stored settings are taken: any
// 16-bit number for the six numbers, 0 or 1 for the two switches; a run then
// holds the values that would break it to its ranges (HoldForRun), and
// HeldForRunNotes says which it changed, for one diagnostic line each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings/settings.h"

enum class SettingId : uint8_t {
    Brightness,
    Quality,
    LifeTimeOneFig,
    Zoom,
    IntensityDeformation,
    CountNotReplay,
    on3D,
    onColor,
};
constexpr int kSettingCount = 8;

struct SettingEntry {
    SettingId id;
    const char* option;     // "no-repeat": --no-repeat, no-repeat=, id="no-repeat"
    const char* valueName;  // "CountNotReplay" under the registry key
    const char* help;       // one line for --help
    const char* valueHint;  // "N" or "0|1"
    int32_t low;            // what a given value may be
    int32_t high;
    int16_t dialogLow;      // what the dialog offers
    int16_t dialogHigh;
    int16_t fallback;       // the default
};

// In the order of the command line's help and the page's panel.
extern const SettingEntry kSettingTable[kSettingCount];

const SettingEntry& EntryOf(SettingId id);
// The entry whose option name is name, or null.
const SettingEntry* FindSettingOption(const char* name, size_t length);

int32_t SettingValue(const SaverSettings& settings, SettingId id);
// Numbers keep the value's low 16 bits; a switch is on for any nonzero value.
void SetSettingValue(SaverSettings& settings, SettingId id, int32_t value);

// One line for each given value that a run draws differently, e.g.
// "zoom 150 is drawn as 100 (a run takes 10 to 100)".
std::vector<std::string> HeldForRunNotes(const SaverSettings& given);
