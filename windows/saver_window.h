// The Windows layer's state and its windows: the saver window, which owns the
// full screen and the settings dialog, and the black windows that cover every
// other monitor during a run.
#pragma once

#include <cstdint>
#include <vector>

#include <windows.h>

#include "windows/rules/exit_triggers.h"
#include "windows/frame_bitmap.h"
#include "windows/rules/display_power.h"
#include "windows/full_screen.h"
#include "windows/rules/monitors.h"
#include "windows/rules/start_mode.h"
#include "windows/rules/video_modes.h"
#include "core/settings/settings.h"

// The class name and the window title; the pair identifies a running instance.
constexpr const char* kSaverName = "Velmora Screen Saver";
// The class of the windows over the other monitors.
constexpr const char* kCoverClass = "Velmora Screen Saver cover";

struct WindowsSaver {
    HINSTANCE appInstance = nullptr;  // owner of the resources
    HWND saverWindow = nullptr;
    HDC saverDC = nullptr;            // kept for the life of the window
    HWND previousForeground = nullptr;  // had the foreground at start; none for the taskbar
    SaverSettings settings = kDefaultSettings;  // as stored; the dialog edits them
    DisplayMode currentDisplayMode = {0, 0, 0};  // the run's, once selected
    FullScreen screen;
    FrameBitmap frameBitmap;
    RunRequest request;  // a fixed clock and a frame limit, for tests
    ExitTriggers triggers;
    DisplayPower power;
    HPOWERNOTIFY powerNotification = nullptr;
    std::vector<HWND> coverWindows;
};

void RegisterSaverClass(HINSTANCE instance);
void RegisterCoverClass(HINSTANCE instance);

// A 100 x 100 pop-up just right of the primary screen, shown and updated. False
// when the window could not be made.
bool CreateSaverWindow(WindowsSaver& saver, HINSTANCE instance, int showCommand);

// The monitors as the system lists them, and the primary one's area.
void ListMonitors(std::vector<ScreenRect>& monitors, ScreenRect& primary);

// A black, topmost, cursor-less window over each area, shown without taking the
// focus from the saver window. Input on them ends the run as on the saver window.
void OpenCoverWindows(WindowsSaver& saver, const std::vector<ScreenRect>& areas);
void CloseCoverWindows(WindowsSaver& saver);

// The display-state notifications of a run: registered for the saver window.
void WatchDisplayPower(WindowsSaver& saver);
void StopWatchingDisplayPower(WindowsSaver& saver);
