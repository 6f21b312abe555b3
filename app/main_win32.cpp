// Program entry: single instance, the saver window, the settings, and the switch.
#include <windows.h>

#include "app/animation_driver_win32.h"
#include "app/dispatch.h"
#include "app/saver_window_win32.h"
#include "display/video_modes_win32.h"
#include "resources/resource_ids.h"
#include "settings/dialog_win32.h"
#include "settings/persistence.h"
#include "settings/registry_win32.h"

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

    InstallDisplayAdapter();
    InstallRegistryAccess();
    RegisterSaverClass(instance);
    RegisterCoverClass(instance);
    if (!CreateSaverWindow(saver, instance, showCommand)) return 0;
    LoadSettings();

    WPARAM exitStatus = 0;
    switch (startMode) {
    case StartMode::Settings:
        DialogBoxParamW(saver.appInstance, MAKEINTRESOURCEW(IDD_SETTINGS), saver.saverWindow, SettingsDialogProc, 0);
        break;
    case StartMode::Saver: {
        const SaverRunResult run = RunSaver(saver);
        if (!run.finished) return 0;
        exitStatus = run.lastWParam;
        break;
    }
    case StartMode::Nothing:
        break;
    }

    PostQuitMessage(0);
    SetForegroundWindow(saver.previousForeground);
    return static_cast<int>(exitStatus);
}
