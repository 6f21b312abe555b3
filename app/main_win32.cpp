// Program entry: single instance, the saver window, the settings, and the switch.
#include <windows.h>

#include "app/dispatch.h"
#include "app/run_saver_win32.h"
#include "app/saver_window_win32.h"
#include "display/video_modes_win32.h"
#include "settings/dialog_win32.h"
#include "settings/persistence.h"
#include "settings/registry_win32.h"

namespace {

constexpr int kSettingsDialogId = 112;

// The window that had the foreground at start; none when that was the taskbar.
HWND previousForeground = nullptr;

void RememberForeground()
{
    HWND foreground = GetForegroundWindow();
    previousForeground = foreground == FindWindowA("Shell_TrayWnd", nullptr) ? nullptr : foreground;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int showCommand)
{
    if (FindWindowA(kSaverName, kSaverName)) return 0;
    const StartMode startMode = StartModeFor(arguments);
    RememberForeground();

    InstallDisplayAdapter();
    InstallRegistryAccess();
    RegisterSaverClass(instance);
    if (!CreateSaverWindow(instance, showCommand)) return 0;
    LoadSettings();

    WPARAM exitStatus = 0;
    switch (startMode) {
    case StartMode::Settings:
        DialogBoxParamA(appInstance, MAKEINTRESOURCEA(kSettingsDialogId), saverWindow, SettingsDialogProc, 0);
        break;
    case StartMode::Saver: {
        const SaverRunResult run = RunSaver();
        if (!run.finished) return 0;
        exitStatus = run.lastWParam;
        break;
    }
    case StartMode::Nothing:
        break;
    }

    PostQuitMessage(0);
    SetForegroundWindow(previousForeground);
    return static_cast<int>(exitStatus);
}
