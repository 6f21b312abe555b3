#include "windows/saver_window.h"

#include "windows/resources/resource_ids.h"

namespace {

// {6FE69556-704A-47A0-8F24-C28D936FDA47}: the console display's state (off, on, dimmed).
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// The record a window works on, set from its creation parameter.
WindowsSaver* SaverOf(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    return reinterpret_cast<WindowsSaver*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void NoteDisplayPower(WindowsSaver& saver, LPARAM lParam)
{
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    if (!setting || !IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) ||
        setting->DataLength < sizeof(DWORD))
        return;
    DWORD state = 0;
    CopyMemory(&state, setting->Data, sizeof state);
    NoteDisplayState(saver.power, state);
}

LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowsSaver* saver = SaverOf(window, message, lParam);
    if (!saver) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_KILLFOCUS:
    case WM_DESTROY:
        saver->triggers.saverRunning = 0;
        return 0;
    case WM_PAINT:
        // Neither painted nor validated: a paint message stays available.
        return 0;
    case WM_MOUSEMOVE:
        NoteMouseMove(saver->triggers, static_cast<uint32_t>(lParam));
        return 0;
    case WM_POWERBROADCAST:
        if (wParam != PBT_POWERSETTINGCHANGE) break;
        NoteDisplayPower(*saver, lParam);
        return TRUE;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A cover window ends the run on a key, a click or a mouse move, as the saver
// window does; moves are taken in screen coordinates, so the pointer passing
// from one monitor to the next is no jump.
LRESULT CALLBACK CoverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowsSaver* saver = SaverOf(window, message, lParam);
    if (!saver) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        saver->triggers.saverRunning = 0;
        return 0;
    case WM_MOUSEMOVE: {
        POINT at = {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
        ClientToScreen(window, &at);
        NoteMouseMove(saver->triggers, static_cast<uint16_t>(at.x) | static_cast<uint32_t>(static_cast<uint16_t>(at.y)) << 16);
        return 0;
    }
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<ScreenRect>*>(list)->push_back({r.left, r.top, r.right, r.bottom});
    return TRUE;
}

}  // namespace

void RegisterSaverClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMORA));
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = kSaverName;
    RegisterClassExA(&windowClass);
}

void RegisterCoverClass(HINSTANCE instance)
{
    WNDCLASSEXA coverClass = {};
    coverClass.cbSize = sizeof coverClass;
    coverClass.lpfnWndProc = CoverWndProc;
    coverClass.hInstance = instance;
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kCoverClass;
    RegisterClassExA(&coverClass);
}

bool CreateSaverWindow(WindowsSaver& saver, HINSTANCE instance, int showCommand)
{
    saver.appInstance = instance;
    HWND window = CreateWindowExA(0, kSaverName, kSaverName, WS_POPUP, GetSystemMetrics(SM_CXSCREEN), 0, 100,
                                  100, nullptr, nullptr, instance, &saver);
    if (!window) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    saver.saverDC = GetDC(window);
    saver.saverWindow = window;
    return true;
}

void ListMonitors(std::vector<ScreenRect>& monitors, ScreenRect& primary)
{
    monitors.clear();
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    primary = {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
}

void OpenCoverWindows(WindowsSaver& saver, const std::vector<ScreenRect>& areas)
{
    for (const ScreenRect& area : areas) {
        HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kCoverClass, kCoverClass, WS_POPUP, area.left,
                                     area.top, area.right - area.left, area.bottom - area.top, saver.saverWindow,
                                     nullptr, saver.appInstance, &saver);
        if (!cover) continue;
        saver.coverWindows.push_back(cover);
        ShowWindow(cover, SW_SHOWNOACTIVATE);
        UpdateWindow(cover);
    }
}

void CloseCoverWindows(WindowsSaver& saver)
{
    for (HWND cover : saver.coverWindows) DestroyWindow(cover);
    saver.coverWindows.clear();
}

void WatchDisplayPower(WindowsSaver& saver)
{
    saver.power = {};
    saver.powerNotification =
        RegisterPowerSettingNotification(saver.saverWindow, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void StopWatchingDisplayPower(WindowsSaver& saver)
{
    if (saver.powerNotification) UnregisterPowerSettingNotification(saver.powerNotification);
    saver.powerNotification = nullptr;
}
