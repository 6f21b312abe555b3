#include "app/saver_window_win32.h"

#include "app/exit_triggers.h"

HINSTANCE appInstance = nullptr;
HWND saverWindow = nullptr;
HDC saverDC = nullptr;

void RegisterSaverClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kSaverIconId));
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = kSaverName;
    RegisterClassExA(&windowClass);
}

int CreateSaverWindow(HINSTANCE instance, int showCommand)
{
    appInstance = instance;
    HWND window = CreateWindowExA(0, kSaverName, kSaverName, WS_POPUP, GetSystemMetrics(SM_CXSCREEN), 0, 100,
                                  100, nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    saverDC = GetDC(window);
    saverWindow = window;
    return 1;
}

LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_KILLFOCUS:
    case WM_DESTROY:
        saverRunning = 0;
        return 0;
    case WM_PAINT:
        // Neither painted nor validated: a paint message stays available.
        return 0;
    case WM_MOUSEMOVE:
        NoteMouseMove(static_cast<uint32_t>(lParam));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
