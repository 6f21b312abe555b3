// A helper of the saver's end-to-end tests. It shows a 64 x 64 square in one
// known colour (200, 40, 120) at the top left of the screen, without taking the
// focus, and appends a line "WIDTHxHEIGHTxBITS" to FILE whenever the display
// mode changes, the first one at start. It ends when STOPFILE exists. Its window
// also keeps a Wine virtual desktop open between saver runs.
//   saver_probe.exe FILE STOPFILE
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    std::FILE* log = __argc == 3 ? std::fopen(__argv[1], "a") : nullptr;
    if (!log) return 2;
    WNDCLASSA windowClass = {0, DefWindowProcA, 0, 0, instance, nullptr, nullptr, CreateSolidBrush(RGB(200, 40, 120)),
                             nullptr, "Velmora e2e probe"};  // painted with the class brush
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, windowClass.lpszClassName,
                                  windowClass.lpszClassName, WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    char last[64] = "", now[64] = "";
    while (GetFileAttributesA(__argv[2]) == INVALID_FILE_ATTRIBUTES) {
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode))
            std::snprintf(now, sizeof now, "%lux%lux%lu", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
        if (std::strcmp(now, last) != 0) {
            std::fprintf(log, "%s\n", std::strcpy(last, now));
            std::fflush(log);
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return 0;
}
