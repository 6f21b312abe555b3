// velmora's command line: its options, their checks and what they ask for, apart
// from X11 and Wayland so that the unit tests and the fuzz target run them anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/run/frames.h"
#include "core/settings/settings.h"
#include "cli/settings_options.h"

enum class DisplaySystem { Neither, X11, Wayland };
enum class SaverWindow { Own, Given, Root };

// What velmora reads from its environment; an empty value counts as unset.
struct SaverEnvironment {
    std::string xscreensaverWindow;  // $XSCREENSAVER_WINDOW, the window a locker gives (with --root)
    std::string waylandDisplay;      // $WAYLAND_DISPLAY
    std::string display;             // $DISPLAY
    bool waylandBuilt = true;        // this velmora draws on Wayland too
};

struct SaverRequest {
    bool help = false;  // --help: nothing else is read
    DisplaySystem system = DisplaySystem::Neither;
    bool fullscreen = false;
    bool wallpaper = false;
    std::string output;
    SaverWindow window = SaverWindow::Own;
    unsigned long windowId = 0;  // with SaverWindow::Given
    int ownWidth = 1024;
    int ownHeight = 768;
    std::string displayName;
    SaverSettings settings = kDefaultSettings;
    RunClock clock;
    int64_t framesPerSecond = 60;
    int64_t frameLimit = 0;  // 0: no limit
    bool tryShared = true;
};

SaverEnvironment EnvironmentOfProcess(bool waylandBuilt);

// The arguments after the program's name; OptionError says what is wrong with them.
SaverRequest ParseSaverCommandLine(const std::vector<std::string>& arguments, const SaverEnvironment& environment);

// What --help prints.
std::string SaverHelp();

// "0x1a00003" or "27262979"; false for anything else, or for 0.
bool ParseWindowId(const std::string& text, unsigned long& window);
