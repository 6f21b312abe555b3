// The eight settings as command-line options, shared by velmora-render and the
// X11 saver so both take the same names, defaults and value checks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/settings/setting_table.h"
#include "cli/command_line.h"

// A whole number in low..high, or OptionError naming --option.
int64_t ParseWholeOption(const std::string& option, const std::string& text, int64_t low, int64_t high);

// --brightness --quality --lifetime --zoom --intensity --no-repeat --lighting --color,
// from the settings table.
OptionGroup SettingsOptions(const std::string& title);

// The defaults with the given values, taken as given like stored settings: any
// 16-bit number for the six numbers, 0 or 1 for the two switches.
SaverSettings ReadSettingsOptions(const ParsedOptions& parsed);

// One line "PROGRAM: zoom 150 is drawn as 100 (a run takes 10 to 100)" for each
// value a run draws differently.
void WriteHeldForRunNotes(const char* program, const SaverSettings& settings, std::FILE* out);
