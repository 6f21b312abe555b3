// Program entry: single instance, the saver window, the settings, and the switch.
#include <windows.h>

#include "windows/animation_driver.h"
#include "windows/rules/start_mode.h"
#include "windows/saver_window.h"
#include "windows/resources/resource_ids.h"
#include "windows/dialog.h"
#include "windows/registry.h"

namespace {

// The window that had the foreground at start; none when that was the taskbar.
void RememberForeground(WindowsSaver& saver)
{
    HWND foreground = GetForegroundWindow();
    saver.previousForeground = foreground == FindWindowA("Shell_TrayWnd", nullptr) ? nullptr : foreground;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int showCommand)
{
    if (FindWindowA(kSaverName, kSaverName)) return 0;
    const StartMode startMode = StartModeFor(arguments);
    static WindowsSaver saver;  // lives as long as its windows
    RememberForeground(saver);

    RegisterSaverClass(instance);
    RegisterCoverClass(instance);
    if (!CreateSaverWindow(saver, instance, showCommand)) return 0;
    LoadSettings(WindowsRegistry(), saver.settings);

    WPARAM exitStatus = 0;
    switch (startMode) {
    case StartMode::Settings:
        DialogBoxParamW(saver.appInstance, MAKEINTRESOURCEW(IDD_SETTINGS), saver.saverWindow, SettingsDialogProc,
                        reinterpret_cast<LPARAM>(&saver.settings));
        break;
    case StartMode::Saver: {
        saver.request = RunRequestFor(arguments);
        SaverFrames frames;
        const SaverRunResult result = RunSaver(saver, frames);
        if (!result.finished) return 0;
        exitStatus = result.lastWParam;
        break;
    }
    case StartMode::Nothing:
        break;
    }

    PostQuitMessage(0);
    SetForegroundWindow(saver.previousForeground);
    return static_cast<int>(exitStatus);
}
